#pragma once
// The key assignment dialog's skinned pieces: the state pictures its buttons are cut from, the
// page backgrounds, and buttons, labels and boxes placed where the skin file puts them. The
// dialog and its macro page build their controls through it.
#include <QPixmap>
#include <array>

class QLabel;
class QWidget;

namespace quorvel {

class CBaseDialog;
class CPngButton;

class CompositeSkin {
public:
    static constexpr int PAGES = 4;

    explicit CompositeSkin(CBaseDialog& dialog) : dialog_(dialog) {}

    // The dialog's skin and every picture; false when one cannot be loaded.
    bool Load();

    // An image button with a white caption; checkedLook: it shows the pressed look when checked.
    CPngButton& Button(const char* skinKey, bool checkedLook = false);
    // A heading or label: light text on the picture, wrapping.
    QLabel& Label(const char* skinKey, double pointSize);
    // The same look for a label placed by other means.
    static void StyleLabel(QLabel& label, double pointSize);
    // Moves a control the dialog made itself to its rectangle.
    void Place(QWidget& control, const char* skinKey);
    const QPixmap& PageImage(int page) const { return pageImages_[page]; }

private:
    CBaseDialog& dialog_;
    std::array<QPixmap, 4> looks_;  // normal, over, down, disabled
    std::array<QPixmap, PAGES> pageImages_;
};

}  // namespace quorvel
