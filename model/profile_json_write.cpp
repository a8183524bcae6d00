// Writing a profile document: the words of each key-area entry that has them, raw entries for
// the rest, each profile's lighting record and user colour modes, and the macros.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "base/utf16.h"
#include "model/profile_json.h"
#include "model/profile_json_internal.h"

namespace quorvel {
namespace {

using profile_json::DerivedEntry;
using profile_json::FN_NAME;
using profile_json::IsGKeyEntry;
using profile_json::IsKeyScanCode;
using profile_json::Json;

// Entries the words of "keys" and "gKeys" reach.
bool IsNamedEntry(int area, int entry) {
    return area < ONBOARD_PROFILE_COUNT && entry >= 1 && entry < G_KEY_ENTRY_BANK_B + G_KEY_COUNT;
}

// Equal but for the text offset of program and text keys, which packing sets.
bool SameEntry(const KeyAssignment& a, const KeyAssignment& b) {
    const bool hasText = a.type == ASSIGN_PROGRAM || a.type == ASSIGN_TEXT;
    return a.type == b.type && a.aux == b.aux && a.colourFlag == b.colourFlag &&
           a.reserved == b.reserved && (hasText || a.value == b.value);
}

// The words of an assignment, when they say all of it.
std::optional<std::string> AssignmentWords(const KeyAssignment& a, const std::u16string* text,
                                           const MacroList& macros) {
    switch (a.type) {
        case ASSIGN_DEFAULT:
            return a.value == 0 ? std::optional<std::string>("default") : std::nullopt;
        case ASSIGN_DISABLED:
            return a.value == 0 ? std::optional<std::string>("disable") : std::nullopt;
        case ASSIGN_STOP_MACRO:
            return a.value == 0 ? std::optional<std::string>("stop-macro") : std::nullopt;
        case ASSIGN_KEY:
            if (!IsKeyScanCode(a.value)) return std::nullopt;
            return "key:" + JsonKeyName(static_cast<ScanCode>(a.value));
        case ASSIGN_PROGRAM:
            if (!text) return std::nullopt;
            return "program:" + ToUtf8(*text);
        case ASSIGN_TEXT:
            if (!text) return std::nullopt;
            return "text:" + ToUtf8(*text);
        case ASSIGN_MACRO: {
            const MacroRecord* macro = macros.FindId(a.value);
            if (!macro) return std::nullopt;
            std::string words = "macro:" + std::to_string(a.value);
            return a.aux == macro->cycles && macro->cycles != 0
                       ? words + "x" + std::to_string(macro->cycles)
                       : words;
        }
        case ASSIGN_MEDIA:
            if (a.value < 0 || a.value >= MEDIA_COUNT) return std::nullopt;
            return "media:" + std::string(JsonMediaName(a.value));
        case ASSIGN_FUNCTION:
            if (a.value < 0 || a.value >= KEYBOARD_FUNCTION_COUNT) return std::nullopt;
            return "function:" + std::string(JsonFunctionName(a.value));
        default:
            return std::nullopt;
    }
}

std::string FormatRgbHex(Rgb rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", rgb.red, rgb.green, rgb.blue);
    return text;
}

std::string FormatColourHex(Colour colour) {
    return FormatRgbHex(RgbOf(colour));
}

int Clamp(int value, int high) {
    return std::min(value, high);
}

Json LightingJson(const ProfileLighting& lighting, const ModeNameOf& modeName) {
    const LightingParams& p = lighting.params;
    Json json;
    Json mode;
    mode["id"] = p.mode;
    mode["name"] = modeName ? modeName(p.mode) : std::string();
    json["mode"] = std::move(mode);
    json["brightness"] = Clamp(p.brightness, SLIDER_MAX);
    json["speed"] = SLIDER_MAX - Clamp(p.speed, SLIDER_MAX);
    json["direction"] = p.direction != 0 ? 1 : 0;
    json["colourful"] = p.colourful != 0;
    json["colour"] = FormatRgbHex(p.colour);
    json["baseColour"] = FormatRgbHex(p.baseColour);
    json["preset"] = Clamp(p.preset, PRESET_COUNT - 1);
    json["reportRate"] = Clamp(p.reportRate, REPORT_RATE_MAX);
    json["secondColourfulLook"] = p.secondColourfulLook != 0 ? 1 : 0;
    json["gridTrigger"] = p.trigger != 0;
    json["secondColour"] = FormatRgbHex(p.secondColour);
    json["secondColourOn"] = p.secondColourOn != 0;
    json["thirdColour"] = FormatRgbHex(p.thirdColour);
    json["thirdColourOn"] = p.thirdColourOn != 0;

    const UserColourSet& set = lighting.userColours;
    Json userModes;
    userModes["currentIndex"] = set.currentMode;
    Json modes = Json::array();
    for (const UserModeColours& m : set.modes) {
        Json mode;
        mode["name"] = m.name;
        mode["tool"] = m.tool;
        mode["baseColour"] = FormatColourHex(m.baseColour);
        mode["userColour"] = FormatColourHex(m.userColour);
        Json colours = Json::object();
        Json marked = Json::array();
        for (const MatrixKey& key : MatrixKeys()) {
            const KeyColourEntry& entry = m.keys[static_cast<size_t>(key.position)];
            colours[JsonKeyName(key.scanCode)] = FormatColourHex(entry.colour);
            if (entry.mark != 0) marked.push_back(JsonKeyName(key.scanCode));
        }
        const KeyColourEntry& fn = m.keys[static_cast<size_t>(MATRIX_FN_POSITION)];
        colours[std::string(FN_NAME)] = FormatColourHex(fn.colour);
        if (fn.mark != 0) marked.push_back(std::string(FN_NAME));
        mode["colours"] = std::move(colours);
        mode["baseColourKeys"] = std::move(marked);
        modes.push_back(std::move(mode));
    }
    userModes["modes"] = std::move(modes);
    json["userModes"] = std::move(userModes);
    return json;
}

Json MacroJson(const MacroRecord& record) {
    Json json;
    json["id"] = record.id;
    json["name"] = ToUtf8(record.Name());
    json["cycles"] = record.cycles;
    if (record.reserved != 0) json["reserved"] = record.reserved;
    Json steps = Json::array();
    for (const MacroAction& a : record.actions) {
        steps.push_back(JsonKeyName(a.key) + (a.state == MACRO_STATE_RELEASE ? "-" : "+"));
        steps.push_back(a.delayMs);
    }
    json["steps"] = std::move(steps);
    return json;
}

}  // namespace

std::string WriteProfileJson(const ProfileDocument& document, const ModeNameOf& modeName) {
    const WorkingSetData& data = document.data;
    Json json;
    json["format"] = PROFILE_JSON_FORMAT;
    json["version"] = PROFILE_JSON_VERSION;
    Json profiles = Json::array();
    Json raw = Json::array();
    for (int area = 0; area < KEY_AREA_COUNT; ++area) {
        Json keys = Json::object();
        Json banks = Json::object();
        for (int entry = 0; entry < KEY_AREA_ENTRIES; ++entry) {
            const KeyAssignment& a =
                data.keyAreas[static_cast<size_t>(area)][static_cast<size_t>(entry)];
            const std::u16string* text = data.texts.At(WorkingSetEntryIndex(area, entry));
            const bool named = IsNamedEntry(area, entry);
            const KeyAssignment derived = DerivedEntry(area, entry, a.type, a.value, data.macros);
            const bool derivable =
                SameEntry(a, derived) ||
                (a.type == ASSIGN_MACRO &&
                 SameEntry(a, DerivedEntry(area, entry, a.type, a.value, data.macros, true)));
            std::optional<std::string> words;
            if (named && derivable) words = AssignmentWords(a, text, data.macros);
            if (a.type == ASSIGN_DEFAULT && words) continue;
            if (!named && a.type == ASSIGN_DEFAULT && a.value == 0 && SameEntry(a, derived))
                continue;
            if (words) {
                if (IsGKeyEntry(entry)) {
                    const bool bankB = entry >= G_KEY_ENTRY_BANK_B;
                    const int n = entry - (bankB ? G_KEY_ENTRY_BANK_B : G_KEY_ENTRY_BANK_A) + 1;
                    banks[bankB ? "b" : "a"]["G" + std::to_string(n)] = *words;
                } else {
                    keys[JsonKeyName(ScanCodeOf(static_cast<KeyIndex>(entry)))] = *words;
                }
                continue;
            }
            Json item;
            item["profileIndex"] = area;
            item["entry"] = entry;
            item["type"] = a.type;
            item["value"] = a.value;
            item["aux"] = a.aux;
            item["colourFlag"] = a.colourFlag;
            item["reserved"] = a.reserved;
            if ((a.type == ASSIGN_PROGRAM || a.type == ASSIGN_TEXT) && text)
                item["text"] = ToUtf8(*text);
            raw.push_back(std::move(item));
        }
        if (area >= ONBOARD_PROFILE_COUNT) continue;
        Json profile;
        profile["keys"] = std::move(keys);
        if (!banks.empty()) profile["gKeys"] = std::move(banks);
        profile["lighting"] = LightingJson(document.lighting[static_cast<size_t>(area)], modeName);
        profiles.push_back(std::move(profile));
    }
    json["profiles"] = std::move(profiles);
    Json macros = Json::array();
    for (const MacroRecord& record : data.macros.Records()) macros.push_back(MacroJson(record));
    json["macros"] = std::move(macros);
    if (!raw.empty()) json["rawEntries"] = std::move(raw);
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace quorvel
