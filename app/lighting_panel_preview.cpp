// Previews of the effect on the keyboard map, and restoring the default lighting.
#include <QColor>
#include <QComboBox>
#include <memory>

#include "app/keyboard_jobs.h"
#include "app/lighting_controls.h"
#include "app/lighting_panel.h"
#include "app/lighting_widgets.h"
#include "app/message_boxes.h"
#include "device/device_link.h"
#include "device/lighting_io.h"
#include "device/result_codes.h"

namespace quorvel {

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

void CLightingPanel::PreviewPlain() {
    if (host_.clearKeyTints) host_.clearKeyTints();
}

void CLightingPanel::RestoreDefaults() {
    if (!AskYesNoText(&window_, "MAIN_PROMPT_DEFAULT")) return;
    if (host_.resetAssignments) host_.resetAssignments();
    if (state_.lightingShown) RestoreDefaultLighting();
    if (host_.applyAll) host_.applyAll();
}

// The language stays as the user chose it: restoring the lighting re-reads the keyboard and
// rebuilds the panel instead.
void CLightingPanel::RestoreDefaultLighting() {
    if (!CanWrite()) return;
    const int profile = state_.activeProfile;
    const bool userModes = SupportsUserMode(state_);
    if (userModes) RestoreFactoryUserColours(paths_, profile);
    LightingState modeOne = state_;
    modeOne.colourful = true;
    const ParamWrite mode = ModeWrite(profile, 1, modeOne);
    DeviceLink& link = link_;
    const ProgramPaths paths = paths_;
    auto user = std::make_shared<UserModeState>();
    auto table = std::make_shared<KeyColourTable>();
    auto marks = std::make_shared<KeyColourMarks>();
    RunJob(
        "lighting defaults",
        [&link, paths, profile, userModes, mode, user, table, marks] {
            int result = SendParamWrite(link, mode);
            if (userModes) {
                const int sent = LoadUserMode(link, paths, profile, *user, *table, *marks);
                if (result == CMD_OK) result = sent;
            }
            const int defaults = SendParamWrite(link, DefaultParamsWrite(profile));
            return result == CMD_OK ? defaults : result;
        },
        false);
    if (userModes) user_ = LoadUserMode(paths_, profile, table_, marks_);
    // What the keyboard now holds rebuilds the panel.
    Reload(false);
    PreviewRainbow();
}

}  // namespace quorvel
