// The effect controls of the lighting panel: mode, brightness, speed, direction, colour,
// colourful switches and presets. Each change goes to the keyboard's lighting record at once.
#include <QComboBox>

#include "app/lighting_panel.h"
#include "app/lighting_widgets.h"
#include "device/device_link.h"
#include "device/lighting_io.h"

namespace quorvel {

void CLightingPanel::Write(const QString& name, const ParamWrite& write, bool latest) {
    DeviceLink& link = link_;
    writer_.Run(
        name, [&link, write] { return SendParamWrite(link, write); }, latest,
        LightingWriteScope::EFFECT);
}

void CLightingPanel::OnModeChosen(int row) {
    if (rebuilding_ || row < 0) return;
    const int id = modeList_->itemData(row).toInt();
    // A row whose id this program does not know shows only the list and writes nothing.
    if (FindEffectMode(id) == nullptr) {
        ShowControlsFor(id);
        PreviewPlain();
        return;
    }
    state_.modeId = id;
    Write("lighting mode", ModeWrite(state_.activeProfile, id, state_), false);
    ShowPreview(id);
    ShowControlsFor(id);
}

void CLightingPanel::OnBrightness(int position) {
    if (std::optional<ParamWrite> write = MoveBrightnessSlider(state_, position))
        Write("lighting brightness", *write, true);
}

void CLightingPanel::OnSpeed(int position) {
    if (std::optional<ParamWrite> write = MoveSpeedSlider(state_, position))
        Write("lighting speed", *write, true);
}

void CLightingPanel::OnDirection(int direction) {
    state_.direction = direction;
    ShowDirection(state_.modeId);
    Write("lighting direction", DirectionWrite(state_.activeProfile, direction), false);
}

void CLightingPanel::OnColourChosen(Colour colour) {
    state_.colourful = false;
    state_.colour = colour;
    colourA_->SetColour(colour);
    colourB_->SetColour(colour);
    ShowColourful();
    Write("lighting colour", ColourWrite(state_.activeProfile, colour), true);
    PreviewSingle(colour);
}

void CLightingPanel::OnColourfulToggled(bool switchB) {
    state_.colourful = !state_.colourful;
    if (switchB) state_.secondColourfulLook = state_.secondColourfulLook != 0 ? 0 : 1;
    ShowColourful();
    Write("lighting colourful", ColourfulWrite(state_.activeProfile, state_.colourful), false);
    if (state_.colourful) {
        PreviewRainbow();
    } else {
        PreviewSingle(state_.colour);
    }
}

void CLightingPanel::OnPresetChosen(int preset) {
    state_.preset = preset;
    ShowPresets();
    Write("lighting preset", PresetWrite(state_.activeProfile, preset), false);
}

}  // namespace quorvel
