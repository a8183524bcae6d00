// How the lighting panel looks: which controls each mode shows, the pictures of the direction,
// colourful, preset and view switches, and the previews of the effect on the keyboard map.
#include <QColor>
#include <set>

#include "app/lighting_controls.h"
#include "app/lighting_panel.h"
#include "app/lighting_widgets.h"
#include "skin/png_button.h"
#include "skin/skin_file.h"
#include "skin/skin_names.h"

namespace quorvel {

void CLightingPanel::ShowControlsFor(int modeId) {
    // -1: the view is hidden and only the switch stays.
    std::set<int> shown;
    if (modeId != -1) {
        for (int id : ControlsShownFor(modeId)) shown.insert(id);
        shown.insert({LIGHTING_MODE_LIST, LIGHTING_MODE_LABEL});
    }
    shown.insert(LIGHTING_SWITCH);
    for (auto& [id, control] : controls_) control->setVisible(shown.count(id) != 0);
    if (modeId != -1) ShowDirection(modeId);
}

void CLightingPanel::ShowDirection(int modeId) {
    namespace n = skin_names;
    const EffectMode* mode = FindEffectMode(modeId);
    const LightingGroup group = mode != nullptr ? mode->group : LightingGroup::NONE;
    const auto& pairs = group == LightingGroup::VERTICAL    ? n::DIRECTION_VERTICAL
                        : group == LightingGroup::SPREADING ? n::DIRECTION_SPREAD
                                                            : n::DIRECTION_SIDEWAYS;
    const DirectionPlaces places = DirectionPlacesFor(modeId);
    PlaceOnly(*Control(LIGHTING_DIRECTION_LABEL), skin_, SKIN_SECTION_BUTTONS, places.label);
    PlaceOnly(*Control(LIGHTING_DIRECTION_FIRST), skin_, SKIN_SECTION_BUTTONS, places.first);
    PlaceOnly(*Control(LIGHTING_DIRECTION_SECOND), skin_, SKIN_SECTION_BUTTONS, places.second);
    // The "down" picture marks the side whose value the direction holds.
    SetPicture(LIGHTING_DIRECTION_FIRST, state_.direction == 1 ? pairs[0].down : pairs[0].up);
    SetPicture(LIGHTING_DIRECTION_SECOND, state_.direction == 0 ? pairs[1].down : pairs[1].up);
}

void CLightingPanel::ShowColourful() {
    namespace n = skin_names;
    // Both switches write the colourful byte and the preview follows it, so both show it. The
    // second colourful look only takes part in mode 7, which shows switch A; showing it on
    // switch B drew the steady modes' switch off while the keyboard lit many colours.
    const std::string_view look = state_.colourful ? n::COLOURFUL_ON : n::COLOURFUL_OFF;
    SetPicture(LIGHTING_COLOURFUL_A, look);
    SetPicture(LIGHTING_COLOURFUL_B, look);
}

void CLightingPanel::ShowPresets() {
    namespace n = skin_names;
    for (int k = 0; k < PRESET_COUNT; ++k) {
        const auto& pair = n::PRESETS[static_cast<size_t>(k)];
        SetPicture(LIGHTING_PRESET_RED + k, k == state_.preset ? pair.down : pair.up);
    }
}

void CLightingPanel::ShowSwitch() {
    namespace n = skin_names;
    SetPicture(LIGHTING_SWITCH,
               state_.lightingShown ? n::LIGHTING_SWITCH_ON : n::LIGHTING_SWITCH_OFF);
}

// ---- Previews on the map ----

void CLightingPanel::Tint(int mapPosition, Colour colour, bool marked) {
    if (host_.setKeyTint) host_.setKeyTint(mapPosition, ToQColor(colour), marked);
}

void CLightingPanel::ShowPreview(int modeId) {
    switch (PreviewOfMode(modeId, state_.colourful)) {
        case LightingPreview::RAINBOW:
            return PreviewRainbow();
        case LightingPreview::SINGLE_COLOUR:
            return PreviewSingle(state_.colour);
        case LightingPreview::PER_KEY:
            return PreviewPerKey();
        case LightingPreview::PLAIN:
            return PreviewPlain();
    }
}

void CLightingPanel::PreviewRainbow() {
    for (int key = 0; key < MAP_KEY_COUNT; ++key)
        Tint(key, RainbowColourOfPosition(MatrixPositionOfMapKey(key)));
    Tint(FN_KEY_POSITION, RainbowColourOfPosition(MATRIX_FN_POSITION));
    PlainGKeys();
}

void CLightingPanel::PlainGKeys() {
    if (host_.setKeyTint) host_.setKeyTint(G_KEYS_POSITION, std::nullopt, false);
}

// Of the previews only the single colour takes in the G keys; the rainbow and the per-key
// preview cover the keys and Fn (the user colour files keep no colour for the G keys).
void CLightingPanel::PreviewSingle(Colour colour) {
    for (int key = 0; key < MAP_KEY_COUNT; ++key) Tint(key, colour);
    Tint(FN_KEY_POSITION, colour);
    Tint(G_KEYS_POSITION, colour);
}

void CLightingPanel::PreviewPerKey() {
    for (int key = 0; key < MAP_KEY_COUNT; ++key) {
        const auto position = static_cast<size_t>(MatrixPositionOfMapKey(key));
        Tint(key, table_[position], marks_[position] != 0);
    }
    Tint(FN_KEY_POSITION, table_[MATRIX_FN_POSITION], marks_[MATRIX_FN_POSITION] != 0);
    PlainGKeys();
}

// The keys painted with the base colour, in colour: the chosen one, or one the colour dialog
// passes through.
void CLightingPanel::TintBaseKeys(Colour colour) {
    if (!state_.lightingShown || ChosenMode() != USER_MODE_ID) return;
    for (int key = 0; key < MAP_KEY_COUNT; ++key) {
        const int position = MatrixPositionOfMapKey(key);
        if (position >= 0 && marks_[static_cast<size_t>(position)] != 0) Tint(key, colour, true);
    }
    if (marks_[MATRIX_FN_POSITION] != 0) Tint(FN_KEY_POSITION, colour, true);
}

void CLightingPanel::PreviewPlain() {
    if (host_.clearKeyTints) host_.clearKeyTints();
}

}  // namespace quorvel
