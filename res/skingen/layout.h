#pragma once
// The one table of the skin: every control of every skinned window with its rectangle and how
// it is drawn. The INI files and the pictures are both produced from it.
#include <QRect>
#include <QSize>
#include <QString>
#include <utility>
#include <vector>

namespace quorvel::skingen {

// How a control appears in the state pictures.
enum class Draw {
    None,        // placed only: the program draws it (labels, lists, sliders, colour buttons)
    Key,         // a keycap with its legend
    GKey,        // a G key: corner legend, the program draws the bank caption
    FlipKey,     // one of the six keys of the Flip layout
    FlipPanel,   // the frame behind the Flip layout
    FlipToggle,  // a small toggle with a swap icon
    LockLed,     // lock indicator: unlit when normal, lit when "over"
    BankLed,     // G-key bank: A lit when normal, B lit when "over"
    Button,      // plain button; the program draws its caption
    IconButton,  // button with an icon (and an optional text legend)
    Tile,        // the profile manager tile with its rotated caption
    Flat,        // flat area the program writes text into (version)
    Link,        // text link
    ReportRate,  // report rate choice: k signal bars
    Title,       // title artwork of a dialog
};

enum class Icon {
    None,
    Menu,
    Help,
    Minimize,
    Close,
    Clear,
    Keyboard,
    Plus,
    Minus,
    Folder,
    Trash,
    Check,
    Cross,
    Globe,
    Swap
};

// A drawn control's art goes one pixel up and left of its rectangle, because the program cuts
// a control's piece there; a one-pixel margin inside the rectangle keeps the art whole.
struct SkinControl {
    SkinControl(QString key, QRect rect, Draw draw = Draw::None, QString legend = {},
                QString shifted = {}, Icon icon = Icon::None, int value = 0)
        : key(std::move(key)),
          rect(rect),
          draw(draw),
          legend(std::move(legend)),
          shifted(std::move(shifted)),
          icon(icon),
          value(value) {}

    QString key;
    QRect rect;
    Draw draw = Draw::None;
    QString legend;   // keycap legend or text drawn into the picture
    QString shifted;  // upper legend of two-legend keys
    Icon icon = Icon::None;
    int value = 0;  // signal bars of a report-rate button
};

// A frame of BUTTONINFO2: the cell it is drawn in within its strip picture. Its origin in the
// INI is one pixel right of and below the cell, since pieces are cut one pixel up and left.
struct SkinFrame {
    QString key;
    QRect cell;
    bool up = false;
    bool left = false;
    int frame = 1;
};

struct DialogSkin {
    QString iniName;
    QString background;  // [SCREEN] Main
    QString mask;        // [SCREEN] Mask
    QSize size;
    std::vector<SkinControl> controls;
};

// Index of a key in the key-name space: scan codes below 0x100 as they are, extended keys
// 0x80 plus their low byte.
constexpr int KeyIndexOf(int scanCode) {
    return scanCode < 0x100 ? scanCode : scanCode - 0x80;
}
QString KeySkinName(int scanCode);

DialogSkin MainSkin();
DialogSkin CompositeSkin();
DialogSkin ProfileSkin();
DialogSkin ProgramProfilesSkin();
std::vector<SkinFrame> ArrowFrames();
QSize ArrowPictureSize();

// Where the lighting panel and the keyboard plate sit in the main window.
QRect MainPlateRect();
QRect MainPanelRect();
// Pages of the composite dialog are drawn into this area.
QRect CompositePageRect();

// The link address written to [SCREEN] Link.
inline const QString MAIN_LINK = QStringLiteral("Help/index.html");

}  // namespace quorvel::skingen
