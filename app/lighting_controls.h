#pragma once
// The lighting panel's controls: their dialog ids, the skin entries that place them, and which
// of them each effect mode shows.
#include <span>
#include <string_view>
#include <vector>

namespace quorvel {

// Dialog control ids of the lighting panel.
enum LightingControlId : int {
    LIGHTING_SWITCH = 1167,
    LIGHTING_MODE_LIST = 1146,
    LIGHTING_MODE_LABEL = 1172,
    LIGHTING_BRIGHTNESS_SLIDER = 1178,
    LIGHTING_BRIGHTNESS_LABEL = 1171,
    LIGHTING_SPEED_SLIDER = 1179,
    LIGHTING_SPEED_LABEL = 1166,
    LIGHTING_DIRECTION_LABEL = 1148,
    LIGHTING_DIRECTION_FIRST = 1149,   // sets direction 1: left, up or outward
    LIGHTING_DIRECTION_SECOND = 1150,  // sets direction 0
    LIGHTING_COLOUR_A_LABEL = 1154,
    LIGHTING_COLOUR_A = 1155,
    LIGHTING_COLOURFUL_A = 1156,
    LIGHTING_COLOURFUL_A_LABEL = 1173,
    LIGHTING_COLOUR_B_LABEL = 1151,
    LIGHTING_COLOUR_B = 1152,
    LIGHTING_COLOURFUL_B = 1175,
    LIGHTING_COLOURFUL_B_LABEL = 1176,
    LIGHTING_PRESET_RED = 1194,  // presets 0-3 are 1194-1197
    LIGHTING_PRESET_YELLOW = 1195,
    LIGHTING_PRESET_GREEN = 1196,
    LIGHTING_PRESET_BLUE = 1197,
    LIGHTING_USER_COLOUR_LABEL = 1159,
    LIGHTING_USER_COLOUR = 1160,
    LIGHTING_BASE_COLOUR_LABEL = 1161,
    LIGHTING_BASE_COLOUR = 1162,
    LIGHTING_TOOL_LABEL = 1163,
    LIGHTING_TOOL_USER = 1164,
    LIGHTING_TOOL_BASE = 1165,
    LIGHTING_USER_MODE_LIST = 1198,
};

enum class LightingControlKind { LABEL, LIST, EDITABLE_LIST, SLIDER, PICTURE, COLOUR };

struct LightingControlInfo {
    int id;
    std::string_view skinKey;
    LightingControlKind kind;
    // Key of the caption in the skin's "Control_Name" sections; empty for controls without one.
    std::string_view labelKey;
};

// Every control the panel creates, in creation order.
std::span<const LightingControlInfo> LightingControls();
const LightingControlInfo* FindLightingControl(int id);

// Skin entries of the direction label and pictures for a mode group that has them: the
// outward/inward group at the plain names, the left/right group at "...2", up/down at "...3".
struct DirectionPlaces {
    std::string_view label;
    std::string_view first;
    std::string_view second;
};
DirectionPlaces DirectionPlacesFor(int modeId);

// The controls shown for a mode besides those always visible (mode list and its label);
// an unknown mode shows none.
std::vector<int> ControlsShownFor(int modeId);

// Matrix position of a keyboard-map key (key-list position 0-103, or the Fn key's position);
// -1 for anything else.
int MatrixPositionOfMapKey(int mapPosition);

}  // namespace quorvel
