#pragma once
// The lighting panel's own widgets: a slider drawn from the skin's six position pictures, and a
// colour button offering an automatic colour, a small palette and the full colour dialog.
#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <array>

#include "model/lighting.h"

class QColorDialog;

namespace quorvel {

inline QColor ToQColor(Colour colour) {
    const Rgb rgb = RgbOf(colour);
    return QColor(rgb.red, rgb.green, rgb.blue);
}
inline Colour FromQColor(const QColor& colour) {
    return ColourOf(static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                    static_cast<uint8_t>(colour.blue()));
}

// Six positions, 0 at the left. A press or a drag moves it; Moved is emitted for every position
// the user reaches, never for SetPosition.
class CLightingSlider : public QWidget {
    Q_OBJECT
public:
    static constexpr int POSITIONS = SLIDER_MAX + 1;

    explicit CLightingSlider(QWidget* parent = nullptr);

    void SetPictures(const std::array<QPixmap, POSITIONS>& pictures);
    void SetPosition(int position);
    int Position() const { return position_; }
    // The position under x in the slider's own coordinates.
    int PositionAt(int x) const;

signals:
    void Moved(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void MoveTo(int position);

    std::array<QPixmap, POSITIONS> pictures_;
    int position_ = 0;
};

// Shows its colour; a click offers the automatic colour, a palette and "more colours". While
// the colour dialog is open every colour passed through is previewed; OK chooses the dialog's
// colour, and cancelling previews the colour it started from again.
class CLightingColourButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CLightingColourButton(QWidget* parent = nullptr);

    void SetColour(Colour colour);  // no signal
    Colour CurrentColour() const { return colour_; }
    void SetAutomaticColour(Colour colour) { automatic_ = colour; }
    Colour AutomaticColour() const { return automatic_; }
    void SetTexts(const QString& automatic, const QString& more);

    // What a pick from the menu or the dialog does.
    void Choose(Colour colour);
    void ChooseAutomatic() { Choose(automatic_); }

signals:
    void ColourChosen(quorvel::Colour colour);
    // A colour the open colour dialog passes through; not chosen yet.
    void ColourPreviewed(quorvel::Colour colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowChoices();
    void OpenDialog();
    void Preview(Colour colour);

    Colour colour_ = COLOUR_BLACK;
    Colour automatic_ = COLOUR_RED;
    QString automaticText_ = "Automatic";
    QString moreText_ = "More colours...";
};

}  // namespace quorvel
