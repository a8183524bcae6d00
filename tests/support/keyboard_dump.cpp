#include "tests/support/keyboard_dump.h"

namespace quorvel::testing {

std::string DumpField(const std::string& dump, const std::string& key) {
    const size_t name = dump.find("\"" + key + "\"");
    if (name == std::string::npos) return {};
    const size_t colon = dump.find(':', name + key.size() + 2);
    const size_t open = colon == std::string::npos ? colon : dump.find('"', colon + 1);
    if (open == std::string::npos) return {};
    const size_t close = dump.find('"', open + 1);
    if (close == std::string::npos) return {};
    return dump.substr(open + 1, close - open - 1);
}

std::string DumpHex(const VirtualKeyboard& keyboard, const std::string& key, size_t offset,
                    size_t count) {
    const std::string field = DumpField(keyboard.Run({"dump"}), key);
    if (2 * offset > field.size()) return {};
    return field.substr(2 * offset, 2 * count);
}

}  // namespace quorvel::testing
