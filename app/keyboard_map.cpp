#include "app/keyboard_map.h"

#include <QWidget>
#include <algorithm>
#include <utility>

#include "app/keyboard_jobs.h"
#include "skin/skin_file.h"

namespace quorvel {

namespace {

constexpr int F1_POSITION = 52;  // F1-F4 give way to D1-D6 in the Flip layout
constexpr int CONTROL_ENTER = 1070;
const QColor SWITCH_CAPTION_COLOUR(0xE4, 0xE4, 0xE4);
const QColor G_CAPTION_COLOUR(0xFF, 0xFF, 0xFF);
// G1-G5 carry the bank in their captions; G6-G9 stay blank.
constexpr int G_KEYS_WITH_CAPTION = 5;

}  // namespace

KeyboardMap::KeyboardMap(QWidget& window, const IniFile& skin, const MapImages& images,
                         EditorHost& host, KeyboardJobs& jobs, ActiveBankB activeBankB,
                         OpenKeyEditor openKeyEditor)
    : QObject(nullptr),
      buttons_(window, skin, images),
      images_(buttons_.Images()),
      host_(host),
      jobs_(jobs),
      activeBankB_(std::move(activeBankB)),
      openKeyEditor_(std::move(openKeyEditor)),
      flip_(buttons_),
      tints_([this](int position) { return TintedButtons(position); }),
      colourKeys_(images_, host_, keys_, gKeys_) {
    connect(&jobs_, &KeyboardJobs::BusyChanged, this, [this](bool busy) {
        if (!busy) RunDeferred();
    });
    ProfileWorkingSet::Instance().SetObserver(this);
}

KeyboardMap::~KeyboardMap() {
    if (ProfileWorkingSet::Instance().Observer() == this) {
        ProfileWorkingSet::Instance().SetObserver(nullptr);
    }
}

void KeyboardMap::Place() {
    // FLIP_0 frames the Flip keys and the toggles, LOCK_AB sits under the G keys' corner and
    // Enter reaches under "]": each lies below the buttons drawn over it.
    flip_.PlaceFrame();
    lockAb_ = &buttons_.New(CONTROL_LOCK_AB, "LOCK_AB");
    PlaceSkinned(*lockAb_, buttons_.Skin(), SKIN_SECTION_BUTTONS, "LOCK_AB", buttons_.KeyLooks());
    lockAb_->lower();

    for (int n = 0; n < G_KEY_COUNT; ++n) {
        const std::string skinKey = GKeySkinEntry(n + 1);
        CPngButton& button = buttons_.New(G_KEY_CONTROLS[n], skinKey);
        buttons_.PlaceKey(button, skinKey);
        button.SetCaptionFont(true, 8, "Tahoma", G_CAPTION_COLOUR, CAPTION_DEFAULT_FORMAT);
        button.SetPaintCallback([this](CPngButton& b, bool) { tints_.Draw(b, G_KEYS_POSITION); });
        gKeys_[n] = &button;
        const int controlId = G_KEY_CONTROLS[n];
        connect(&button, &QAbstractButton::clicked, this,
                [this, controlId] { OnKeyClicked(controlId); });
    }
    for (int p = 0; p < MAP_KEY_COUNT; ++p) {
        const std::string skinKey = KeySkinEntry(KeyIndexOf(MAP_KEYS[p].scanCode));
        const int controlId = MAP_KEYS[p].controlId;
        CPngButton& button = buttons_.New(controlId, skinKey);
        buttons_.PlaceKey(button, skinKey);
        if (controlId == CONTROL_ENTER) button.lower();
        button.SetPaintCallback([this, p](CPngButton& b, bool) { tints_.Draw(b, p); });
        keys_[p] = &button;
        connect(&button, &QAbstractButton::clicked, this,
                [this, controlId] { OnKeyClicked(controlId); });
    }
    fn_ = &buttons_.New(CONTROL_KEY_FN, "KEY_FN");
    buttons_.PlaceKey(*fn_, "KEY_FN");
    fn_->SetPaintCallback([this](CPngButton& b, bool) { tints_.Draw(b, FN_KEY_POSITION); });
    connect(fn_, &QAbstractButton::clicked, this, [this] { OnKeyClicked(CONTROL_KEY_FN); });

    modeSwitch_ = &buttons_.New(CONTROL_MODE_SWITCH, "FUNC_SWITCH");
    buttons_.PlaceKey(*modeSwitch_, "FUNC_SWITCH");
    modeSwitch_->SetCaptionFont(true, 10, "Arial", SWITCH_CAPTION_COLOUR, CAPTION_DEFAULT_FORMAT);
    connect(modeSwitch_, &QAbstractButton::clicked, this, &KeyboardMap::ToggleColourKeysMode);
    colourKeys_.SetSwitch(modeSwitch_);

    flip_.Place({keys_[F1_POSITION], keys_[F1_POSITION + 1], keys_[F1_POSITION + 2],
                 keys_[F1_POSITION + 3]});

    const std::pair<int, const char*> locks[] = {{CONTROL_LOCK_CAPS, "LOCK_CAPS"},
                                                 {CONTROL_LOCK_NUM, "LOCK_NUM"},
                                                 {CONTROL_LOCK_SCROLL, "LOCK_SCROLL"}};
    const StateImages lockLooks{images_.normal, images_.normal, images_.normal, images_.normal,
                                images_.over};
    for (size_t i = 0; i < locks_.size(); ++i) {
        locks_[i] = &buttons_.New(locks[i].first, locks[i].second);
        PlaceSkinned(*locks_[i], buttons_.Skin(), SKIN_SECTION_BUTTONS, locks[i].second, lockLooks);
    }

    ShowGKeyBank(activeBankB_());
    flip_.Apply();
    // Every start is in function keys mode.
    SetColourKeysMode(false);
    ApplyCaptions();
}

int KeyboardMap::GIndexOfControl(int controlId) const {
    const int n = GNumberOfControl(controlId);
    if (n < 0) return -1;
    return activeBankB_() ? n + G_KEY_COUNT : n;
}

void KeyboardMap::OnKeyClicked(int controlId) {
    CPngButton* button = ButtonForControl(controlId);
    // A key the skin left out, or one the Flip layout turned off, is not there to click.
    if (button == nullptr || !button->isEnabled()) return;
    const std::optional<KeySelection> key = SelectKey(controlId, activeBankB_());
    if (!key) return;

    if (key->gIndex < 0 && painter_ != nullptr && painter_->ViewShown()) {
        if (painter_->PaintingKeys()) painter_->PaintKey(key->position);
        return;
    }
    if (key->position == FN_KEY_POSITION) return;

    // A keyboard job may hold the working set for its whole write; the click is refused
    // rather than waiting for it with the window frozen.
    if (jobs_.Busy()) {
        emit ClickRefused();
        return;
    }
    selected_.reserved = 0;
    selected_.keyCode = key->keyCode;
    selected_.controlId = uint32_t(controlId);
    selected_.isG9 = key->isG9 ? 1 : 0;
    if (ColourKeysMode()) {
        colourKeys_.Flip(*button, ShownArea(), key->ColourFlagEntry());
        return;
    }
    ShowKeyEdited(selected_.controlId, true);
    if (openKeyEditor_) openKeyEditor_(selected_);
}

void KeyboardMap::ShowKeyEdited(uint32_t controlId, bool editing) {
    CPngButton* button = ButtonForControl(int(controlId));
    if (button == nullptr) return;
    button->SetStateImages(editing ? buttons_.EditedLooks() : buttons_.KeyLooks());
}

bool KeyboardMap::ColourKeysMode() const {
    return ColourKeys::On();
}

void KeyboardMap::ToggleColourKeysMode() {
    SetColourKeysMode(!ColourKeysMode());
}

void KeyboardMap::SetColourKeysMode(bool colourKeys) {
    colourKeys_.SetOn(colourKeys);
    RefreshColourLooks();
}

void KeyboardMap::RefreshColourLooks() {
    if (keys_[0] == nullptr) return;
    ColourFlags flags;
    if (ColourKeysMode()) {
        if (DeferWhileBusy(false, false, true)) return;
        flags = ReadColourFlags(ProfileWorkingSet::Instance().Lock()->keyAreas[ShownArea()],
                                activeBankB_());
    }
    colourKeys_.Show(flags);
}

void KeyboardMap::ShowBankLook(bool bankB) {
    if (lockAb_ == nullptr) return;
    const QPixmap& lit = bankB ? images_.over : images_.normal;
    const QPixmap& checked = bankB ? images_.normal : images_.over;
    lockAb_->SetStateImages({lit, lit, lit, lit, checked});
}

void KeyboardMap::ShowGKeyBank(bool bankB) {
    shownBankB_ = bankB;
    ShowBankLook(bankB);
    for (int n = 0; n < G_KEY_COUNT; ++n) {
        if (gKeys_[n] == nullptr) continue;
        gKeys_[n]->setText(n < G_KEYS_WITH_CAPTION
                               ? QStringLiteral("%1%2").arg(bankB ? 'B' : 'A').arg(n + 1)
                               : QString());
    }
    RefreshGKeys();
    if (ColourKeysMode()) RefreshColourLooks();
}

void KeyboardMap::ApplyCaptions() {
    if (modeSwitch_ == nullptr) return;
    colourKeys_.ApplyCaption();
    // Tip texts name keys and functions in the current language.
    DescribeKeys(true, true);
}

CPngButton* KeyboardMap::ButtonForPosition(int position) const {
    if (position == FN_KEY_POSITION) return fn_;
    if (position < 0 || position >= MAP_KEY_COUNT) return nullptr;
    return keys_[position];
}

std::vector<CPngButton*> KeyboardMap::TintedButtons(int position) const {
    std::vector<CPngButton*> buttons;
    if (position == G_KEYS_POSITION) {
        for (CPngButton* button : gKeys_)
            if (button != nullptr) buttons.push_back(button);
    } else if (CPngButton* button = ButtonForPosition(position)) {
        buttons.push_back(button);
    }
    return buttons;
}

void KeyboardMap::SetKeyTint(int position, std::optional<QColor> colour, bool marked) {
    tints_.Set(position, colour, marked);
}

void KeyboardMap::ClearKeyTints() {
    tints_.Clear();
}

bool KeyboardMap::DeferWhileBusy(bool gKeys, bool mapKeys, bool colourLooks) {
    if (!jobs_.Busy()) return false;
    pendingGKeys_ |= gKeys;
    pendingMapKeys_ |= mapKeys;
    pendingColourLooks_ |= colourLooks;
    return true;
}

void KeyboardMap::RunDeferred() {
    const bool gKeys = std::exchange(pendingGKeys_, false);
    const bool mapKeys = std::exchange(pendingMapKeys_, false);
    const bool colourLooks = std::exchange(pendingColourLooks_, false);
    if (gKeys || mapKeys) DescribeKeys(gKeys, mapKeys);
    if (colourLooks) RefreshColourLooks();
}

}  // namespace quorvel
