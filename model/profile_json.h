#pragma once
// Profile documents in JSON: everything the keyboard and the program keep for the three
// on-board profiles, in words a person can read, diff and edit. Keys are named, assignments are
// the words `quorvelctl key set` takes, macro steps the words of `quorvelctl macro add`; each
// profile carries its lighting record and its user colour file. docs/profile-json.md describes
// the format, docs/profile.schema.json is its JSON Schema.
//
// A document and a profile image say the same about key areas, macros and texts: image ->
// document -> image gives back the same bytes for every image the program writes. Fields of
// key-area entries that have no words (the window's colour-key flags, reserved words, area 3,
// values outside their tables) travel in "rawEntries".
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "model/key_codes.h"
#include "model/lighting.h"
#include "model/user_colours.h"
#include "model/working_set.h"

namespace quorvel {

inline constexpr std::string_view PROFILE_JSON_FORMAT = "quorvel-profiles";
constexpr int PROFILE_JSON_VERSION = 1;
// Longest program path or text block a document may give a key, in UTF-16 units.
constexpr size_t PROFILE_JSON_TEXT_MAX_UNITS = 4096;
// Profile files keep a macro step's pause in 32 bits; the keyboard keeps up to 40,950 ms.
constexpr uint32_t PROFILE_JSON_MAX_DELAY_MS = 0xFFFFFFFF;
// Deeper than any document the program writes (8 levels); a deeper one is refused while it is
// parsed, before it is built in memory.
constexpr int PROFILE_JSON_MAX_DEPTH = 16;
// Untrusted text quoted in a refusal is cut to about this many bytes.
constexpr size_t PROFILE_JSON_QUOTE_MAX = 80;

// One on-board profile's lighting as a document carries it. Of params only the fields the
// program knows are meaningful (mode, brightness, speed, direction, colourful, colour, base
// colour, report rate, preset, second colourful look, trigger, second and third colour with
// their switches); the others are taken from the keyboard when the document is written to it.
struct ProfileLighting {
    LightingParams params;
    UserColourSet userColours;

    bool operator==(const ProfileLighting&) const = default;
};

struct ProfileDocument {
    WorkingSetData data;
    std::array<ProfileLighting, ONBOARD_PROFILE_COUNT> lighting{};

    bool operator==(const ProfileDocument&) const = default;
};

// The name a document shows beside a mode id (the skin's name); empty for none.
using ModeNameOf = std::function<std::string(int modeId)>;

// The document, indented by two blanks, ending with a line break.
std::string WriteProfileJson(const ProfileDocument& document, const ModeNameOf& modeName);

// The first fault of a refused document.
struct ProfileJsonError {
    std::string path;  // JSON Pointer of the faulty value; "" for the whole document
    std::string message;

    // "<path>: <message>", or the message alone for the whole document.
    std::string Text() const;
};

// Checks the whole document (syntax, nesting of at most PROFILE_JSON_MAX_DEPTH levels, every
// key known, every value in range, macro ids unique and every macro a key names present, at
// most 100 macros) and gives its data only when all of it is sound. Everything the keyboard or
// a profile file can hold is in range, so whatever WriteProfileJson writes reads back. Checks that
// need the keyboard (modes it offers, room in its macro area) are the caller's. Type-3 and type-6
// entries get value 0; their texts are in data.texts.
std::variant<ProfileDocument, ProfileJsonError> ReadProfileJson(std::string_view text);

// Detection by content: JSON when the first character after blanks (and a UTF-8 byte order
// mark) is '{'. A profile image starts with the bytes 46 44.
bool LooksLikeJsonDocument(std::span<const uint8_t> bytes);

// The name a document gives a key: its key-table name when that is unique ("Caps Lock"), the
// English name of a multimedia key ("Volume Up"), Up/Down/Left/Right for the arrows, otherwise
// the scan code ("0x15D").
std::string JsonKeyName(ScanCode s);
// The key of such a name (any case) or of a scan code written 0x...; none when nothing matches.
std::optional<ScanCode> FindJsonKey(std::string_view name);
// The key of a macro step: any of the above, or any 16-bit scan code written 0x... (a profile
// file keeps whatever code a step holds; 0x000 is a usage no key name covers).
std::optional<ScanCode> FindJsonStepKey(std::string_view name);
// English names of the multimedia functions, by MediaIndex (fixed: they are file vocabulary).
std::string_view JsonMediaName(int index);
// "Open" ... "Zoom+", by keyboard function index.
std::string_view JsonFunctionName(int index);

}  // namespace quorvel
