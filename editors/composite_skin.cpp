#include "editors/composite_skin.h"

#include <QLabel>

#include "skin/base_dialog.h"
#include "skin/png_button.h"
#include "skin/skin_file.h"
#include "skin/skin_names.h"

namespace quorvel {
namespace {

const QColor CAPTION_WHITE(0xFF, 0xFF, 0xFF);
constexpr const char* LABEL_STYLE = "color: #e4e4e4; background: transparent;";

}  // namespace

bool CompositeSkin::Load() {
    if (!dialog_.LoadSkin()) return false;
    const QSize client = dialog_.Background().size();
    QString error;
    const auto load = [&](std::string_view name) {
        return LoadStatePixmap(
            dialog_.SkinFolder() + QString::fromUtf8(name.data(), qsizetype(name.size())), client,
            &error);
    };
    const std::string_view lookNames[] = {skin_names::COMPOSITE_NORMAL, skin_names::COMPOSITE_OVER,
                                          skin_names::COMPOSITE_DOWN,
                                          skin_names::COMPOSITE_DISABLE};
    for (size_t i = 0; i < looks_.size(); ++i) {
        looks_[i] = load(lookNames[i]);
        if (looks_[i].isNull()) return false;
    }
    for (size_t i = 0; i < pageImages_.size(); ++i) {
        pageImages_[i] = load(skin_names::COMPOSITE_PAGES[i]);
        if (pageImages_[i].isNull()) return false;
    }
    return true;
}

CPngButton& CompositeSkin::Button(const char* skinKey, bool checkedLook) {
    auto* button = new CPngButton(&dialog_);
    button->setObjectName(skinKey);
    button->setFocusPolicy(Qt::NoFocus);
    const StateImages images{looks_[0], looks_[1], looks_[2], looks_[3],
                             checkedLook ? looks_[2] : looks_[0]};
    PlaceSkinned(*button, dialog_.Skin(), SKIN_SECTION_BUTTONS, skinKey, images);
    button->SetCaptionFont(true, 9, "Tahoma", CAPTION_WHITE, CAPTION_DEFAULT_FORMAT);
    return *button;
}

QLabel& CompositeSkin::Label(const char* skinKey, double pointSize) {
    auto* label = new QLabel(&dialog_);
    label->setObjectName(skinKey);
    StyleLabel(*label, pointSize);
    Place(*label, skinKey);
    return *label;
}

void CompositeSkin::StyleLabel(QLabel& label, double pointSize) {
    label.setStyleSheet(LABEL_STYLE);
    QFont font("Tahoma");
    font.setPointSizeF(pointSize);
    label.setFont(font);
    label.setWordWrap(true);
}

void CompositeSkin::Place(QWidget& control, const char* skinKey) {
    PlaceOnly(control, dialog_.Skin(), SKIN_SECTION_BUTTONS, skinKey);
}

}  // namespace quorvel
