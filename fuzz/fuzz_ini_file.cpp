// INI files (settings, language and skin files, user colour files) may be edited by hand or
// damaged. Reading any bytes must be safe, and a value written into such a file must read
// back as written while every other key keeps its value.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/ini_file.h"
#include "fuzz_temp_file.h"

using namespace quorvel;

namespace {

// Names as the file compares them: blanks around them dropped, ASCII letters without case.
std::string NameKey(std::string_view name) {
    const auto first = name.find_first_not_of(" \t");
    if (first == name.npos) return {};
    name = name.substr(first, name.find_last_not_of(" \t") - first + 1);
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(40);
    const std::string key = input.ConsumeRandomLengthString(40);
    const std::string value = input.ConsumeRandomLengthString(300);
    const std::string otherSection = input.ConsumeRandomLengthString(40);
    const std::string otherKey = input.ConsumeRandomLengthString(40);
    const std::string contents = input.ConsumeRemainingBytesAsString();

    fuzzing::WriteScratch({reinterpret_cast<const uint8_t*>(contents.data()), contents.size()});
    IniFile file(fuzzing::ScratchPath());
    file.ReadString(section, key, "fallback");
    file.ReadInt(section, key, -1);
    const bool otherPresent = file.HasKey(otherSection, otherKey);
    const std::string otherValue = file.ReadString(otherSection, otherKey, "fallback");

    if (!file.WriteString(section, key, value)) return 0;
    const std::string expected = CutToUtf16Units(value, INI_VALUE_MAX_UNITS);
    const IniFile reread(fuzzing::ScratchPath());
    if (reread.ReadString(section, key) != expected) std::abort();
    if (file.ReadString(section, key) != expected) std::abort();

    const bool sameKey =
        NameKey(section) == NameKey(otherSection) && NameKey(key) == NameKey(otherKey);
    if (!sameKey && (reread.HasKey(otherSection, otherKey) != otherPresent ||
                     reread.ReadString(otherSection, otherKey, "fallback") != otherValue))
        std::abort();
    return 0;
}
