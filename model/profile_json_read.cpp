// Reading a profile document: every value is checked, and the first fault refuses the whole
// document with the JSON Pointer of the value and the reason.
#include <algorithm>
#include <bitset>
#include <cctype>
#include <limits>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "base/ini_file.h"
#include "base/utf16.h"
#include "model/profile_json.h"
#include "model/profile_json_internal.h"

namespace quorvel {
namespace {

using profile_json::Child;
using profile_json::DerivedEntry;
using profile_json::FN_NAME;
using profile_json::FUNCTION_NAMES;
using profile_json::Json;
using profile_json::Lower;
using profile_json::MEDIA_NAMES;

// Thrown inside the reader; the public function turns it into its result.
struct Refusal {
    ProfileJsonError error;
};

// At most about max bytes of text, never ending inside a UTF-8 sequence.
std::string Cut(std::string_view text, size_t max) {
    if (text.size() <= max) return std::string(text);
    size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end)) + "...";
}

// A path names keys of the document, which may be of any length.
[[noreturn]] void Refuse(const std::string& path, std::string message) {
    throw Refusal{{Cut(path, 3 * PROFILE_JSON_QUOTE_MAX), std::move(message)}};
}

// Thrown by the parser callback at the first value nested too deep.
struct TooDeep {};

// Untrusted text in a refusal: quoted, and cut so a huge value never makes a huge message.
std::string Quoted(std::string_view text) {
    return "\"" + Cut(text, PROFILE_JSON_QUOTE_MAX) + "\"";
}

// A value in a refusal: scalars as written, containers by their type only (printing one whole
// would recurse through all of its levels).
std::string Describe(const Json& value) {
    if (value.is_object()) return "an object";
    if (value.is_array()) return "an array";
    if (value.is_string()) return Quoted(value.get_ref<const std::string&>());
    return value.dump();
}

bool IsRgbText(const std::string& text) {
    return text.size() == 6 && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
}

Rgb RgbOf(const std::string& text) {
    const unsigned long rgb = std::stoul(text, nullptr, 16);
    return Rgb{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
               static_cast<uint8_t>(rgb)};
}

// Checked access to one JSON object: every key must be one the reader asks for.
class ObjectReader {
public:
    ObjectReader(const Json& json, std::string path, std::initializer_list<std::string_view> keys)
        : json_(json), path_(std::move(path)) {
        if (!json_.is_object()) Refuse(path_, "must be an object");
        for (const auto& item : json_.items()) {
            if (std::find(keys.begin(), keys.end(), item.key()) == keys.end())
                Refuse(Child(path_, item.key()), "unknown key");
        }
    }

    const std::string& Path() const { return path_; }
    bool Has(std::string_view key) const { return json_.contains(key); }
    std::string PathOf(std::string_view key) const { return Child(path_, key); }

    const Json& Required(std::string_view key) const {
        if (!json_.contains(key)) Refuse(path_, "missing key \"" + std::string(key) + "\"");
        return json_.at(std::string(key));
    }

    int64_t Integer(std::string_view key, int64_t low, int64_t high) const {
        return ReadInteger(Required(key), PathOf(key), low, high);
    }
    bool Boolean(std::string_view key) const {
        const Json& value = Required(key);
        if (!value.is_boolean()) Refuse(PathOf(key), "must be true or false");
        return value.get<bool>();
    }
    std::string String(std::string_view key) const {
        return ReadString(Required(key), PathOf(key));
    }
    Rgb Colour(std::string_view key) const { return ReadRgb(Required(key), PathOf(key)); }

    static int64_t ReadInteger(const Json& value, const std::string& path, int64_t low,
                               int64_t high) {
        bool ok = value.is_number_integer();
        if (ok && value.is_number_unsigned()) {
            const uint64_t u = value.get<uint64_t>();
            ok = u <= static_cast<uint64_t>(high) && (low <= 0 || u >= static_cast<uint64_t>(low));
        } else if (ok) {
            const int64_t v = value.get<int64_t>();
            ok = v >= low && v <= high;
        }
        if (!ok)
            Refuse(path, Describe(value) + " is not a whole number from " + std::to_string(low) +
                             " to " + std::to_string(high));
        return value.get<int64_t>();
    }
    static std::string ReadString(const Json& value, const std::string& path) {
        if (!value.is_string()) Refuse(path, "must be a string");
        return value.get<std::string>();
    }
    static Rgb ReadRgb(const Json& value, const std::string& path) {
        const std::string text = ReadString(value, path);
        if (!IsRgbText(text))
            Refuse(path, Quoted(text) + " is not a colour RRGGBB (six hex digits)");
        return RgbOf(text);
    }
    // As ReadRgb, making the path only for a refusal: user modes hold thousands of colours.
    template <typename PathOf>
    static Rgb ReadRgbAt(const Json& value, const PathOf& path) {
        if (value.is_string() && IsRgbText(value.get_ref<const std::string&>()))
            return RgbOf(value.get_ref<const std::string&>());
        return ReadRgb(value, path());
    }

private:
    const Json& json_;
    std::string path_;
};

std::u16string CheckedText(const std::string& utf8, size_t maxUnits, const std::string& path,
                           std::string_view what) {
    std::u16string text = ToUtf16(utf8);
    if (text.size() > maxUnits)
        Refuse(path,
               std::string(what) + " is longer than " + std::to_string(maxUnits) + " characters");
    return text;
}

ScanCode CheckedKey(std::string_view name, const std::string& path) {
    std::optional<ScanCode> s = FindJsonKey(name);
    if (!s) Refuse(path, "no key named " + Quoted(name));
    return *s;
}

int NameIndex(std::string_view argument, std::span<const std::string_view> names,
              const std::string& path, std::string_view what) {
    for (size_t i = 0; i < names.size(); ++i)
        if (Lower(names[i]) == Lower(argument)) return static_cast<int>(i);
    const bool digits =
        !argument.empty() && argument.size() <= 3 &&
        std::all_of(argument.begin(), argument.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits) {
        const int index = std::stoi(std::string(argument));
        if (index < static_cast<int>(names.size())) return index;
    }
    Refuse(path, "no " + std::string(what) + " named " + Quoted(argument));
}

struct ParsedWords {
    int16_t type = ASSIGN_DEFAULT;
    int32_t value = 0;
    bool cyclesCopy = false;  // macro:IDxN
    std::optional<std::u16string> text;
};

ParsedWords ParseWords(const Json& json, const std::string& path, const MacroList& macros) {
    const std::string words = ObjectReader::ReadString(json, path);
    const size_t colon = words.find(':');
    const std::string kind = Lower(words.substr(0, colon));
    const std::string argument = colon == std::string::npos ? "" : words.substr(colon + 1);
    ParsedWords parsed;
    if (colon == std::string::npos) {
        if (kind == "default")
            parsed.type = ASSIGN_DEFAULT;
        else if (kind == "disable")
            parsed.type = ASSIGN_DISABLED;
        else if (kind == "stop-macro")
            parsed.type = ASSIGN_STOP_MACRO;
        else
            Refuse(path, Quoted(words) +
                             " is not default, disable, stop-macro, key:NAME, macro:ID, "
                             "media:NAME, function:NAME, program:PATH or text:TEXT");
        return parsed;
    }
    if (kind == "key") {
        parsed.type = ASSIGN_KEY;
        parsed.value = CheckedKey(argument, path);
    } else if (kind == "macro") {
        parsed.type = ASSIGN_MACRO;
        const size_t times = argument.find_first_of("xX");
        const std::string id = argument.substr(0, times);
        const std::string cycles = times == std::string::npos ? "" : argument.substr(times + 1);
        const auto isNumber = [](const std::string& text) {
            return !text.empty() && text.size() <= 3 &&
                   std::all_of(text.begin(), text.end(),
                               [](char c) { return c >= '0' && c <= '9'; });
        };
        if (!isNumber(id) || (times != std::string::npos && !isNumber(cycles)))
            Refuse(path, Quoted(words) + " is not macro:ID or macro:IDxCYCLES");
        parsed.value = std::stoi(id);
        const MacroRecord* macro = macros.FindId(parsed.value);
        if (!macro) Refuse(path, Quoted(words) + ": no macro with id " + id + " in /macros");
        if (times != std::string::npos) {
            // The key only keeps a copy; how often the macro plays is the macro's own field.
            if (std::stoi(cycles) != macro->cycles)
                Refuse(path, Quoted(words) + ": macro " + id + " plays " +
                                 std::to_string(macro->cycles) +
                                 " times (cycles belong to the macro in /macros)");
            parsed.cyclesCopy = true;
        }
    } else if (kind == "media") {
        parsed.type = ASSIGN_MEDIA;
        parsed.value = NameIndex(argument, MEDIA_NAMES, path, "media function");
    } else if (kind == "function") {
        parsed.type = ASSIGN_FUNCTION;
        parsed.value = NameIndex(argument, FUNCTION_NAMES, path, "keyboard function");
    } else if (kind == "program" || kind == "text") {
        parsed.type = kind == "program" ? ASSIGN_PROGRAM : ASSIGN_TEXT;
        parsed.text = CheckedText(argument, PROFILE_JSON_TEXT_MAX_UNITS, path, "the " + kind);
    } else {
        Refuse(path, Quoted(words) + ": unknown kind of assignment " + Quoted(kind));
    }
    return parsed;
}

LightingParams ReadLighting(const ObjectReader& r) {
    LightingParams p;
    {
        ObjectReader mode(r.Required("mode"), r.PathOf("mode"), {"id", "name"});
        // Any byte: whether the keyboard offers the mode is checked against the keyboard.
        p.mode = static_cast<uint8_t>(mode.Integer("id", 0, 255));
        if (mode.Has("name")) mode.String("name");  // shown for people; the id decides
    }
    p.brightness = static_cast<uint8_t>(r.Integer("brightness", 0, SLIDER_MAX));
    p.speed = static_cast<uint8_t>(SLIDER_MAX - r.Integer("speed", 0, SLIDER_MAX));
    p.direction = static_cast<uint8_t>(r.Integer("direction", 0, 1));
    p.colourful = r.Boolean("colourful") ? 1 : 0;
    p.colour = r.Colour("colour");
    p.baseColour = r.Colour("baseColour");
    p.preset = static_cast<uint8_t>(r.Integer("preset", 0, PRESET_COUNT - 1));
    p.reportRate = static_cast<uint8_t>(r.Integer("reportRate", 0, REPORT_RATE_MAX));
    p.secondColourfulLook = static_cast<uint8_t>(r.Integer("secondColourfulLook", 0, 1));
    p.trigger = r.Boolean("gridTrigger") ? 1 : 0;
    p.secondColour = r.Colour("secondColour");
    p.secondColourOn = r.Boolean("secondColourOn") ? 1 : 0;
    p.thirdColour = r.Colour("thirdColour");
    p.thirdColourOn = r.Boolean("thirdColourOn") ? 1 : 0;
    return p;
}

// path() is called only for a refusal.
template <typename PathOf>
int UserColourPosition(std::string_view name, const PathOf& path) {
    if (Lower(name) == Lower(FN_NAME)) return MATRIX_FN_POSITION;
    const std::optional<ScanCode> s = FindJsonKey(name);
    const int position = s ? MatrixPositionOf(*s) : -1;
    if (position < 0) {
        if (!s) CheckedKey(name, path());  // refuses: no key has that name
        Refuse(path(), Quoted(name) + " is not a key of the keyboard map");
    }
    return position;
}

UserColourSet ReadUserModes(const ObjectReader& r) {
    UserColourSet set;
    set.currentMode = static_cast<int>(r.Integer("currentIndex", 0, USER_MODE_COUNT - 1));
    const Json& modes = r.Required("modes");
    const std::string modesPath = r.PathOf("modes");
    if (!modes.is_array() || modes.size() != USER_MODE_COUNT)
        Refuse(modesPath, "must be an array of " + std::to_string(USER_MODE_COUNT) + " user modes");
    for (size_t k = 0; k < modes.size(); ++k) {
        ObjectReader m(modes[k], Child(modesPath, k),
                       {"name", "tool", "baseColour", "userColour", "colours", "baseColourKeys"});
        UserModeColours& colours = set.modes[k];
        const std::string name = m.String("name");
        if (name.find_first_of("\r\n") != std::string::npos)
            Refuse(m.PathOf("name"), "a user mode name is one line");
        CheckedText(name, INI_VALUE_MAX_UNITS, m.PathOf("name"), "the name");
        colours.name = name;
        colours.tool = static_cast<int>(m.Integer("tool", TOOL_USER_COLOUR, TOOL_BASE_COLOUR));
        colours.baseColour = ColourOf(m.Colour("baseColour"));
        colours.userColour = ColourOf(m.Colour("userColour"));
        for (KeyColourEntry& entry : colours.keys) entry = KeyColourEntry{COLOUR_RED, 0};
        if (m.Has("colours")) {
            const Json& keys = m.Required("colours");
            if (!keys.is_object()) Refuse(m.PathOf("colours"), "must be an object");
            const std::string coloursPath = m.PathOf("colours");
            std::bitset<KEY_COLOUR_POSITIONS> seen;
            for (const auto& item : keys.items()) {
                const auto path = [&] { return Child(coloursPath, item.key()); };
                const int position = UserColourPosition(item.key(), path);
                if (seen.test(static_cast<size_t>(position)))
                    Refuse(path(), "the key is named twice");
                seen.set(static_cast<size_t>(position));
                colours.keys[static_cast<size_t>(position)].colour =
                    ColourOf(ObjectReader::ReadRgbAt(item.value(), path));
            }
        }
        if (m.Has("baseColourKeys")) {
            const Json& marked = m.Required("baseColourKeys");
            if (!marked.is_array()) Refuse(m.PathOf("baseColourKeys"), "must be an array");
            for (size_t i = 0; i < marked.size(); ++i) {
                const std::string path = Child(m.PathOf("baseColourKeys"), i);
                const int position = UserColourPosition(ObjectReader::ReadString(marked[i], path),
                                                        [&path] { return path; });
                colours.keys[static_cast<size_t>(position)].mark = 1;
            }
        }
    }
    return set;
}

std::vector<MacroAction> ReadSteps(const Json& steps, const std::string& path) {
    if (!steps.is_array()) Refuse(path, "must be an array of steps (\"KEY+\", \"KEY-\", pauses)");
    std::vector<MacroAction> actions;
    bool pauseSet = false;
    for (size_t i = 0; i < steps.size(); ++i) {
        const std::string stepPath = Child(path, i);
        const Json& step = steps[i];
        if (step.is_number()) {
            if (actions.empty()) Refuse(stepPath, "a pause must follow a key step");
            if (pauseSet) Refuse(stepPath, "two pauses in a row");
            actions.back().delayMs = static_cast<uint32_t>(
                ObjectReader::ReadInteger(step, stepPath, 0, PROFILE_JSON_MAX_DELAY_MS));
            pauseSet = true;
            continue;
        }
        const std::string word = ObjectReader::ReadString(step, stepPath);
        const char sign = word.empty() ? '\0' : word.back();
        if (word.size() < 2 || (sign != '+' && sign != '-'))
            Refuse(stepPath, Quoted(word) + " is not KEY+ (press), KEY- (release) or a pause");
        if (static_cast<int>(actions.size()) == MACRO_MAX_ACTIONS)
            Refuse(stepPath,
                   "a macro holds at most " + std::to_string(MACRO_MAX_ACTIONS) + " steps");
        const std::string_view name = std::string_view(word).substr(0, word.size() - 1);
        const std::optional<ScanCode> key = FindJsonStepKey(name);
        if (!key) Refuse(stepPath, "no key named " + Quoted(name));
        actions.push_back(
            MakeMacroAction(0, *key, sign == '+' ? MACRO_STATE_PRESS : MACRO_STATE_RELEASE));
        pauseSet = false;
    }
    return actions;
}

MacroList ReadMacros(const Json& json, const std::string& path) {
    if (!json.is_array()) Refuse(path, "must be an array of macros");
    if (json.size() > static_cast<size_t>(MACRO_LIST_MAX))
        Refuse(path, "the keyboard holds at most " + std::to_string(MACRO_LIST_MAX) +
                         " macros, not " + std::to_string(json.size()));
    std::vector<MacroRecord> records;
    std::set<int> ids;
    for (size_t k = 0; k < json.size(); ++k) {
        ObjectReader r(json[k], Child(path, k), {"id", "name", "cycles", "reserved", "steps"});
        MacroRecord record;
        record.id = static_cast<uint16_t>(r.Integer("id", MACRO_MIN_ID, MACRO_MAX_ID));
        if (!ids.insert(record.id).second)
            Refuse(r.PathOf("id"), "id " + std::to_string(record.id) + " is used twice");
        record.SetName(
            CheckedText(r.String("name"), MACRO_NAME_MAX_UNITS, r.PathOf("name"), "the name"));
        // 0 is what a keyboard may hold; it plays the macro as the firmware decides.
        record.cycles = static_cast<uint8_t>(r.Integer("cycles", 0, 255));
        if (r.Has("reserved"))
            record.reserved = static_cast<uint16_t>(r.Integer("reserved", 0, 0xFFFF));
        record.actions = ReadSteps(r.Required("steps"), r.PathOf("steps"));
        records.push_back(std::move(record));
    }
    MacroList list;
    list.Replace(std::move(records));
    return list;
}

// Sets the entry from words, refusing an entry named twice.
void StoreWords(WorkingSetData& data, std::set<std::pair<int, int>>& named, int area, int entry,
                const ParsedWords& words, const std::string& path) {
    if (!named.insert({area, entry}).second) Refuse(path, "the key is named twice");
    data.keyAreas[static_cast<size_t>(area)][static_cast<size_t>(entry)] =
        DerivedEntry(area, entry, words.type, words.value, data.macros, words.cyclesCopy);
    data.texts.Set(WorkingSetEntryIndex(area, entry),
                   words.text ? std::optional<std::u16string_view>(*words.text) : std::nullopt);
}

void ReadProfileKeys(const ObjectReader& r, int area, WorkingSetData& data,
                     std::set<std::pair<int, int>>& named) {
    if (r.Has("keys")) {
        const Json& keys = r.Required("keys");
        if (!keys.is_object()) Refuse(r.PathOf("keys"), "must be an object of KEY: ASSIGNMENT");
        for (const auto& item : keys.items()) {
            const std::string path = Child(r.PathOf("keys"), item.key());
            const int entry = KeyIndexOf(CheckedKey(item.key(), path));
            StoreWords(data, named, area, entry, ParseWords(item.value(), path, data.macros), path);
        }
    }
    if (r.Has("gKeys")) {
        ObjectReader banks(r.Required("gKeys"), r.PathOf("gKeys"), {"a", "b"});
        for (std::string_view bank : {"a", "b"}) {
            if (!banks.Has(bank)) continue;
            const Json& keys = banks.Required(bank);
            if (!keys.is_object()) Refuse(banks.PathOf(bank), "must be an object of G1-G9");
            for (const auto& item : keys.items()) {
                const std::string path = Child(banks.PathOf(bank), item.key());
                const std::string name = Lower(item.key());
                if (name.size() != 2 || name[0] != 'g' || name[1] < '1' || name[1] > '9')
                    Refuse(path, "G keys are G1 to G9");
                const int entry =
                    (bank == "a" ? G_KEY_ENTRY_BANK_A : G_KEY_ENTRY_BANK_B) + (name[1] - '1');
                StoreWords(data, named, area, entry, ParseWords(item.value(), path, data.macros),
                           path);
            }
        }
    }
}

void ReadRawEntries(const Json& json, const std::string& path, WorkingSetData& data,
                    std::set<std::pair<int, int>>& named) {
    if (!json.is_array()) Refuse(path, "must be an array");
    for (size_t k = 0; k < json.size(); ++k) {
        ObjectReader r(
            json[k], Child(path, k),
            {"profileIndex", "entry", "type", "value", "aux", "colourFlag", "reserved", "text"});
        const int area = static_cast<int>(r.Integer("profileIndex", 0, KEY_AREA_COUNT - 1));
        const int entry = static_cast<int>(r.Integer("entry", 0, KEY_AREA_ENTRIES - 1));
        if (!named.insert({area, entry}).second)
            Refuse(r.Path(), "entry " + std::to_string(entry) + " of profile index " +
                                 std::to_string(area) + " is given twice");
        KeyAssignment a;
        a.type = static_cast<int16_t>(r.Integer("type", std::numeric_limits<int16_t>::min(),
                                                std::numeric_limits<int16_t>::max()));
        a.value = static_cast<int32_t>(r.Integer("value", std::numeric_limits<int32_t>::min(),
                                                 std::numeric_limits<int32_t>::max()));
        a.aux = static_cast<uint16_t>(r.Integer("aux", 0, 0xFFFF));
        a.colourFlag = static_cast<uint32_t>(r.Integer("colourFlag", 0, 0xFFFFFFFFLL));
        a.reserved = static_cast<uint32_t>(r.Integer("reserved", 0, 0xFFFFFFFFLL));
        std::optional<std::u16string> text;
        if (r.Has("text")) {
            if (a.type != ASSIGN_PROGRAM && a.type != ASSIGN_TEXT)
                Refuse(r.PathOf("text"), "only program (3) and text (6) entries carry a text");
            text = CheckedText(r.String("text"), PROFILE_JSON_TEXT_MAX_UNITS, r.PathOf("text"),
                               "the text");
            a.value = 0;
        }
        data.keyAreas[static_cast<size_t>(area)][static_cast<size_t>(entry)] = a;
        data.texts.Set(WorkingSetEntryIndex(area, entry),
                       text ? std::optional<std::u16string_view>(*text) : std::nullopt);
    }
}

ProfileDocument ReadDocument(const Json& json) {
    ObjectReader top(json, "", {"format", "version", "profiles", "macros", "rawEntries"});
    if (top.String("format") != PROFILE_JSON_FORMAT)
        Refuse(top.PathOf("format"), "must be \"" + std::string(PROFILE_JSON_FORMAT) + "\"");
    top.Integer("version", PROFILE_JSON_VERSION, PROFILE_JSON_VERSION);

    ProfileDocument document;
    WorkingSetData& data = document.data;
    for (int area = 0; area < KEY_AREA_COUNT; ++area)
        data.keyAreas[static_cast<size_t>(area)] =
            area < ONBOARD_PROFILE_COUNT ? FreshKeyArea() : KeyArea{};
    // Macros first: the keys name them.
    data.macros = ReadMacros(top.Required("macros"), top.PathOf("macros"));

    const Json& profiles = top.Required("profiles");
    if (!profiles.is_array() || profiles.size() != ONBOARD_PROFILE_COUNT)
        Refuse(top.PathOf("profiles"), "must be an array of the 3 on-board profiles");
    std::set<std::pair<int, int>> named;
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        ObjectReader r(profiles[static_cast<size_t>(p)],
                       Child(top.PathOf("profiles"), static_cast<size_t>(p)),
                       {"keys", "gKeys", "lighting"});
        ReadProfileKeys(r, p, data, named);
        ObjectReader lighting(
            r.Required("lighting"), r.PathOf("lighting"),
            {"mode", "brightness", "speed", "direction", "colourful", "colour", "baseColour",
             "preset", "reportRate", "secondColourfulLook", "gridTrigger", "secondColour",
             "secondColourOn", "thirdColour", "thirdColourOn", "userModes"});
        ProfileLighting& target = document.lighting[static_cast<size_t>(p)];
        target.params = ReadLighting(lighting);
        ObjectReader userModes(lighting.Required("userModes"), lighting.PathOf("userModes"),
                               {"currentIndex", "modes"});
        target.userColours = ReadUserModes(userModes);
    }
    if (top.Has("rawEntries"))
        ReadRawEntries(top.Required("rawEntries"), top.PathOf("rawEntries"), data, named);
    return document;
}

}  // namespace

std::string ProfileJsonError::Text() const {
    return path.empty() ? message : path + ": " + message;
}

std::variant<ProfileDocument, ProfileJsonError> ReadProfileJson(std::string_view text) {
    Json json;
    const Json::parser_callback_t depthCheck = [](int depth, Json::parse_event_t event, Json&) {
        if ((event == Json::parse_event_t::object_start ||
             event == Json::parse_event_t::array_start) &&
            depth >= PROFILE_JSON_MAX_DEPTH)
            throw TooDeep{};
        return true;
    };
    try {
        json = Json::parse(text.begin(), text.end(), depthCheck);
    } catch (const TooDeep&) {
        return ProfileJsonError{"", "not a profile document: nested more than " +
                                        std::to_string(PROFILE_JSON_MAX_DEPTH) + " levels deep"};
    } catch (const Json::parse_error& error) {
        // The library's message names the line and column, and quotes the last token read,
        // which may be as long as the file.
        std::string message = error.what();
        if (const size_t at = message.find("parse error"); at != std::string::npos)
            message = message.substr(at);
        return ProfileJsonError{"", "not JSON: " + Cut(message, 2 * PROFILE_JSON_QUOTE_MAX)};
    }
    try {
        return ReadDocument(json);
    } catch (const Refusal& refusal) {
        return refusal.error;
    }
}

bool LooksLikeJsonDocument(std::span<const uint8_t> bytes) {
    size_t at = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) at = 3;
    while (at < bytes.size() &&
           (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n'))
        ++at;
    return at < bytes.size() && bytes[at] == '{';
}

}  // namespace quorvel
