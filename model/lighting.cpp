#include "model/lighting.h"

#include <algorithm>

#include "base/ini_file.h"

namespace quorvel {

// The record's last field, 8 unused bytes at 34, ends the 42 bytes; the default record and a
// whole record each fit one write.
static_assert(34 + 8 == LIGHTING_PARAMS_SIZE);
static_assert(DEFAULT_LIGHTING_PARAMS_SIZE <= LIGHTING_PARAMS_SIZE);
static_assert(LIGHTING_PARAMS_SIZE <= MAX_PARAM_WRITE);
static_assert(LIGHTING_PARAMS_READ_SIZE >= LIGHTING_PARAMS_SIZE);
static_assert(PARAM_PRESET < 32);  // writable offsets are kept as bits of a 32-bit mask

namespace {

constexpr uint32_t Bits(std::initializer_list<int> offsets) {
    uint32_t mask = 0;
    for (int offset : offsets) mask |= 1u << offset;
    return mask;
}

constexpr uint32_t DIRECTIONAL_COLOURED_BYTES = Bits({1, 2, 3, 4, 5, 6, 7});
constexpr uint32_t COLOURED_BYTES = Bits({1, 2, 4, 5, 6, 7});
constexpr uint32_t STEADY_COLOURED_BYTES = Bits({1, 4, 5, 6, 7});
constexpr uint32_t SPEED_ONLY_BYTES = Bits({1, 2});
constexpr uint32_t VERTICAL_BYTES = Bits({1, 2, 3});
constexpr uint32_t PRESET_BYTES = Bits({1, 17});
constexpr uint32_t SPREADING_BYTES = Bits({1, 3});
constexpr uint32_t USER_PER_KEY_BYTES = Bits({1, 9, 10, 11});

using G = LightingGroup;
using P = PreviewRule;

constexpr std::array<EffectMode, 19> EFFECT_MODES = {{
    {1, 10, G::DIRECTIONAL_COLOURED, DIRECTIONAL_COLOURED_BYTES, true, P::RAINBOW_OR_SINGLE_COLOUR},
    {2, 11, G::DIRECTIONAL_COLOURED, DIRECTIONAL_COLOURED_BYTES, true, P::RAINBOW_OR_SINGLE_COLOUR},
    {3, 12, G::DIRECTIONAL_COLOURED, DIRECTIONAL_COLOURED_BYTES, true, P::RAINBOW_OR_SINGLE_COLOUR},
    {4, 1, G::SPEED_ONLY, SPEED_ONLY_BYTES, false, P::PLAIN},
    {5, 2, G::COLOURED, COLOURED_BYTES, true, P::RAINBOW_OR_SINGLE_COLOUR},
    {6, 3, G::STEADY_COLOURED, STEADY_COLOURED_BYTES, false, P::RAINBOW_OR_SINGLE_COLOUR},
    {7, 5, G::COLOURED, COLOURED_BYTES, true, P::RAINBOW_OR_SINGLE_COLOUR},
    {8, 4, G::COLOURED, COLOURED_BYTES, true, P::RAINBOW_OR_SINGLE_COLOUR},
    {9, 6, G::COLOURED, COLOURED_BYTES, true, P::RAINBOW_OR_SINGLE_COLOUR},
    {10, 14, G::SPEED_ONLY, SPEED_ONLY_BYTES, false, P::RAINBOW},
    {11, 13, G::SPEED_ONLY, SPEED_ONLY_BYTES, false, P::RAINBOW},
    {12, 15, G::VERTICAL, VERTICAL_BYTES, false, P::RAINBOW},
    {13, 7, G::COLOURED, COLOURED_BYTES, true, P::RAINBOW_OR_SINGLE_COLOUR},
    {14, 8, G::COLOURED, COLOURED_BYTES, true, P::RAINBOW_OR_SINGLE_COLOUR},
    {15, 9, G::COLOURED, COLOURED_BYTES, true, P::RAINBOW_OR_SINGLE_COLOUR},
    {16, 16, G::STEADY_COLOURED, STEADY_COLOURED_BYTES, true, P::RAINBOW_OR_SINGLE_COLOUR},
    {PRESET_MODE_ID, 0, G::PRESET, PRESET_BYTES, false, P::PLAIN},
    {18, 17, G::SPREADING, SPREADING_BYTES, false, P::RAINBOW},
    {USER_MODE_ID, 18, G::USER_PER_KEY, USER_PER_KEY_BYTES, false, P::PER_KEY},
}};

constexpr std::array<Rgb, 21> RAINBOW_COLUMNS = {{
    {255, 1, 0},   {255, 32, 0},  {255, 99, 0}, {255, 200, 0}, {194, 255, 0}, {94, 255, 0},
    {29, 255, 0},  {0, 255, 0},   {0, 255, 26}, {0, 255, 89},  {0, 255, 188}, {0, 206, 255},
    {0, 104, 255}, {0, 35, 255},  {0, 2, 255},  {22, 0, 255},  {81, 0, 255},  {176, 0, 255},
    {255, 0, 220}, {255, 0, 114}, {255, 0, 41},
}};

bool IsAnnounced(const LightingState& state, int modeId) {
    if (modeId <= 0) return false;
    return std::find(state.supportedModes.begin(), state.supportedModes.end(), modeId) !=
           state.supportedModes.end();
}

uint8_t ClampByte(int value, int low, int high) {
    return static_cast<uint8_t>(std::clamp(value, low, high));
}

}  // namespace

std::optional<LightingParams> ReadLightingParams(std::span<const uint8_t> bytes) {
    if (bytes.size() < LIGHTING_PARAMS_SIZE) return std::nullopt;
    const uint8_t* b = bytes.data();
    LightingParams p;
    p.mode = b[0];
    p.brightness = b[1];
    p.speed = b[2];
    p.direction = b[3];
    p.colourful = b[4];
    p.colour = ReadRgb(b + 5);
    p.unused8 = b[8];
    p.baseColour = ReadRgb(b + 9);
    std::copy_n(b + 12, p.unused12.size(), p.unused12.begin());
    p.reportRate = b[15];
    p.unused16 = b[16];
    p.preset = b[17];
    p.secondColourfulLook = b[18];
    p.trigger = b[19];
    std::copy_n(b + 20, p.unused20.size(), p.unused20.begin());
    p.secondColour = ReadRgb(b + 25);
    p.secondColourOn = b[28];
    p.unused29 = b[29];
    p.thirdColour = ReadRgb(b + 30);
    p.thirdColourOn = b[33];
    std::copy_n(b + 34, p.unused34.size(), p.unused34.begin());
    return p;
}

std::array<uint8_t, LIGHTING_PARAMS_SIZE> EncodeLightingParams(const LightingParams& p) {
    std::array<uint8_t, LIGHTING_PARAMS_SIZE> out{};
    uint8_t* b = out.data();
    b[0] = p.mode;
    b[1] = p.brightness;
    b[2] = p.speed;
    b[3] = p.direction;
    b[4] = p.colourful;
    WriteRgb(b + 5, p.colour);
    b[8] = p.unused8;
    WriteRgb(b + 9, p.baseColour);
    std::copy(p.unused12.begin(), p.unused12.end(), b + 12);
    b[15] = p.reportRate;
    b[16] = p.unused16;
    b[17] = p.preset;
    b[18] = p.secondColourfulLook;
    b[19] = p.trigger;
    std::copy(p.unused20.begin(), p.unused20.end(), b + 20);
    WriteRgb(b + 25, p.secondColour);
    b[28] = p.secondColourOn;
    b[29] = p.unused29;
    WriteRgb(b + 30, p.thirdColour);
    b[33] = p.thirdColourOn;
    std::copy(p.unused34.begin(), p.unused34.end(), b + 34);
    return out;
}

LightingParams DefaultLightingParams() {
    LightingParams p;
    p.mode = 1;
    p.brightness = 4;
    p.speed = 1;
    p.direction = 0;
    p.colourful = 1;
    p.colour = RgbOf(COLOUR_RED);
    p.unused8 = 0x08;
    p.baseColour = RgbOf(COLOUR_WHITE);
    p.unused12 = {0xFF, 0x00, 0x00};
    p.reportRate = 0xFF;
    p.unused16 = 0xFF;
    p.preset = 0;
    p.secondColourfulLook = 0;
    p.trigger = 0;
    p.unused20 = {0x00, 0xFF, 0xFF, 0x00, 0x00};
    p.secondColour = RgbOf(COLOUR_WHITE);
    p.secondColourOn = 0;
    p.unused29 = 0;
    p.thirdColour = RgbOf(COLOUR_WHITE);
    p.thirdColourOn = 0;
    return p;
}

std::span<const EffectMode> EffectModes() {
    return EFFECT_MODES;
}

const EffectMode* FindEffectMode(int modeId) {
    for (const EffectMode& mode : EFFECT_MODES) {
        if (mode.id == modeId) return &mode;
    }
    return nullptr;
}

bool ModeAllowsOffset(int modeId, size_t offset) {
    const EffectMode* mode = FindEffectMode(modeId);
    return mode != nullptr && offset < 32 && (mode->writableOffsets & (1u << offset)) != 0;
}

LightingPreview PreviewOfMode(int modeId, bool colourful) {
    const EffectMode* mode = FindEffectMode(modeId);
    if (mode == nullptr) return LightingPreview::PLAIN;
    switch (mode->preview) {
        case PreviewRule::PLAIN:
            return LightingPreview::PLAIN;
        case PreviewRule::RAINBOW:
            return LightingPreview::RAINBOW;
        case PreviewRule::RAINBOW_OR_SINGLE_COLOUR:
            return colourful ? LightingPreview::RAINBOW : LightingPreview::SINGLE_COLOUR;
        case PreviewRule::PER_KEY:
            return LightingPreview::PER_KEY;
    }
    return LightingPreview::PLAIN;
}

Colour RainbowColour(int column) {
    if (column < 0 || column >= static_cast<int>(RAINBOW_COLUMNS.size())) return COLOUR_BLACK;
    return ColourOf(RAINBOW_COLUMNS[static_cast<size_t>(column)]);
}

void DecodeLightingParams(const LightingParams& p, LightingState& state) {
    state.modeId = p.mode;
    state.brightness = p.brightness;
    state.speed = p.speed;
    state.direction = p.direction;
    state.colourful = p.colourful != 0;
    state.colour = ColourOf(p.colour);
    state.reportRate = std::min<int>(p.reportRate, REPORT_RATE_MAX);
    state.preset = p.preset;
    if (p.mode == 7 && p.secondColourfulLook <= 1) {
        state.secondColourfulLook = p.secondColourfulLook;
    }
    if (p.trigger <= 1) {
        state.gridTrigger = p.trigger == 1;
        state.singleKeyTrigger = !state.gridTrigger;
    }
    state.secondColour = ColourOf(p.secondColour);
    state.secondColourOn = p.secondColourOn != 0;
    state.thirdColour = ColourOf(p.thirdColour);
    state.thirdColourOn = p.thirdColourOn != 0;
}

void SetSupportedModes(std::span<const uint8_t> settingsBlock, LightingState& state) {
    ClearSupportedModes(state);
    if (settingsBlock.size() < SETTINGS_BLOCK_SIZE) return;
    std::copy_n(settingsBlock.begin() + SUPPORTED_MODES_OFFSET, SUPPORTED_MODES_COUNT,
                state.supportedModes.begin());
}

void ClearSupportedModes(LightingState& state) {
    state.supportedModes.fill(0);
}

bool ReadLightingShown(const IniFile& settings) {
    return settings.ReadInt("KEYCOLOR", "DengCheck", 0) == 1;
}

bool WriteLightingShown(IniFile& settings, bool shown) {
    return settings.WriteString("KEYCOLOR", "DengCheck", shown ? "1" : "0");
}

std::vector<uint8_t> ModeListIds(const LightingState& state) {
    std::vector<uint8_t> ids;
    for (uint8_t id : state.supportedModes) {
        if (id != 0) ids.push_back(id);
    }
    return ids;
}

int RowOfMode(const LightingState& state, int modeId) {
    const EffectMode* mode = FindEffectMode(modeId);
    if (mode == nullptr || mode->listPosition == 0 || !IsAnnounced(state, modeId)) return -1;
    const int row = mode->listPosition - 1;
    if (row >= static_cast<int>(ModeListIds(state).size())) return -1;
    return row;
}

int ModeOfRow(const LightingState& state, int row) {
    if (row < 0 || row >= static_cast<int>(ModeListIds(state).size())) return 0;
    for (const EffectMode& mode : EFFECT_MODES) {
        if (mode.listPosition == row + 1) return IsAnnounced(state, mode.id) ? mode.id : 0;
    }
    return 0;
}

bool SupportsUserMode(const LightingState& state) {
    return IsAnnounced(state, USER_MODE_ID);
}

uint16_t ParamAddress(int profile, size_t offset) {
    return static_cast<uint16_t>(static_cast<size_t>(profile) * LIGHTING_PARAMS_SIZE + offset);
}

ParamWrite ParamBytesWrite(int profile, size_t offset, std::span<const uint8_t> bytes) {
    return ParamWrite{ParamAddress(profile, offset),
                      std::vector<uint8_t>(
                          bytes.begin(), bytes.begin() + std::min(bytes.size(), MAX_PARAM_WRITE))};
}

namespace {

ParamWrite OneByteWrite(int profile, size_t offset, uint8_t value) {
    return ParamWrite{ParamAddress(profile, offset), {value}};
}

}  // namespace

ParamWrite ModeWrite(int profile, int modeId, const LightingState& state) {
    const EffectMode* mode = FindEffectMode(modeId);
    const auto id = static_cast<uint8_t>(modeId);
    if (mode == nullptr || !mode->writesColourfulWithMode) {
        return OneByteWrite(profile, PARAM_MODE, id);
    }
    // One write cannot skip bytes, so offsets 1-3 are rewritten with the values they hold.
    return ParamWrite{
        ParamAddress(profile, PARAM_MODE),
        {id, static_cast<uint8_t>(state.brightness), static_cast<uint8_t>(state.speed),
         static_cast<uint8_t>(state.direction), static_cast<uint8_t>(state.colourful ? 1 : 0)}};
}

ParamWrite BrightnessWrite(int profile, int brightness) {
    return OneByteWrite(profile, PARAM_BRIGHTNESS, ClampByte(brightness, 0, SLIDER_MAX));
}

ParamWrite SpeedWrite(int profile, int speed) {
    return OneByteWrite(profile, PARAM_SPEED, ClampByte(speed, 0, SLIDER_MAX));
}

ParamWrite DirectionWrite(int profile, int direction) {
    return OneByteWrite(profile, PARAM_DIRECTION, direction != 0 ? 1 : 0);
}

ParamWrite ColourfulWrite(int profile, bool colourful) {
    return OneByteWrite(profile, PARAM_COLOURFUL, colourful ? 1 : 0);
}

ParamWrite ColourWrite(int profile, Colour colour) {
    const Rgb rgb = RgbOf(colour);
    return ParamWrite{ParamAddress(profile, PARAM_COLOURFUL), {0, rgb.red, rgb.green, rgb.blue}};
}

ParamWrite BaseColourWrite(int profile, Colour colour) {
    const Rgb rgb = RgbOf(colour);
    return ParamWrite{ParamAddress(profile, PARAM_BASE_COLOUR), {rgb.red, rgb.green, rgb.blue}};
}

ParamWrite ReportRateWrite(int profile, int rate) {
    return OneByteWrite(profile, PARAM_REPORT_RATE, ClampByte(rate, 0, REPORT_RATE_MAX));
}

ParamWrite PresetWrite(int profile, int preset) {
    return OneByteWrite(profile, PARAM_PRESET, ClampByte(preset, 0, PRESET_COUNT - 1));
}

ParamWrite DefaultParamsWrite(int profile) {
    const auto record = EncodeLightingParams(DefaultLightingParams());
    return ParamBytesWrite(profile, 0,
                           std::span<const uint8_t>(record).first(DEFAULT_LIGHTING_PARAMS_SIZE));
}

std::optional<ParamWrite> MoveBrightnessSlider(LightingState& state, int position) {
    if (position < 0 || position > SLIDER_MAX || position == state.brightness) {
        return std::nullopt;
    }
    state.brightness = position;
    return BrightnessWrite(state.activeProfile, position);
}

std::optional<ParamWrite> MoveSpeedSlider(LightingState& state, int position) {
    if (position < 0 || position > SLIDER_MAX) return std::nullopt;
    const int speed = SLIDER_MAX - position;
    if (speed == state.speed) return std::nullopt;
    state.speed = speed;
    return SpeedWrite(state.activeProfile, speed);
}

int SpeedSliderPosition(const LightingState& state) {
    return std::clamp(SLIDER_MAX - state.speed, 0, SLIDER_MAX);
}

uint16_t KeyColourWrite::Address() const {
    return static_cast<uint16_t>(page * KEY_COLOUR_PAGE_SIZE + firstPosition * 3);
}

std::vector<KeyColourWrite> KeyColourChunks(int profile, const KeyColourTable& table) {
    std::vector<KeyColourWrite> chunks;
    chunks.reserve(KEY_COLOUR_CHUNK_COUNT);
    for (int k = 0; k < KEY_COLOUR_CHUNK_COUNT; ++k) {
        KeyColourWrite chunk{profile, k * KEY_COLOUR_CHUNK_KEYS,
                             std::vector<uint8_t>(KEY_COLOUR_CHUNK_BYTES)};
        for (int i = 0; i < KEY_COLOUR_CHUNK_KEYS; ++i) {
            WriteRgb(chunk.bytes.data() + 3 * i,
                     RgbOf(table[static_cast<size_t>(chunk.firstPosition + i)]));
        }
        chunks.push_back(std::move(chunk));
    }
    return chunks;
}

KeyColourWrite SingleKeyColourWrite(int profile, int position, Colour colour) {
    const Rgb rgb = RgbOf(colour);
    return KeyColourWrite{profile, position, {rgb.red, rgb.green, rgb.blue}};
}

}  // namespace quorvel
