#include "skin/png_button.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QtMath>

namespace quorvel {

namespace {

// The caption weight of rotated captions in the skins' own units; Qt's heaviest is close enough.
constexpr QFont::Weight ROTATED_WEIGHT = QFont::Black;

Qt::Alignment AlignmentOf(int format) {
    Qt::Alignment align;
    if (format & CAPTION_CENTER) {
        align |= Qt::AlignHCenter;
    } else if (format & CAPTION_RIGHT) {
        align |= Qt::AlignRight;
    } else {
        align |= Qt::AlignLeft;
    }
    // Vertical placement only applies to single-line captions; others start at the top.
    if ((format & CAPTION_SINGLELINE) && (format & CAPTION_VCENTER)) {
        align |= Qt::AlignVCenter;
    } else if ((format & CAPTION_SINGLELINE) && (format & CAPTION_BOTTOM)) {
        align |= Qt::AlignBottom;
    } else {
        align |= Qt::AlignTop;
    }
    return align;
}

}  // namespace

CPngButton::CPngButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover, false);
    setFocusPolicy(Qt::NoFocus);
}

void CPngButton::SetImages(int x, int y, const StateImages& images, bool redraw) {
    originX_ = x;
    originY_ = y;
    SetStateImages(images, redraw);
}

void CPngButton::SetStateImages(const StateImages& images, bool redraw) {
    images_ = images;
    ClearTransientState();
    if (redraw) update();
}

void CPngButton::SetOrigin(int x, int y, bool redraw) {
    originX_ = x;
    originY_ = y;
    if (redraw) update();
}

void CPngButton::SetColourLook(const QPixmap& off, const QPixmap& on, bool colourMode,
                               int colourValue, bool redraw) {
    colourOff_ = off;
    colourOn_ = on;
    colourMode_ = colourMode;
    colourValue_ = colourValue;
    ClearTransientState();
    if (redraw) update();
}

void CPngButton::SetChecked(bool checked, bool redraw) {
    checked_ = checked;
    if (redraw) update();
}

void CPngButton::SetFrame(QColor colour, bool enabled) {
    frameColour_ = colour;
    frameEnabled_ = enabled;
    update();
}

void CPngButton::SetCaptionFont(bool enabled, double pointSize, const QString& face, QColor colour,
                                int format) {
    captionEnabled_ = enabled;
    captionPointSize_ = pointSize;
    captionFace_ = face;
    captionColour_ = colour;
    captionFormat_ = format;
    update();
}

void CPngButton::SetMargins(int left, int right, int top, int bottom) {
    marginLeft_ = left;
    marginRight_ = right;
    marginTop_ = top;
    marginBottom_ = bottom;
    update();
}

void CPngButton::SetEscapement(int tenths, bool rotate) {
    escapement_ = tenths;
    rotate_ = rotate;
    update();
}

void CPngButton::SetPaintCallback(PaintCallback callback) {
    paintCallback_ = std::move(callback);
}

void CPngButton::SetTooltip(const QString& text, bool activate) {
    tooltipText_ = text;
    setToolTip(activate ? tooltipText_ : QString());
}

void CPngButton::ClearTransientState() {
    hovering_ = false;
    setDown(false);
}

CPngButton::Look CPngButton::CurrentLook() const {
    // Disabled wins over everything: a disabled key must never look pressable.
    if (!isEnabled()) return Look::Disabled;
    if (colourMode_) return colourValue_ != 0 ? Look::ColourOn : Look::ColourOff;
    if (isDown()) return Look::Pressed;
    if (hovering_) return Look::Hover;
    if (checked_) return Look::Checked;
    return Look::Normal;
}

const QPixmap& CPngButton::ImageFor(Look look) const {
    switch (look) {
        case Look::Hover:
            return images_.hover;
        case Look::Pressed:
            return images_.pressed;
        case Look::Disabled:
            return images_.disabled;
        case Look::Checked:
            return images_.checked;
        case Look::ColourOff:
            return colourOff_;
        case Look::ColourOn:
            return colourOn_;
        case Look::Normal:
            break;
    }
    return images_.normal;
}

void CPngButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Look look = CurrentLook();
    if (frameEnabled_) {
        painter.setPen(QPen(frameColour_, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(QPoint(1, 1), QPoint(width() - 2, height() - 2)));
    } else {
        // Skin rectangles count from 1, so the piece starts one pixel up and left of them.
        const QPixmap& image = ImageFor(look);
        if (!image.isNull()) {
            painter.drawPixmap(0, 0, image, originX_ - 1, originY_ - 1, width(), height());
        }
    }
    if (captionEnabled_) DrawCaption(painter);
    painter.end();
    if (paintCallback_) paintCallback_(*this, look == Look::Normal);
}

void CPngButton::DrawCaption(QPainter& painter) {
    QFont font(captionFace_);
    font.setPixelSize(qMax(1, qRound(captionPointSize_ * logicalDpiY() / 72.0)));
    font.setWeight(rotate_ ? ROTATED_WEIGHT : QFont::Normal);
    painter.setFont(font);
    painter.setPen(captionColour_);

    QRect area = rect();
    area.setLeft(area.left() + marginLeft_);
    area.setRight(area.right() + marginRight_);
    area.setTop(area.top() + marginTop_);
    area.setBottom(area.bottom() + marginBottom_);
    const QString caption = text();

    if (!rotate_ || escapement_ == 0) {
        int flags = int(AlignmentOf(captionFormat_));
        if ((captionFormat_ & CAPTION_WORDBREAK) && !(captionFormat_ & CAPTION_SINGLELINE)) {
            flags |= Qt::TextWordWrap;
        }
        painter.drawText(area, flags, caption);
        return;
    }

    // A rotated caption is centred by its rotated extent, then drawn from the top-left corner
    // of its unrotated cell along the rotated baseline.
    const QFontMetrics metrics(font);
    const double angle = qDegreesToRadians(escapement_ / 10.0);
    const double textWidth = metrics.horizontalAdvance(caption);
    const double textHeight = metrics.height();
    const double cosA = std::cos(angle);
    const double sinA = std::sin(angle);
    double left = area.left();
    double bottom = area.bottom();
    if (cosA * textWidth < area.width()) {
        left += (area.width() - cosA * textWidth) / 2 - sinA * textHeight / 2;
    }
    if (sinA * textWidth < area.height()) {
        bottom += -(area.height() - sinA * textWidth) / 2 + cosA * textHeight / 2;
    }
    const Qt::Alignment align = AlignmentOf(captionFormat_);
    double top = area.top();
    if (align & Qt::AlignBottom) {
        top = bottom - textHeight;
    } else if (align & Qt::AlignVCenter) {
        top = area.top() + (bottom - area.top() - textHeight) / 2;
    }
    painter.save();
    painter.translate(left, top);
    painter.rotate(-escapement_ / 10.0);
    painter.drawText(QRectF(0, 0, textWidth + 1, textHeight), Qt::AlignLeft | Qt::AlignTop,
                     caption);
    painter.restore();
}

void CPngButton::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CPngButton::leaveEvent(QEvent* event) {
    hovering_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace quorvel
