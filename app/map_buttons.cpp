#include "app/map_buttons.h"

#include <QWidget>

#include "skin/skin_file.h"

namespace quorvel {

MapButtons::MapButtons(QWidget& window, const IniFile& skin, const MapImages& images)
    : window_(window), skin_(skin), images_(images) {}

CPngButton& MapButtons::New(int controlId, std::string_view objectName) {
    auto* button = new CPngButton(&window_);
    button->setObjectName(QString::fromUtf8(objectName.data(), qsizetype(objectName.size())));
    buttons_[controlId] = button;
    return *button;
}

void MapButtons::PlaceKey(CPngButton& button, std::string_view skinKey) {
    const SkinRect rect = PlaceSkinned(button, skin_, SKIN_SECTION_BUTTONS, skinKey, KeyLooks());
    if (rect.IsUnused()) unplaced_.insert(&button);
}

void MapButtons::EnableIfPlaced(CPngButton* button, bool enable) const {
    if (button != nullptr) button->setEnabled(enable && !unplaced_.contains(button));
}

CPngButton* MapButtons::ForControl(int controlId) const {
    auto found = buttons_.find(controlId);
    return found == buttons_.end() ? nullptr : found->second;
}

StateImages MapButtons::KeyLooks() const {
    return {images_.normal, images_.over, images_.down, images_.normal, images_.disable};
}

StateImages MapButtons::EditedLooks() const {
    return {images_.over, images_.over, images_.down, images_.normal, images_.over};
}

}  // namespace quorvel
