// The names a profile document gives keys, multimedia and keyboard functions, and the JSON
// Pointer paths of its values.
#include "model/profile_json_names.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>

#include "model/profile_json.h"

namespace quorvel {
namespace profile_json {

const std::array<std::string_view, MEDIA_COUNT> MEDIA_NAMES = {
    "Media Player", "Play/Pause",    "Stop",       "Previous Track", "Next Track", "Volume Down",
    "Volume Up",    "Mute",          "Web Home",   "Web Refresh",    "Web Stop",   "Web Back",
    "Web Forward",  "Web Favorites", "Web Search", "My Computer",    "Calculator", "E-mail"};

const std::array<std::string_view, KEYBOARD_FUNCTION_COUNT> FUNCTION_NAMES = {
    "Open", "New", "Undo", "Save", "Copy", "Cut", "Paste", "Find", "Select All", "Zoom-", "Zoom+"};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool IsKeyScanCode(long s) {
    return s > 0 && s <= 0x1FF && ScanCodeOf(KeyIndexOf(static_cast<ScanCode>(s))) == s;
}

std::string Child(const std::string& path, std::string_view key) {
    std::string token;
    for (char c : key) {
        if (c == '~')
            token += "~0";
        else if (c == '/')
            token += "~1";
        else
            token += c;
    }
    return path + "/" + token;
}

std::string Child(const std::string& path, size_t index) {
    return path + "/" + std::to_string(index);
}

}  // namespace profile_json

namespace {

using profile_json::FN_NAME;
using profile_json::IsKeyScanCode;
using profile_json::Lower;
using profile_json::MEDIA_NAMES;

struct ArrowName {
    ScanCode scanCode;
    std::string_view name;
};
constexpr ArrowName ARROW_NAMES[] = {
    {0x148, "Up"}, {0x14B, "Left"}, {0x14D, "Right"}, {0x150, "Down"}};

std::string HexScanCode(ScanCode s) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%03X", static_cast<unsigned>(s));
    return text;
}

struct KeyNameTable {
    std::array<std::string, KEY_INFO_ROWS> names;
    std::map<std::string, ScanCode> byLowerName;
};

std::string CandidateName(int row) {
    const ScanCode s = ScanCodeOf(static_cast<KeyIndex>(row));
    for (const ArrowName& arrow : ARROW_NAMES)
        if (arrow.scanCode == s) return std::string(arrow.name);
    const KeyInfo& info = KeyInfoTable()[static_cast<size_t>(row)];
    if (!info.nameIsTextKey) return std::string(info.name);
    for (int m = 0; m < MEDIA_COUNT; ++m)
        if (MediaTable()[static_cast<size_t>(m)].nameKey == info.name)
            return std::string(MEDIA_NAMES[static_cast<size_t>(m)]);
    return {};
}

const KeyNameTable& KeyNames() {
    static const KeyNameTable table = [] {
        KeyNameTable built;
        std::map<std::string, int> uses;
        std::array<std::string, KEY_INFO_ROWS> candidates;
        for (int row = 1; row < KEY_INFO_ROWS; ++row) {
            candidates[static_cast<size_t>(row)] = CandidateName(row);
            if (!candidates[static_cast<size_t>(row)].empty())
                ++uses[Lower(candidates[static_cast<size_t>(row)])];
        }
        for (int row = 1; row < KEY_INFO_ROWS; ++row) {
            const ScanCode s = ScanCodeOf(static_cast<KeyIndex>(row));
            const std::string& candidate = candidates[static_cast<size_t>(row)];
            const std::string lower = Lower(candidate);
            // Names that could be read as something else give way to the scan code.
            const bool usable = !candidate.empty() && uses[lower] == 1 &&
                                lower.rfind("0x", 0) != 0 && lower != Lower(FN_NAME);
            std::string name = usable ? candidate : HexScanCode(s);
            built.byLowerName[Lower(name)] = s;
            built.names[static_cast<size_t>(row)] = std::move(name);
        }
        return built;
    }();
    return table;
}

}  // namespace

std::string_view JsonMediaName(int index) {
    return index >= 0 && index < MEDIA_COUNT ? MEDIA_NAMES[static_cast<size_t>(index)]
                                             : std::string_view();
}

std::string_view JsonFunctionName(int index) {
    return index >= 0 && index < KEYBOARD_FUNCTION_COUNT
               ? profile_json::FUNCTION_NAMES[static_cast<size_t>(index)]
               : std::string_view();
}

std::string JsonKeyName(ScanCode s) {
    if (!IsKeyScanCode(s)) return HexScanCode(s);
    return KeyNames().names[KeyIndexOf(s)];
}

namespace {

// A scan code written 0x... with up to maxDigits hex digits.
std::optional<long> HexCode(std::string_view name, size_t maxDigits) {
    if (name.size() <= 2 || name.size() > 2 + maxDigits || name[0] != '0' ||
        (name[1] != 'x' && name[1] != 'X'))
        return std::nullopt;
    const std::string digits(name.substr(2));
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }))
        return std::nullopt;
    return std::stol(digits, nullptr, 16);
}

std::optional<ScanCode> FindNamedKey(std::string_view name) {
    const auto& byName = KeyNames().byLowerName;
    const auto found = byName.find(Lower(name));
    if (found == byName.end()) return std::nullopt;
    return found->second;
}

}  // namespace

std::optional<ScanCode> FindJsonKey(std::string_view name) {
    if (const std::optional<long> s = HexCode(name, 3)) {
        if (!IsKeyScanCode(*s)) return std::nullopt;
        return static_cast<ScanCode>(*s);
    }
    return FindNamedKey(name);
}

std::optional<ScanCode> FindJsonStepKey(std::string_view name) {
    if (const std::optional<long> s = HexCode(name, 4)) return static_cast<ScanCode>(*s);
    return FindNamedKey(name);
}

}  // namespace quorvel
