#pragma once
// The buttons of the keyboard map by control id, the looks they are cut from, and which of them
// the skin has no place for: those stay disabled whatever the layout.
#include <QPixmap>
#include <map>
#include <set>
#include <string_view>

#include "base/ini_file.h"
#include "skin/png_button.h"

class QWidget;

namespace quorvel {

// The main window's state pictures every button's looks are cut from.
struct MapImages {
    QPixmap normal;
    QPixmap over;
    QPixmap down;
    QPixmap disable;
    QPixmap secondNormal;  // the copy kept for the Flip layout
    QPixmap arrow;
    QPixmap colourOff;
    QPixmap colourOn;
};

class MapButtons {
public:
    MapButtons(QWidget& window, const IniFile& skin, const MapImages& images);

    // A button of the window, found later by its control id.
    CPngButton& New(int controlId, std::string_view objectName);
    // Placed from the skin with the key looks; one the skin leaves out is remembered.
    void PlaceKey(CPngButton& button, std::string_view skinKey);
    void EnableIfPlaced(CPngButton* button, bool enable) const;
    // Null for a control the map does not own.
    CPngButton* ForControl(int controlId) const;

    // The checked picture is the one that shows a key carries an assignment.
    StateImages KeyLooks() const;
    // A key while its editor is open.
    StateImages EditedLooks() const;
    const MapImages& Images() const { return images_; }
    const IniFile& Skin() const { return skin_; }

private:
    QWidget& window_;
    const IniFile& skin_;
    MapImages images_;
    std::map<int, CPngButton*> buttons_;
    std::set<const CPngButton*> unplaced_;
};

}  // namespace quorvel
