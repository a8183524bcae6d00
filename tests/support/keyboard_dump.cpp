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

bool SettingsWrittenSince(const VirtualKeyboard& keyboard, size_t mark, size_t index,
                          const std::string& hex) {
    for (const std::string& frame : keyboard.FramesSentSince(mark)) {
        // "04 C1 C2 04 ...": the settings write, hex bytes one blank apart; its data starts at
        // byte 8.
        const size_t at = 3 * (8 + index);
        if (frame.size() >= at + 2 && frame.compare(9, 2, "04") == 0 &&
            frame.compare(at, 2, hex) == 0)
            return true;
    }
    return false;
}

}  // namespace quorvel::testing
