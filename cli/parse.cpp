#include "cli/parse.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/texts.h"
#include "cli/cli_error.h"
#include "model/describe_assignment.h"
#include "model/key_table.h"

namespace quorvel::cli {
namespace {

constexpr uint32_t MACRO_MAX_DELAY_MS = 40000;

// The arrow keys carry arrow symbols as names; people type words.
struct KeyAlias {
    std::string_view name;
    ScanCode scanCode;
};
constexpr KeyAlias ARROW_ALIASES[] = {
    {"Up", 0x148}, {"Left", 0x14B}, {"Right", 0x14D}, {"Down", 0x150}};

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool InDefaultLayout(ScanCode s) {
    DefaultLayout layout = CurrentDefaultLayout();
    return std::any_of(layout.slots.begin(), layout.slots.end(),
                       [s](const FirmwareKeyEntry& e) { return SlotScanCode(e) == s; });
}

// Index of the entry of names whose text matches, or -1.
int FindName(std::string_view text, int count, std::string (*nameOf)(int)) {
    for (int i = 0; i < count; ++i)
        if (EqualsIgnoringCase(nameOf(i), text)) return i;
    return -1;
}

// The name when it leads back to the same entry (without a language file several share one
// text), the index otherwise.
std::string NameOrIndex(int index, int count, std::string (*nameOf)(int)) {
    std::string name = nameOf(index);
    if (name.empty() || FindName(name, count, nameOf) != index) return std::to_string(index);
    return name;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

int ParseNumber(std::string_view text, int low, int high, std::string_view what) {
    long value = -1;
    bool ok = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::string_view digits = text.substr(2);
        ok = digits.size() <= 6 && std::all_of(digits.begin(), digits.end(), [](char c) {
                 return std::isxdigit(static_cast<unsigned char>(c)) != 0;
             });
        if (ok) value = std::stol(std::string(digits), nullptr, 16);
    } else if (IsDigits(text) && text.size() <= 9) {
        ok = true;
        value = std::stol(std::string(text));
    }
    if (!ok || value < low || value > high)
        throw UsageError(std::string(what) + ": " + Quoted(text) + " is not a number from " +
                         std::to_string(low) + " to " + std::to_string(high));
    return static_cast<int>(value);
}

int ParseProfileNumber(std::string_view text) {
    return ParseNumber(text, 1, 3, "profile") - 1;
}

Colour ParseColour(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits[0] == '#') digits.remove_prefix(1);
    bool ok = digits.size() == 6 && std::all_of(digits.begin(), digits.end(), [](char c) {
                  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
              });
    if (!ok) throw UsageError("colour " + Quoted(text) + " is not RRGGBB (six hex digits)");
    unsigned long rgb = std::stoul(std::string(digits), nullptr, 16);
    return ColourOf(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                    static_cast<uint8_t>(rgb));
}

std::string FormatColour(Colour colour) {
    Rgb rgb = RgbOf(colour);
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", rgb.red, rgb.green, rgb.blue);
    return text;
}

std::optional<ScanCode> FindKey(std::string_view name) {
    if (name.size() > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
        int value = -1;
        try {
            value = ParseNumber(name, 1, 0x1FF, "scan code");
        } catch (const CliError&) {
            return std::nullopt;
        }
        ScanCode s = static_cast<ScanCode>(value);
        if (ScanCodeOf(KeyIndexOf(s)) != s) return std::nullopt;
        return s;
    }
    for (const KeyAlias& alias : ARROW_ALIASES)
        if (EqualsIgnoringCase(alias.name, name)) return alias.scanCode;
    std::optional<ScanCode> found;
    for (int row = 1; row < KEY_INFO_ROWS; ++row) {
        const KeyInfo& info = KeyInfoTable()[row];
        if (info.name.empty()) continue;
        ScanCode s = ScanCodeOf(static_cast<KeyIndex>(row));
        if (!EqualsIgnoringCase(KeyName(s), name)) continue;
        if (InDefaultLayout(s)) return s;
        if (!found) found = s;
    }
    return found;
}

std::string KeyDisplayName(ScanCode s) {
    for (const KeyAlias& alias : ARROW_ALIASES)
        if (alias.scanCode == s) return std::string(alias.name);
    return KeyName(s);
}

std::string KeySlot::Name() const {
    if (isGKey) return "G" + std::to_string(gNumber) + " (bank " + bank + ")";
    return KeyDisplayName(scanCode);
}

KeySlot ParseKeySlot(std::string_view text, char bank) {
    KeySlot slot;
    if (text.size() == 2 && (text[0] == 'G' || text[0] == 'g') && text[1] >= '1' &&
        text[1] <= '9') {
        slot.isGKey = true;
        slot.gNumber = text[1] - '0';
        slot.bank = bank;
        slot.entry = (bank == 'b' ? G_KEY_ENTRY_BANK_B : G_KEY_ENTRY_BANK_A) + slot.gNumber - 1;
        return slot;
    }
    std::optional<ScanCode> s = FindKey(text);
    if (!s) throw UsageError("no key named " + Quoted(text) + " (see quorvelctl names keys)");
    if (!InDefaultLayout(*s))
        throw UsageError("key " + Quoted(text) + " has no place in the keyboard's key table");
    slot.scanCode = *s;
    slot.entry = KeyIndexOf(*s);
    return slot;
}

std::optional<KeySlot> SlotOfEntry(int entry) {
    KeySlot slot;
    slot.entry = entry;
    if (entry >= G_KEY_ENTRY_BANK_A && entry < G_KEY_ENTRY_BANK_B + G_KEY_COUNT) {
        slot.isGKey = true;
        bool bankB = entry >= G_KEY_ENTRY_BANK_B;
        slot.bank = bankB ? 'b' : 'a';
        slot.gNumber = entry - (bankB ? G_KEY_ENTRY_BANK_B : G_KEY_ENTRY_BANK_A) + 1;
        return slot;
    }
    if (entry <= 0 || entry >= KEY_INFO_ROWS) return std::nullopt;
    slot.scanCode = ScanCodeOf(static_cast<KeyIndex>(entry));
    return slot;
}

std::string MediaName(int index) {
    std::string_view key = MediaNameKey(index);
    return key.empty() ? std::string() : Text(key);
}

std::string FunctionName(int index) {
    std::string key = KeyboardFunctionNameKey(index);
    return key.empty() ? std::string() : Text(key);
}

AssignmentSpec ParseAssignmentSpec(std::string_view text) {
    AssignmentSpec parsed;
    KeyAssignment& a = parsed.assignment;
    size_t colon = text.find(':');
    std::string_view kind = text.substr(0, colon);
    std::string_view argument = colon == std::string_view::npos ? "" : text.substr(colon + 1);
    bool needsArgument = true;
    if (EqualsIgnoringCase(kind, "default")) {
        a.type = ASSIGN_DEFAULT;
        needsArgument = false;
    } else if (EqualsIgnoringCase(kind, "disable")) {
        a.type = ASSIGN_DISABLED;
        needsArgument = false;
    } else if (EqualsIgnoringCase(kind, "stop-macro")) {
        a.type = ASSIGN_STOP_MACRO;
        needsArgument = false;
    } else if (EqualsIgnoringCase(kind, "key")) {
        std::optional<ScanCode> s = FindKey(argument);
        if (!s)
            throw UsageError("no key named " + Quoted(argument) + " (see quorvelctl names keys)");
        a.type = ASSIGN_KEY;
        a.value = *s;
    } else if (EqualsIgnoringCase(kind, "macro")) {
        size_t times = argument.find_first_of("xX");
        a.type = ASSIGN_MACRO;
        a.value = ParseNumber(argument.substr(0, times), MACRO_MIN_ID, MACRO_MAX_ID, "macro id");
        if (times != std::string_view::npos)
            parsed.cycles = ParseNumber(argument.substr(times + 1), 1, 255, "macro cycles");
    } else if (EqualsIgnoringCase(kind, "media")) {
        a.type = ASSIGN_MEDIA;
        a.value = IsDigits(argument) ? ParseNumber(argument, 0, MEDIA_COUNT - 1, "media index")
                                     : FindName(argument, MEDIA_COUNT, MediaName);
        if (a.value < 0)
            throw UsageError("no media function named " + Quoted(argument) +
                             " (see quorvelctl names media)");
    } else if (EqualsIgnoringCase(kind, "function")) {
        a.type = ASSIGN_FUNCTION;
        a.value = IsDigits(argument)
                      ? ParseNumber(argument, 0, KEYBOARD_FUNCTION_COUNT - 1, "function index")
                      : FindName(argument, KEYBOARD_FUNCTION_COUNT, FunctionName);
        if (a.value < 0)
            throw UsageError("no keyboard function named " + Quoted(argument) +
                             " (see quorvelctl names functions)");
    } else {
        throw UsageError("assignment " + Quoted(text) +
                         " is not one of default, disable, stop-macro, key:NAME, "
                         "macro:ID[xCYCLES], media:INDEX|NAME, function:INDEX|NAME");
    }
    if (!needsArgument && colon != std::string_view::npos)
        throw UsageError("assignment " + Quoted(text) + " takes no argument");
    return parsed;
}

std::string FormatAssignment(const KeyAssignment& a) {
    switch (a.type) {
        case ASSIGN_DEFAULT:
            return "default";
        case ASSIGN_DISABLED:
            return "disable";
        case ASSIGN_KEY:
            return "key:" + KeyDisplayName(static_cast<ScanCode>(a.value));
        case ASSIGN_PROGRAM:
            return "program";
        case ASSIGN_MACRO:
            return "macro:" + std::to_string(a.value);
        case ASSIGN_STOP_MACRO:
            return "stop-macro";
        case ASSIGN_TEXT:
            return "text";
        case ASSIGN_MEDIA:
            return "media:" + NameOrIndex(a.value, MEDIA_COUNT, MediaName);
        case ASSIGN_FUNCTION:
            return "function:" + NameOrIndex(a.value, KEYBOARD_FUNCTION_COUNT, FunctionName);
        default:
            return "type" + std::to_string(a.type);
    }
}

std::vector<MacroAction> ParseMacroSteps(std::span<const std::string> words) {
    std::vector<MacroAction> actions;
    bool delaySet = false;
    for (const std::string& word : words) {
        if (IsDigits(word)) {
            if (actions.empty())
                throw UsageError("macro step " + Quoted(word) + ": a pause must follow a key step");
            if (delaySet) throw UsageError("macro step " + Quoted(word) + ": two pauses in a row");
            actions.back().delayMs = static_cast<uint32_t>(
                ParseNumber(word, 0, static_cast<int>(MACRO_MAX_DELAY_MS), "pause in ms"));
            delaySet = true;
            continue;
        }
        char sign = word.empty() ? '\0' : word.back();
        if (word.size() < 2 || (sign != '+' && sign != '-'))
            throw UsageError("macro step " + Quoted(word) +
                             " is not KEY+ (press), KEY- (release) or a pause in ms");
        std::string_view name(word.data(), word.size() - 1);
        std::optional<ScanCode> s = FindKey(name);
        if (!s) throw UsageError("macro step " + Quoted(word) + ": no key named " + Quoted(name));
        if (ToHidUsage(*s).page == HID_PAGE_NONE)
            throw UsageError("macro step " + Quoted(word) + ": the keyboard cannot play " +
                             Quoted(name) + " in a macro");
        if (static_cast<int>(actions.size()) == MACRO_MAX_ACTIONS)
            throw UsageError("a macro holds at most " + std::to_string(MACRO_MAX_ACTIONS) +
                             " steps");
        actions.push_back(
            MakeMacroAction(0, *s, sign == '+' ? MACRO_STATE_PRESS : MACRO_STATE_RELEASE));
        delaySet = false;
    }
    return actions;
}

std::vector<std::string> FormatMacroSteps(std::span<const MacroAction> actions) {
    std::vector<std::string> words;
    for (const MacroAction& a : actions) {
        words.push_back(KeyDisplayName(a.key) + (a.state == MACRO_STATE_RELEASE ? "-" : "+"));
        words.push_back(std::to_string(a.delayMs));
    }
    return words;
}

}  // namespace quorvel::cli
