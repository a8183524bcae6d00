#include "app/colour_keys.h"

#include "app/shell_state.h"
#include "base/texts.h"

namespace quorvel {

ColourFlags ReadColourFlags(const KeyArea& area, bool bankB) {
    ColourFlags flags;
    for (int p = 0; p < MAP_KEY_COUNT; ++p) flags.keys[p] = area[p].colourFlag;
    const int bankOffset = bankB ? G_KEY_COUNT : 0;
    for (int n = 0; n < G_KEY_COUNT; ++n)
        flags.gKeys[n] = area[G_KEY_ENTRY_BANK_A + bankOffset + n].colourFlag;
    return flags;
}

ColourKeys::ColourKeys(const MapImages& images, EditorHost& host,
                       const std::array<CPngButton*, MAP_KEY_COUNT>& keys,
                       const std::array<CPngButton*, G_KEY_COUNT>& gKeys)
    : images_(images), host_(host), keys_(keys), gKeys_(gKeys) {}

bool ColourKeys::On() {
    return Shell().colourKeysMode.load() != 0;
}

void ColourKeys::SetOn(bool on) {
    Shell().colourKeysMode = on ? 1 : 0;
    ApplyCaption();
}

void ColourKeys::ApplyCaption() {
    if (modeSwitch_ == nullptr) return;
    modeSwitch_->setText(QString::fromStdString(
        Text(On() ? "MAIN_SWITCH_COLOR_TEXT" : "MAIN_SWITCH_FUNCTION_TEXT")));
}

void ColourKeys::Show(const ColourFlags& flags) {
    const bool on = On();
    for (int p = 0; p < MAP_KEY_COUNT; ++p)
        keys_[p]->SetColourLook(images_.colourOff, images_.colourOn, on, int(flags.keys[p]));
    for (int n = 0; n < G_KEY_COUNT; ++n)
        gKeys_[n]->SetColourLook(images_.colourOff, images_.colourOn, on, int(flags.gKeys[n]));
}

void ColourKeys::Flip(CPngButton& button, int area, int flagEntry) {
    uint32_t flag = 0;
    {
        WorkingSetLock data = ProfileWorkingSet::Instance().Lock();
        KeyAssignment& entry = data->keyAreas[area][flagEntry];
        entry.colourFlag = entry.colourFlag != 0 ? 0 : 1;
        flag = entry.colourFlag;
    }
    button.SetColourLook(images_.colourOff, images_.colourOn, true, int(flag));
    host_.EnableApply(true);
}

}  // namespace quorvel
