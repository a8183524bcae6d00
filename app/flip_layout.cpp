#include "app/flip_layout.h"

#include <QSettings>
#include <string>

#include "skin/skin_file.h"

namespace quorvel {
namespace {

constexpr const char* FLIP_SETTING = "PROFILES/Flip";

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

void FlipLayout::PlaceFrame() {
    frame_ = &buttons_.New(CONTROL_FLIP_0, "FLIP_0");
    PlaceSkinned(*frame_, buttons_.Skin(), SKIN_SECTION_BUTTONS, "FLIP_0", buttons_.KeyLooks());
    frame_->setEnabled(false);
    frame_->lower();
}

void FlipLayout::Place(const std::array<CPngButton*, FLIP_F_KEY_COUNT>& fKeys) {
    fKeys_ = fKeys;
    for (int d = 0; d < FLIP_D_KEY_COUNT; ++d) {
        const std::string skinKey = "FLIP_D" + std::to_string(d + 1);
        dKeys_[d] = &buttons_.New(CONTROL_FLIP_D1 + d, skinKey);
        // Not in the key list: they only show the Flip layout, a click picks nothing.
        buttons_.PlaceKey(*dKeys_[d], skinKey);
    }
    arrows_[0] = &buttons_.New(CONTROL_LEFT_ARROW, "LEFT_ARROW");
    arrows_[1] = &buttons_.New(CONTROL_RIGHT_ARROW, "RIGHT_ARROW");
    CPngButton& left = buttons_.New(CONTROL_FLIP_1, "FLIP_1");
    CPngButton& right = buttons_.New(CONTROL_FLIP_2, "FLIP_2");
    for (CPngButton* toggle : {&left, &right}) {
        buttons_.PlaceKey(*toggle, toggle->objectName().toStdString());
        connect(toggle, &QAbstractButton::clicked, this, &FlipLayout::Toggle);
    }
    left.SetPaintCallback(
        [this](CPngButton&, bool normal) { UpdateArrow(ArrowSide::Left, normal); });
    right.SetPaintCallback(
        [this](CPngButton&, bool normal) { UpdateArrow(ArrowSide::Right, normal); });
}

void FlipLayout::Toggle() {
    WriteFlipSetting(ReadFlipSetting() == 0 ? 1 : 0);
    Apply();
}

void FlipLayout::Apply() {
    if (frame_ == nullptr) return;
    flip_ = ReadFlipSetting();
    const bool flipped = flip_ != 0;
    for (CPngButton* key : fKeys_) buttons_.EnableIfPlaced(key, !flipped);
    for (CPngButton* key : dKeys_) buttons_.EnableIfPlaced(key, flipped);
    const MapImages& images = buttons_.Images();
    const QPixmap& panel = flipped ? images.secondNormal : images.normal;
    frame_->SetStateImages({panel, panel, panel, panel, images.disable});
    for (ArrowSide side : {ArrowSide::Left, ArrowSide::Right}) {
        UpdateArrow(side, arrowStates_[int(side)].show);
    }
}

void FlipLayout::UpdateArrow(ArrowSide side, bool normalLook) {
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
    PlaceWithFrame(*arrow, buttons_.Skin(), SKIN_SECTION_BUTTONS,
                   left ? "LEFT_ARROW" : "RIGHT_ARROW", SKIN_SECTION_FRAMES, frame.toStdString(),
                   buttons_.Images().arrow);
}

}  // namespace quorvel
