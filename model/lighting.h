#pragma once
// The keyboard's lighting: the 42-byte parameter record of each on-board profile, the effect
// mode table, the decoded view the lighting panel works on, the per-key colour tables, and the
// exact (address, bytes) of every lighting write. Nothing here talks to the keyboard; the
// device layer frames and sends what these functions produce.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/key_assignment.h"
#include "model/key_codes.h"

namespace quorvel {

class IniFile;

constexpr size_t LIGHTING_PARAMS_SIZE = 42;
// The keyboard always answers a parameter read with 56 bytes; the first 42 are the record.
constexpr size_t LIGHTING_PARAMS_READ_SIZE = 56;
constexpr size_t DEFAULT_LIGHTING_PARAMS_SIZE = 35;
constexpr size_t MAX_PARAM_WRITE = 56;

constexpr size_t SETTINGS_BLOCK_SIZE = 44;
constexpr size_t SUPPORTED_MODES_OFFSET = 12;
constexpr size_t SUPPORTED_MODES_COUNT = 32;
static_assert(SUPPORTED_MODES_OFFSET + SUPPORTED_MODES_COUNT == SETTINGS_BLOCK_SIZE);

// Offsets of the fields the program writes, relative to a profile's record.
constexpr size_t PARAM_MODE = 0;
constexpr size_t PARAM_BRIGHTNESS = 1;
constexpr size_t PARAM_SPEED = 2;
constexpr size_t PARAM_DIRECTION = 3;
constexpr size_t PARAM_COLOURFUL = 4;
constexpr size_t PARAM_COLOUR = 5;
constexpr size_t PARAM_BASE_COLOUR = 9;
constexpr size_t PARAM_REPORT_RATE = 15;
constexpr size_t PARAM_PRESET = 17;

constexpr int SLIDER_MAX = 5;  // brightness and speed sliders have positions 0-5
constexpr int REPORT_RATE_MAX = 3;
constexpr int PRESET_COUNT = 4;  // red, yellow, green, blue
constexpr uint8_t USER_MODE_ID = 20;
constexpr uint8_t PRESET_MODE_ID = 17;

// Colours are held as 0x00BBGGRR and stored as red, green, blue bytes in records and files.
using Colour = uint32_t;
constexpr Colour COLOUR_RED = 0x000000FF;
constexpr Colour COLOUR_WHITE = 0x00FFFFFF;
constexpr Colour COLOUR_BLACK = 0x00000000;

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    bool operator==(const Rgb&) const = default;
};

constexpr Colour ColourOf(Rgb rgb) {
    return static_cast<Colour>(rgb.red) | (static_cast<Colour>(rgb.green) << 8) |
           (static_cast<Colour>(rgb.blue) << 16);
}
constexpr Colour ColourOf(uint8_t red, uint8_t green, uint8_t blue) {
    return ColourOf(Rgb{red, green, blue});
}
constexpr Rgb RgbOf(Colour c) {
    return Rgb{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
               static_cast<uint8_t>(c >> 16)};
}
inline Rgb ReadRgb(const uint8_t* p) {
    return Rgb{p[0], p[1], p[2]};
}
inline void WriteRgb(uint8_t* p, Rgb rgb) {
    p[0] = rgb.red;
    p[1] = rgb.green;
    p[2] = rgb.blue;
}

// One profile's parameter record, field by field (offset in the comment).
struct LightingParams {
    uint8_t mode = 0;                   // 0
    uint8_t brightness = 0;             // 1
    uint8_t speed = 0;                  // 2
    uint8_t direction = 0;              // 3
    uint8_t colourful = 0;              // 4
    Rgb colour;                         // 5
    uint8_t unused8 = 0;                // 8
    Rgb baseColour;                     // 9
    std::array<uint8_t, 3> unused12{};  // 12
    uint8_t reportRate = 0;             // 15
    uint8_t unused16 = 0;               // 16
    uint8_t preset = 0;                 // 17
    uint8_t secondColourfulLook = 0;    // 18
    uint8_t trigger = 0;                // 19
    std::array<uint8_t, 5> unused20{};  // 20
    Rgb secondColour;                   // 25
    uint8_t secondColourOn = 0;         // 28
    uint8_t unused29 = 0;               // 29
    Rgb thirdColour;                    // 30
    uint8_t thirdColourOn = 0;          // 33
    std::array<uint8_t, 8> unused34{};  // 34

    bool operator==(const LightingParams&) const = default;
};

// Nullopt when fewer than 42 bytes are given; bytes past 42 (the rest of a 56-byte read) are
// ignored.
std::optional<LightingParams> ReadLightingParams(std::span<const uint8_t> bytes);
std::array<uint8_t, LIGHTING_PARAMS_SIZE> EncodeLightingParams(const LightingParams& params);

// The record restore-defaults writes; only its first 35 bytes go to the keyboard.
LightingParams DefaultLightingParams();

// Effect modes. The control group decides which panel controls a mode shows.
enum class LightingGroup {
    NONE,                  // unknown id: only the mode list
    DIRECTIONAL_COLOURED,  // 1-3: speed, left/right direction, colour A
    COLOURED,              // 5, 7, 8, 9, 13-15: speed, colour A
    SPEED_ONLY,            // 4, 10, 11
    VERTICAL,              // 12: speed, up/down direction
    STEADY_COLOURED,       // 6, 16: colour B
    PRESET,                // 17: the four preset pictures
    SPREADING,             // 18: outward/inward direction
    USER_PER_KEY,          // 20: user modes and per-key colours
};

enum class LightingPreview {
    PLAIN,
    RAINBOW,
    SINGLE_COLOUR,
    PER_KEY,
};

enum class PreviewRule {
    PLAIN,
    RAINBOW,
    RAINBOW_OR_SINGLE_COLOUR,  // rainbow when `colourful`, the single colour otherwise
    PER_KEY,
};

struct EffectMode {
    uint8_t id;
    int listPosition;  // 1-based; 0 = the mode is never a list row
    LightingGroup group;
    uint32_t writableOffsets;      // bit n set: the user can change record byte n
    bool writesColourfulWithMode;  // choosing it also writes `colourful` at offset 4
    PreviewRule preview;
};

std::span<const EffectMode> EffectModes();
const EffectMode* FindEffectMode(int modeId);  // nullptr for ids not in the table
bool ModeAllowsOffset(int modeId, size_t offset);
LightingPreview PreviewOfMode(int modeId, bool colourful);

// Rainbow preview colour of a matrix column (0-20); black outside.
Colour RainbowColour(int column);
inline Colour RainbowColourOfPosition(int position) {
    return RainbowColour(position % MATRIX_COLUMNS);
}

// The decoded view of the active profile's record.
struct LightingState {
    int modeId = 0;
    int brightness = 0;
    int speed = 0;
    int direction = 0;
    bool colourful = false;
    Colour colour = COLOUR_BLACK;
    int reportRate = 0;
    int preset = 0;
    int secondColourfulLook = 0;
    bool singleKeyTrigger = true;
    bool gridTrigger = false;
    Colour secondColour = COLOUR_BLACK;
    bool secondColourOn = false;
    Colour thirdColour = COLOUR_BLACK;
    bool thirdColourOn = false;
    bool lightingShown = false;
    std::array<uint8_t, SUPPORTED_MODES_COUNT> supportedModes{};
    int activeProfile = 0;
};

// Fields the record cannot vouch for (second colourful look outside mode 7, triggers other than
// 0 or 1) keep their previous values, so decoding updates a state rather than building one.
void DecodeLightingParams(const LightingParams& params, LightingState& state);
// Copies bytes 12-43 of the settings block; clears the list when the block is short.
void SetSupportedModes(std::span<const uint8_t> settingsBlock, LightingState& state);
void ClearSupportedModes(LightingState& state);

// "DengCheck" of section "KEYCOLOR" in the settings file.
bool ReadLightingShown(const IniFile& settings);
bool WriteLightingShown(IniFile& settings, bool shown);

// The mode ids the mode list shows, in the keyboard's order.
std::vector<uint8_t> ModeListIds(const LightingState& state);
// Rows map to ids through the fixed list positions: the mode at list position k is row k - 1.
// -1 when the keyboard did not announce the id, the id has no list position, or the list has no
// such row.
int RowOfMode(const LightingState& state, int modeId);
// 0 when no announced mode has the row's list position or the row is not in the list.
int ModeOfRow(const LightingState& state, int row);
bool SupportsUserMode(const LightingState& state);

// One parameter write: the bytes go to parameter-area address `address`.
struct ParamWrite {
    uint16_t address = 0;
    std::vector<uint8_t> bytes;

    bool operator==(const ParamWrite&) const = default;
};

uint16_t ParamAddress(int profile, size_t offset = 0);  // 42 * profile + offset

// At most 56 bytes fit one frame; anything beyond is not part of the write.
ParamWrite ParamBytesWrite(int profile, size_t offset, std::span<const uint8_t> bytes);
// Mode id at offset 0; for the modes that carry `colourful` the write runs on to offset 4 in the
// same frame, repeating brightness, speed and direction from the state.
ParamWrite ModeWrite(int profile, int modeId, const LightingState& state);
ParamWrite BrightnessWrite(int profile, int brightness);
ParamWrite SpeedWrite(int profile, int speed);  // speed = 5 - slider position
ParamWrite DirectionWrite(int profile, int direction);
ParamWrite ColourfulWrite(int profile, bool colourful);
ParamWrite ColourWrite(int profile, Colour colour);  // 0 at offset 4, then red, green, blue
ParamWrite BaseColourWrite(int profile, Colour colour);
ParamWrite ReportRateWrite(int profile, int rate);
ParamWrite PresetWrite(int profile, int preset);
ParamWrite DefaultParamsWrite(int profile);  // the 35 default bytes at offset 0

// Slider handlers of the panel: update the state and give the write for the active profile,
// or nothing when the slider already stood there or the position is out of range.
std::optional<ParamWrite> MoveBrightnessSlider(LightingState& state, int position);
std::optional<ParamWrite> MoveSpeedSlider(LightingState& state, int position);
int SpeedSliderPosition(const LightingState& state);

// Per-key colours, indexed by matrix position.
constexpr int KEY_COLOUR_POSITIONS = MATRIX_POSITIONS;
constexpr int KEY_COLOUR_PAGE_SIZE = 512;
constexpr int KEY_COLOUR_CHUNK_KEYS = 18;
constexpr int KEY_COLOUR_CHUNK_BYTES = KEY_COLOUR_CHUNK_KEYS * 3;                     // 54
constexpr int KEY_COLOUR_CHUNK_COUNT = KEY_COLOUR_POSITIONS / KEY_COLOUR_CHUNK_KEYS;  // 7
static_assert(KEY_COLOUR_CHUNK_COUNT * KEY_COLOUR_CHUNK_KEYS == KEY_COLOUR_POSITIONS);
static_assert(KEY_COLOUR_POSITIONS * 3 <= KEY_COLOUR_PAGE_SIZE);
static_assert(KEY_COLOUR_CHUNK_BYTES <= static_cast<int>(MAX_PARAM_WRITE));

using KeyColourTable = std::array<Colour, KEY_COLOUR_POSITIONS>;
// 1 where the key was last painted with the base colour.
using KeyColourMarks = std::array<uint8_t, KEY_COLOUR_POSITIONS>;

inline bool IsValidKeyPosition(int position) {
    return position >= 0 && position < KEY_COLOUR_POSITIONS;
}

// One per-key colour write: `bytes` (red, green, blue per key) for the keys from
// `firstPosition` on, on page `page` (the profile).
struct KeyColourWrite {
    int page = 0;
    int firstPosition = 0;
    std::vector<uint8_t> bytes;

    uint16_t Address() const;  // page * 512 + firstPosition * 3
    bool operator==(const KeyColourWrite&) const = default;
};

// The seven 54-byte chunks that send a whole table, chunk k covering positions 18k to 18k + 17.
std::vector<KeyColourWrite> KeyColourChunks(int profile, const KeyColourTable& table);
KeyColourWrite SingleKeyColourWrite(int profile, int position, Colour colour);

}  // namespace quorvel
