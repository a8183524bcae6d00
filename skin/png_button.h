#pragma once
// The image button every skinned window is made of: each state is a piece cut out of a
// full-window state picture, optionally with a caption drawn over it.
#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QString>
#include <functional>

namespace quorvel {

// The five looks of a button, in the order the skins list them.
struct StateImages {
    QPixmap normal;
    QPixmap hover;
    QPixmap pressed;
    QPixmap disabled;
    QPixmap checked;
};

// Caption layout flags, with the values skins and callers have always used.
enum CaptionFormat : int {
    CAPTION_LEFT = 0x00,
    CAPTION_CENTER = 0x01,
    CAPTION_RIGHT = 0x02,
    CAPTION_VCENTER = 0x04,
    CAPTION_BOTTOM = 0x08,
    CAPTION_WORDBREAK = 0x10,
    CAPTION_SINGLELINE = 0x20,
};
inline constexpr int CAPTION_DEFAULT_FORMAT = CAPTION_CENTER | CAPTION_VCENTER | CAPTION_SINGLELINE;

class CPngButton : public QAbstractButton {
    Q_OBJECT
public:
    // Which image a paint used; the callback learns whether it was the normal one.
    enum class Look { Normal, Hover, Pressed, Disabled, Checked, ColourOff, ColourOn };
    using PaintCallback = std::function<void(CPngButton& button, bool normalLook)>;

    explicit CPngButton(QWidget* parent = nullptr);

    void SetImages(int x, int y, const StateImages& images, bool redraw = true);
    void SetStateImages(const StateImages& images, bool redraw = true);
    void SetOrigin(int x, int y, bool redraw = true);
    void SetColourLook(const QPixmap& off, const QPixmap& on, bool colourMode, int colourValue,
                       bool redraw = true);
    void SetChecked(bool checked, bool redraw = true);
    void SetFrame(QColor colour, bool enabled);
    void SetCaptionFont(bool enabled, double pointSize = 8, const QString& face = "Tahoma",
                        QColor colour = Qt::black, int format = CAPTION_DEFAULT_FORMAT);
    void SetMargins(int left, int right, int top, int bottom);
    // Escapement in tenths of a degree, counter-clockwise; rotate also makes the caption heavy.
    void SetEscapement(int tenths, bool rotate);
    void SetPaintCallback(PaintCallback callback);
    void SetTooltip(const QString& text, bool activate);

    bool IsChecked() const { return checked_; }
    bool IsHovering() const { return hovering_; }
    int OriginX() const { return originX_; }
    int OriginY() const { return originY_; }
    // The look the next paint will use.
    Look CurrentLook() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    const QPixmap& ImageFor(Look look) const;
    void DrawCaption(class QPainter& painter);
    void ClearTransientState();

    int originX_ = 0;
    int originY_ = 0;
    StateImages images_;
    QPixmap colourOff_;
    QPixmap colourOn_;
    bool colourMode_ = false;
    int colourValue_ = 0;
    bool hovering_ = false;
    bool checked_ = false;

    bool captionEnabled_ = false;
    double captionPointSize_ = 8;
    QString captionFace_ = "Tahoma";
    QColor captionColour_ = Qt::black;
    int captionFormat_ = CAPTION_DEFAULT_FORMAT;
    int marginLeft_ = 0;
    int marginRight_ = 0;
    int marginTop_ = 0;
    int marginBottom_ = 0;
    int escapement_ = 0;
    bool rotate_ = false;

    bool frameEnabled_ = false;
    QColor frameColour_;

    QString tooltipText_;
    PaintCallback paintCallback_;
};

}  // namespace quorvel
