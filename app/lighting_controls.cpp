#include "app/lighting_controls.h"

#include "app/key_painter.h"
#include "app/keyboard_map.h"
#include "model/key_codes.h"
#include "model/lighting.h"

namespace quorvel {
namespace {

using Kind = LightingControlKind;

constexpr LightingControlInfo CONTROLS[] = {
    {LIGHTING_SWITCH, "CONTROL_DengStaPic", Kind::PICTURE, ""},
    {LIGHTING_MODE_LABEL, "CONTROL_DengStatic", Kind::LABEL, "Deng"},
    {LIGHTING_MODE_LIST, "CONTROL_XGcombox", Kind::LIST, ""},
    {LIGHTING_BRIGHTNESS_LABEL, "CONTROL_LightStatic", Kind::LABEL, "Light"},
    {LIGHTING_BRIGHTNESS_SLIDER, "CONTROL_LightSlider", Kind::SLIDER, ""},
    {LIGHTING_SPEED_LABEL, "CONTROL_SpeedStatic", Kind::LABEL, "Speed"},
    {LIGHTING_SPEED_SLIDER, "CONTROL_SpeedSlider", Kind::SLIDER, ""},
    {LIGHTING_DIRECTION_LABEL, "CONTROL_BLFXStatic", Kind::LABEL, "FX"},
    {LIGHTING_DIRECTION_FIRST, "CONTROL_BLFXLStaPic", Kind::PICTURE, ""},
    {LIGHTING_DIRECTION_SECOND, "CONTROL_BLFXRStaPic", Kind::PICTURE, ""},
    {LIGHTING_COLOUR_A_LABEL, "CONTROL_FYYSStatic", Kind::LABEL, "Color"},
    {LIGHTING_COLOUR_A, "CONTROL_FYYSButton", Kind::COLOUR, ""},
    {LIGHTING_COLOURFUL_A_LABEL, "CONTROL_FYSJSStatic", Kind::LABEL, "DC"},
    {LIGHTING_COLOURFUL_A, "CONTROL_FYSJSStaPic", Kind::PICTURE, ""},
    {LIGHTING_COLOUR_B_LABEL, "CONTROL_HXysStatic", Kind::LABEL, "Color"},
    {LIGHTING_COLOUR_B, "CONTROL_HXysButton", Kind::COLOUR, ""},
    {LIGHTING_COLOURFUL_B_LABEL, "CONTROL_HXsjsStatic", Kind::LABEL, "DC"},
    {LIGHTING_COLOURFUL_B, "CONTROL_HXsjsStaPic", Kind::PICTURE, ""},
    {LIGHTING_PRESET_RED, "CONTROL_HONGPIC", Kind::PICTURE, ""},
    {LIGHTING_PRESET_YELLOW, "CONTROL_HUANGPIC", Kind::PICTURE, ""},
    {LIGHTING_PRESET_GREEN, "CONTROL_LVPIC", Kind::PICTURE, ""},
    {LIGHTING_PRESET_BLUE, "CONTROL_LANPIC", Kind::PICTURE, ""},
    {LIGHTING_USER_COLOUR_LABEL, "CONTROL_USERysStatic", Kind::LABEL, "Color"},
    {LIGHTING_USER_COLOUR, "CONTROL_USERysButton", Kind::COLOUR, ""},
    {LIGHTING_BASE_COLOUR_LABEL, "CONTROL_USERjsStatic", Kind::LABEL, "JColor"},
    {LIGHTING_BASE_COLOUR, "CONTROL_USERjsButton", Kind::COLOUR, ""},
    {LIGHTING_TOOL_LABEL, "CONTROL_USERgjStatic", Kind::LABEL, "Tool"},
    {LIGHTING_TOOL_USER, "CONTROL_USERgjStaPic1", Kind::PICTURE, ""},
    {LIGHTING_TOOL_BASE, "CONTROL_USERgjStaPic2", Kind::PICTURE, ""},
    {LIGHTING_USER_MODE_LIST, "CONTROL_umCombo", Kind::EDITABLE_LIST, ""},
};

constexpr int SPEED[] = {LIGHTING_SPEED_LABEL, LIGHTING_SPEED_SLIDER};
constexpr int DIRECTION[] = {LIGHTING_DIRECTION_LABEL, LIGHTING_DIRECTION_FIRST,
                             LIGHTING_DIRECTION_SECOND};
constexpr int COLOUR_A[] = {LIGHTING_COLOUR_A_LABEL, LIGHTING_COLOUR_A, LIGHTING_COLOURFUL_A,
                            LIGHTING_COLOURFUL_A_LABEL};
constexpr int COLOUR_B[] = {LIGHTING_COLOUR_B_LABEL, LIGHTING_COLOUR_B, LIGHTING_COLOURFUL_B,
                            LIGHTING_COLOURFUL_B_LABEL};
constexpr int PRESETS[] = {LIGHTING_PRESET_RED, LIGHTING_PRESET_YELLOW, LIGHTING_PRESET_GREEN,
                           LIGHTING_PRESET_BLUE};
constexpr int USER[] = {LIGHTING_USER_COLOUR_LABEL, LIGHTING_USER_COLOUR,
                        LIGHTING_BASE_COLOUR_LABEL, LIGHTING_BASE_COLOUR,
                        LIGHTING_TOOL_LABEL,        LIGHTING_TOOL_USER,
                        LIGHTING_TOOL_BASE,         LIGHTING_USER_MODE_LIST};

template <size_t N>
void Add(std::vector<int>& out, const int (&ids)[N]) {
    out.insert(out.end(), ids, ids + N);
}

}  // namespace

std::span<const LightingControlInfo> LightingControls() {
    return CONTROLS;
}

const LightingControlInfo* FindLightingControl(int id) {
    for (const LightingControlInfo& control : CONTROLS) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

DirectionPlaces DirectionPlacesFor(int modeId) {
    const EffectMode* mode = FindEffectMode(modeId);
    if (mode != nullptr && mode->group == LightingGroup::DIRECTIONAL_COLOURED)
        return {"CONTROL_BLFXStatic2", "CONTROL_BLFXLStaPic2", "CONTROL_BLFXRStaPic2"};
    if (mode != nullptr && mode->group == LightingGroup::VERTICAL)
        return {"CONTROL_BLFXStatic3", "CONTROL_BLFXLStaPic3", "CONTROL_BLFXRStaPic3"};
    return {"CONTROL_BLFXStatic", "CONTROL_BLFXLStaPic", "CONTROL_BLFXRStaPic"};
}

std::vector<int> ControlsShownFor(int modeId) {
    const EffectMode* mode = FindEffectMode(modeId);
    if (mode == nullptr) return {};
    std::vector<int> shown{LIGHTING_BRIGHTNESS_LABEL, LIGHTING_BRIGHTNESS_SLIDER};
    switch (mode->group) {
        case LightingGroup::DIRECTIONAL_COLOURED:
            Add(shown, SPEED);
            Add(shown, DIRECTION);
            Add(shown, COLOUR_A);
            break;
        case LightingGroup::COLOURED:
            Add(shown, SPEED);
            Add(shown, COLOUR_A);
            break;
        case LightingGroup::SPEED_ONLY:
            Add(shown, SPEED);
            break;
        case LightingGroup::VERTICAL:
            Add(shown, SPEED);
            Add(shown, DIRECTION);
            break;
        case LightingGroup::STEADY_COLOURED:
            Add(shown, COLOUR_B);
            break;
        case LightingGroup::PRESET:
            Add(shown, PRESETS);
            break;
        case LightingGroup::SPREADING:
            Add(shown, DIRECTION);
            break;
        case LightingGroup::USER_PER_KEY:
            Add(shown, USER);
            break;
        case LightingGroup::NONE:
            return {};
    }
    return shown;
}

int MatrixPositionOfMapKey(int mapPosition) {
    if (mapPosition == FN_KEY_POSITION) return MATRIX_FN_POSITION;
    if (mapPosition < 0 || mapPosition >= MAP_KEY_COUNT) return -1;
    return MatrixPositionOf(MAP_KEYS[static_cast<size_t>(mapPosition)].scanCode);
}

}  // namespace quorvel
