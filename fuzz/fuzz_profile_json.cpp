// Profile documents come from files anyone may hand the user. The reader must refuse what it
// does not take without crashing, recursing per nesting level or quoting huge values, and what
// it takes must write out as a document that reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "model/profile_json.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto read = ReadProfileJson(text);
    if (const auto* refusal = std::get_if<ProfileJsonError>(&read)) {
        if (refusal->Text().size() > 1024) std::abort();
        return 0;
    }
    const ProfileDocument& document = std::get<ProfileDocument>(read);
    const auto again = ReadProfileJson(WriteProfileJson(document, {}));
    const auto* reread = std::get_if<ProfileDocument>(&again);
    if (reread == nullptr || reread->lighting != document.lighting ||
        reread->data.macros.Records() != document.data.macros.Records() ||
        reread->data.keyAreas != document.data.keyAreas)
        std::abort();
    return 0;
}
