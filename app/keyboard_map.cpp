#include "app/keyboard_map.h"

#include <QPainter>
#include <QPainterPath>
#include <QSettings>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "app/keyboard_jobs.h"
#include "app/shell_state.h"
#include "base/texts.h"
#include "skin/skin_file.h"

namespace quorvel {

const std::array<MapKey, MAP_KEY_COUNT> MAP_KEYS{{
    {1058, 0x01E},  // A
    {1075, 0x030},  // B
    {1073, 0x02E},  // C
    {1060, 0x020},  // D
    {1046, 0x012},  // E
    {1061, 0x021},  // F
    {1062, 0x022},  // G
    {1063, 0x023},  // H
    {1051, 0x017},  // I
    {1064, 0x024},  // J
    {1065, 0x025},  // K
    {1066, 0x026},  // L
    {1077, 0x032},  // M
    {1076, 0x031},  // N
    {1052, 0x018},  // O
    {1053, 0x019},  // P
    {1044, 0x010},  // Q
    {1047, 0x013},  // R
    {1059, 0x01F},  // S
    {1048, 0x014},  // T
    {1050, 0x016},  // U
    {1074, 0x02F},  // V
    {1045, 0x011},  // W
    {1072, 0x02D},  // X
    {1049, 0x015},  // Y
    {1071, 0x02C},  // Z
    {1030, 0x002},  // 1
    {1031, 0x003},  // 2
    {1032, 0x004},  // 3
    {1033, 0x005},  // 4
    {1034, 0x006},  // 5
    {1035, 0x007},  // 6
    {1036, 0x008},  // 7
    {1037, 0x009},  // 8
    {1038, 0x00A},  // 9
    {1039, 0x00B},  // 0
    {1070, 0x01C},  // Enter
    {1022, 0x001},  // Esc
    {1043, 0x00E},  // Backspace
    {1056, 0x00F},  // Tab
    {1090, 0x039},  // Space
    {1040, 0x00C},  // -
    {1041, 0x00D},  // =
    {1054, 0x01A},  // [
    {1055, 0x01B},  // ]
    {1042, 0x02B},  // Backslash
    {1067, 0x027},  // ;
    {1068, 0x028},  // '
    {1029, 0x029},  // `
    {1078, 0x033},  // ,
    {1079, 0x034},  // .
    {1080, 0x035},  // /
    {1010, 0x03B},  // F1
    {1011, 0x03C},  // F2
    {1012, 0x03D},  // F3
    {1013, 0x03E},  // F4
    {1014, 0x03F},  // F5
    {1015, 0x040},  // F6
    {1023, 0x041},  // F7
    {1024, 0x042},  // F8
    {1025, 0x043},  // F9
    {1026, 0x044},  // F10
    {1027, 0x057},  // F11
    {1028, 0x058},  // F12
    {1091, 0x137},  // Print Screen
    {1093, 0x045},  // Pause
    {1094, 0x152},  // Insert
    {1097, 0x153},  // Delete
    {1095, 0x147},  // Home
    {1098, 0x14F},  // End
    {1096, 0x149},  // Page Up
    {1099, 0x151},  // Page Down
    {1103, 0x148},  // Up
    {1101, 0x150},  // Down
    {1100, 0x14B},  // Left
    {1102, 0x14D},  // Right
    {1092, 0x046},  // Scroll Lock
    {1069, 0x03A},  // Caps Lock
    {1088, 0x15D},  // App
    {1083, 0x01D},  // Ctrl
    {1089, 0x11D},  // Right Ctrl
    {1082, 0x02A},  // Shift
    {1081, 0x036},  // Right Shift
    {1085, 0x038},  // Alt
    {1086, 0x138},  // Right Alt
    {1084, 0x15B},  // Win
    {1087, 0x15C},  // Right Win
    {1115, 0x04F},  // Num 1
    {1116, 0x050},  // Num 2
    {1117, 0x051},  // Num 3
    {1112, 0x04B},  // Num 4
    {1113, 0x04C},  // Num 5
    {1114, 0x04D},  // Num 6
    {1108, 0x047},  // Num 7
    {1109, 0x048},  // Num 8
    {1110, 0x049},  // Num 9
    {1120, 0x052},  // Num 0
    {1104, 0x145},  // Num Lock
    {1118, 0x11C},  // Num Enter
    {1119, 0x053},  // Num .
    {1105, 0x135},  // Num /
    {1106, 0x037},  // Num *
    {1107, 0x04A},  // Num -
    {1111, 0x04E},  // Num +
}};

const std::array<int, G_KEY_COUNT> G_KEY_CONTROLS{1000, 1001, 1002, 1003, 1004,
                                                  1140, 1141, 1142, 1143};

namespace {

constexpr const char* FLIP_SETTING = "PROFILES/Flip";
constexpr int F1_POSITION = 52;  // F1-F4 give way to D1-D6 in the Flip layout
constexpr int FLIP_F_KEY_COUNT = 4;
constexpr int CONTROL_ENTER = 1070;
const QColor SWITCH_CAPTION_COLOUR(0xE4, 0xE4, 0xE4);
const QColor G_CAPTION_COLOUR(0xFF, 0xFF, 0xFF);
// G1-G5 carry the bank in their captions; G6-G9 stay blank.
constexpr int G_KEYS_WITH_CAPTION = 5;
// The tint leaves the key's legend readable: a light wash inside a frame of the full colour.
constexpr int TINT_FILL_ALPHA = 80;
constexpr int TINT_FRAME_WIDTH = 2;
constexpr int MARK_SIZE = 7;

}  // namespace

int ReadFlipSetting() {
    bool numeric = false;
    const int flip = QSettings().value(FLIP_SETTING, "0").toString().trimmed().toInt(&numeric);
    return numeric ? flip : 0;
}

void WriteFlipSetting(int flip) {
    QSettings settings;
    settings.setValue(FLIP_SETTING, flip != 0 ? "1" : "0");
    settings.sync();
}

KeyboardMap::KeyboardMap(QWidget& window, const IniFile& skin, const MapImages& images,
                         EditorHost& host, KeyboardJobs& jobs, ActiveBankB activeBankB,
                         OpenKeyEditor openKeyEditor)
    : QObject(nullptr),
      window_(window),
      skin_(skin),
      images_(images),
      host_(host),
      jobs_(jobs),
      activeBankB_(std::move(activeBankB)),
      openKeyEditor_(std::move(openKeyEditor)) {
    entryPosition_.fill(-1);
    for (int p = 0; p < MAP_KEY_COUNT; ++p) entryPosition_[KeyIndexOf(MAP_KEYS[p].scanCode)] = p;
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

StateImages KeyboardMap::KeyLooks() const {
    // The checked picture is the one that shows a key carries an assignment.
    return {images_.normal, images_.over, images_.down, images_.normal, images_.disable};
}

StateImages KeyboardMap::EditedLooks() const {
    return {images_.over, images_.over, images_.down, images_.normal, images_.over};
}

CPngButton& KeyboardMap::NewButton(int controlId, std::string_view objectName) {
    auto* button = new CPngButton(&window_);
    button->setObjectName(QString::fromUtf8(objectName.data(), qsizetype(objectName.size())));
    buttons_[controlId] = button;
    return *button;
}

void KeyboardMap::PlaceKey(CPngButton& button, std::string_view skinKey) {
    const SkinRect rect = PlaceSkinned(button, skin_, SKIN_SECTION_BUTTONS, skinKey, KeyLooks());
    if (rect.IsUnused()) unplaced_.insert(&button);
}

void KeyboardMap::EnableIfPlaced(CPngButton* button, bool enable) {
    if (button != nullptr) button->setEnabled(enable && !unplaced_.contains(button));
}

void KeyboardMap::Place() {
    // FLIP_0 frames the Flip keys and the toggles, LOCK_AB sits under the G keys' corner and
    // Enter reaches under "]": each lies below the buttons drawn over it.
    flip0_ = &NewButton(CONTROL_FLIP_0, "FLIP_0");
    PlaceSkinned(*flip0_, skin_, SKIN_SECTION_BUTTONS, "FLIP_0", KeyLooks());
    flip0_->setEnabled(false);
    flip0_->lower();

    lockAb_ = &NewButton(CONTROL_LOCK_AB, "LOCK_AB");
    PlaceSkinned(*lockAb_, skin_, SKIN_SECTION_BUTTONS, "LOCK_AB", KeyLooks());
    lockAb_->lower();

    for (int n = 0; n < G_KEY_COUNT; ++n) {
        const std::string skinKey = GKeySkinEntry(n + 1);
        CPngButton& button = NewButton(G_KEY_CONTROLS[n], skinKey);
        PlaceKey(button, skinKey);
        button.SetCaptionFont(true, 8, "Tahoma", G_CAPTION_COLOUR, CAPTION_DEFAULT_FORMAT);
        button.SetPaintCallback([this](CPngButton& b, bool) { DrawTint(b, G_KEYS_POSITION); });
        gKeys_[n] = &button;
        const int controlId = G_KEY_CONTROLS[n];
        connect(&button, &QAbstractButton::clicked, this,
                [this, controlId] { OnKeyClicked(controlId); });
    }
    for (int p = 0; p < MAP_KEY_COUNT; ++p) {
        const std::string skinKey = KeySkinEntry(KeyIndexOf(MAP_KEYS[p].scanCode));
        const int controlId = MAP_KEYS[p].controlId;
        CPngButton& button = NewButton(controlId, skinKey);
        PlaceKey(button, skinKey);
        if (controlId == CONTROL_ENTER) button.lower();
        button.SetPaintCallback([this, p](CPngButton& b, bool) { DrawTint(b, p); });
        keys_[p] = &button;
        connect(&button, &QAbstractButton::clicked, this,
                [this, controlId] { OnKeyClicked(controlId); });
    }
    fn_ = &NewButton(CONTROL_KEY_FN, "KEY_FN");
    PlaceKey(*fn_, "KEY_FN");
    fn_->SetPaintCallback([this](CPngButton& b, bool) { DrawTint(b, FN_KEY_POSITION); });
    connect(fn_, &QAbstractButton::clicked, this, [this] { OnKeyClicked(CONTROL_KEY_FN); });

    modeSwitch_ = &NewButton(CONTROL_MODE_SWITCH, "FUNC_SWITCH");
    PlaceKey(*modeSwitch_, "FUNC_SWITCH");
    modeSwitch_->SetCaptionFont(true, 10, "Arial", SWITCH_CAPTION_COLOUR, CAPTION_DEFAULT_FORMAT);
    connect(modeSwitch_, &QAbstractButton::clicked, this, &KeyboardMap::ToggleColourKeysMode);

    for (int d = 0; d < FLIP_D_KEY_COUNT; ++d) {
        const std::string skinKey = "FLIP_D" + std::to_string(d + 1);
        flipKeys_[d] = &NewButton(CONTROL_FLIP_D1 + d, skinKey);
        // Not in the key list: they only show the Flip layout, a click picks nothing.
        PlaceKey(*flipKeys_[d], skinKey);
    }
    arrows_[0] = &NewButton(CONTROL_LEFT_ARROW, "LEFT_ARROW");
    arrows_[1] = &NewButton(CONTROL_RIGHT_ARROW, "RIGHT_ARROW");
    flip1_ = &NewButton(CONTROL_FLIP_1, "FLIP_1");
    flip2_ = &NewButton(CONTROL_FLIP_2, "FLIP_2");
    for (CPngButton* toggle : {flip1_, flip2_}) {
        PlaceKey(*toggle, toggle->objectName().toStdString());
        connect(toggle, &QAbstractButton::clicked, this, &KeyboardMap::ToggleFlip);
    }
    flip1_->SetPaintCallback(
        [this](CPngButton&, bool normal) { UpdateArrow(ArrowSide::Left, normal); });
    flip2_->SetPaintCallback(
        [this](CPngButton&, bool normal) { UpdateArrow(ArrowSide::Right, normal); });

    const std::pair<int, const char*> locks[] = {{CONTROL_LOCK_CAPS, "LOCK_CAPS"},
                                                 {CONTROL_LOCK_NUM, "LOCK_NUM"},
                                                 {CONTROL_LOCK_SCROLL, "LOCK_SCROLL"}};
    const StateImages lockLooks{images_.normal, images_.normal, images_.normal, images_.normal,
                                images_.over};
    for (size_t i = 0; i < locks_.size(); ++i) {
        locks_[i] = &NewButton(locks[i].first, locks[i].second);
        PlaceSkinned(*locks_[i], skin_, SKIN_SECTION_BUTTONS, locks[i].second, lockLooks);
    }

    ShowGKeyBank(activeBankB_());
    ApplyFlip();
    // Every start is in function keys mode.
    SetColourKeysMode(false);
    ApplyCaptions();
}

CPngButton* KeyboardMap::ButtonForControl(int controlId) const {
    auto found = buttons_.find(controlId);
    return found == buttons_.end() ? nullptr : found->second;
}

int KeyboardMap::PositionOfControl(int controlId) const {
    if (controlId == CONTROL_KEY_FN) return FN_KEY_POSITION;
    for (int p = 0; p < MAP_KEY_COUNT; ++p) {
        if (MAP_KEYS[p].controlId == controlId) return p;
    }
    return -1;
}

int KeyboardMap::GNumberOfControl(int controlId) {
    auto found = std::find(G_KEY_CONTROLS.begin(), G_KEY_CONTROLS.end(), controlId);
    return found == G_KEY_CONTROLS.end() ? -1 : int(found - G_KEY_CONTROLS.begin());
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
    const int gIndex = GIndexOfControl(controlId);
    const int position = PositionOfControl(controlId);
    if (gIndex < 0 && position < 0) return;

    if (gIndex < 0 && painter_ != nullptr && painter_->PaintingKeys()) {
        painter_->PaintKey(position);
        return;
    }
    if (position == FN_KEY_POSITION) return;

    SelectedKey key;
    key.reserved = 0;
    key.keyCode =
        gIndex >= 0 ? uint16_t(0x100 + gIndex) : uint16_t(KeyIndexOf(MAP_KEYS[position].scanCode));
    key.controlId = uint32_t(controlId);
    key.isG9 = controlId == CONTROL_G9 ? 1 : 0;

    // A keyboard job may hold the working set for its whole write; the click is refused
    // rather than waiting for it with the window frozen.
    if (jobs_.Busy()) return;
    selected_ = key;
    if (ColourKeysMode()) {
        ToggleColourFlag(*button, gIndex >= 0 ? G_KEY_ENTRY_BANK_A + gIndex : position);
        return;
    }
    ShowKeyEdited(key.controlId, true);
    if (openKeyEditor_) openKeyEditor_(key);
}

void KeyboardMap::ToggleColourFlag(CPngButton& button, int flagEntry) {
    uint32_t flag = 0;
    {
        WorkingSetLock data = ProfileWorkingSet::Instance().Lock();
        KeyAssignment& entry = data->keyAreas[ShownArea()][flagEntry];
        entry.colourFlag = entry.colourFlag != 0 ? 0 : 1;
        flag = entry.colourFlag;
    }
    button.SetColourLook(images_.colourOff, images_.colourOn, true, int(flag));
    host_.EnableApply(true);
}

void KeyboardMap::ShowKeyEdited(uint32_t controlId, bool editing) {
    CPngButton* button = ButtonForControl(int(controlId));
    if (button == nullptr) return;
    button->SetStateImages(editing ? EditedLooks() : KeyLooks());
}

bool KeyboardMap::ColourKeysMode() const {
    return Shell().colourKeysMode.load() != 0;
}

void KeyboardMap::ToggleColourKeysMode() {
    SetColourKeysMode(!ColourKeysMode());
}

void KeyboardMap::SetColourKeysMode(bool colourKeys) {
    Shell().colourKeysMode = colourKeys ? 1 : 0;
    if (modeSwitch_ != nullptr) {
        modeSwitch_->setText(QString::fromStdString(
            Text(colourKeys ? "MAIN_SWITCH_COLOR_TEXT" : "MAIN_SWITCH_FUNCTION_TEXT")));
    }
    RefreshColourLooks();
}

void KeyboardMap::RefreshColourLooks() {
    if (keys_[0] == nullptr) return;
    const bool colourKeys = ColourKeysMode();
    std::array<uint32_t, MAP_KEY_COUNT> keyFlags{};
    std::array<uint32_t, G_KEY_COUNT> gFlags{};
    if (colourKeys) {
        if (DeferWhileBusy(false, false, true)) return;
        const int bankOffset = activeBankB_() ? G_KEY_COUNT : 0;
        WorkingSetLock data = ProfileWorkingSet::Instance().Lock();
        const KeyArea& area = data->keyAreas[ShownArea()];
        for (int p = 0; p < MAP_KEY_COUNT; ++p) keyFlags[p] = area[p].colourFlag;
        for (int n = 0; n < G_KEY_COUNT; ++n) {
            gFlags[n] = area[G_KEY_ENTRY_BANK_A + bankOffset + n].colourFlag;
        }
    }
    for (int p = 0; p < MAP_KEY_COUNT; ++p) {
        keys_[p]->SetColourLook(images_.colourOff, images_.colourOn, colourKeys, int(keyFlags[p]));
    }
    for (int n = 0; n < G_KEY_COUNT; ++n) {
        gKeys_[n]->SetColourLook(images_.colourOff, images_.colourOn, colourKeys, int(gFlags[n]));
    }
}

void KeyboardMap::ToggleFlip() {
    WriteFlipSetting(ReadFlipSetting() == 0 ? 1 : 0);
    ApplyFlip();
}

void KeyboardMap::ApplyFlip() {
    if (flip0_ == nullptr) return;
    flip_ = ReadFlipSetting();
    const bool flipped = flip_ != 0;
    for (int i = 0; i < FLIP_F_KEY_COUNT; ++i) EnableIfPlaced(keys_[F1_POSITION + i], !flipped);
    for (CPngButton* key : flipKeys_) EnableIfPlaced(key, flipped);
    const QPixmap& panel = flipped ? images_.secondNormal : images_.normal;
    flip0_->SetStateImages({panel, panel, panel, panel, images_.disable});
    for (ArrowSide side : {ArrowSide::Left, ArrowSide::Right}) {
        UpdateArrow(side, arrowStates_[int(side)].show);
    }
}

void KeyboardMap::UpdateArrow(ArrowSide side, bool normalLook) {
    ArrowState& state = arrowStates_[int(side)];
    state.show = normalLook;
    CPngButton* arrow = arrows_[int(side)];
    if (!state.show || arrow == nullptr) return;
    const bool left = side == ArrowSide::Left;
    const QString frame = QStringLiteral("%1%2")
                              .arg(flip_ != 0 ? (left ? "UP_ARROW_LEFT" : "UP_ARROW_RIGHT")
                                              : (left ? "DOWN_ARROW_LEFT" : "DOWN_ARROW_RIGHT"))
                              .arg(state.frame);
    // Called from every paint of the toggle; only a change of frame needs new pictures.
    if (frame == state.shownFrame) return;
    state.shownFrame = frame;
    PlaceWithFrame(*arrow, skin_, SKIN_SECTION_BUTTONS, left ? "LEFT_ARROW" : "RIGHT_ARROW",
                   SKIN_SECTION_FRAMES, frame.toStdString(), images_.arrow);
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
    modeSwitch_->setText(QString::fromStdString(
        Text(ColourKeysMode() ? "MAIN_SWITCH_COLOR_TEXT" : "MAIN_SWITCH_FUNCTION_TEXT")));
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
    const std::vector<CPngButton*> buttons = TintedButtons(position);
    if (buttons.empty()) return;
    if (colour) {
        tints_[position] = Tint{*colour, marked};
    } else {
        tints_[position].reset();
    }
    for (CPngButton* button : buttons) button->update();
}

void KeyboardMap::ClearKeyTints() {
    for (int position = 0; position <= G_KEYS_POSITION; ++position) {
        if (!tints_[position]) continue;
        tints_[position].reset();
        for (CPngButton* button : TintedButtons(position)) button->update();
    }
}

void KeyboardMap::DrawTint(CPngButton& button, int position) {
    const std::optional<Tint>& tint = tints_[position];
    if (!tint) return;
    QPainter painter(&button);
    const QRect inner = button.rect().adjusted(2, 2, -2, -2);
    QColor wash = tint->colour;
    wash.setAlpha(TINT_FILL_ALPHA);
    painter.fillRect(inner, wash);
    painter.setPen(QPen(tint->colour, TINT_FRAME_WIDTH));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(inner.adjusted(1, 1, -1, -1));
    if (tint->marked) {
        // A corner triangle, white on a dark edge, reads on any key colour.
        QPainterPath mark;
        const QPoint corner = inner.topRight();
        mark.moveTo(corner);
        mark.lineTo(corner - QPoint(MARK_SIZE, 0));
        mark.lineTo(corner + QPoint(0, MARK_SIZE));
        mark.closeSubpath();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        painter.drawPath(mark);
    }
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
