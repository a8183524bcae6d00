#include "app/lighting_widgets.h"

#include <QColorDialog>
#include <QCursor>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWidgetAction>
#include <algorithm>

namespace quorvel {
namespace {

// The compact palette of the colour buttons: the keyboard's strong colours first.
constexpr Colour PALETTE[] = {
    ColourOf(255, 0, 0),     ColourOf(255, 128, 0),   ColourOf(255, 255, 0),
    ColourOf(128, 255, 0),   ColourOf(0, 255, 0),     ColourOf(0, 255, 128),
    ColourOf(0, 255, 255),   ColourOf(0, 128, 255),   ColourOf(0, 0, 255),
    ColourOf(128, 0, 255),   ColourOf(255, 0, 255),   ColourOf(255, 0, 128),
    ColourOf(255, 255, 255), ColourOf(192, 192, 192), ColourOf(128, 128, 128),
    ColourOf(0, 0, 0),
};
constexpr int PALETTE_COLUMNS = 4;
constexpr int SWATCH_SIZE = 22;

const QColor FRAME(0x55, 0x5c, 0x68);

}  // namespace

CLightingSlider::CLightingSlider(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::PointingHandCursor);
}

void CLightingSlider::SetPictures(const std::array<QPixmap, POSITIONS>& pictures) {
    pictures_ = pictures;
    update();
}

void CLightingSlider::SetPosition(int position) {
    position_ = std::clamp(position, 0, SLIDER_MAX);
    update();
}

int CLightingSlider::PositionAt(int x) const {
    if (width() <= 0) return 0;
    return std::clamp(x * POSITIONS / width(), 0, SLIDER_MAX);
}

void CLightingSlider::MoveTo(int position) {
    position = std::clamp(position, 0, SLIDER_MAX);
    if (position == position_) return;
    SetPosition(position);
    emit Moved(position);
}

void CLightingSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap& picture = pictures_[static_cast<size_t>(position_)];
    if (!picture.isNull()) {
        painter.drawPixmap(0, 0, picture);
        return;
    }
    // Without the skin's pictures: a plain track and knob, so the control stays usable.
    painter.fillRect(rect(), QColor(0x20, 0x23, 0x2a));
    const int knob = position_ * width() / POSITIONS;
    painter.fillRect(QRect(knob, 0, width() / POSITIONS, height()), FRAME);
}

void CLightingSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) MoveTo(PositionAt(event->position().toPoint().x()));
}

void CLightingSlider::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) MoveTo(PositionAt(event->position().toPoint().x()));
}

void CLightingSlider::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Down) {
        MoveTo(position_ - 1);
    } else if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Up) {
        MoveTo(position_ + 1);
    } else {
        QWidget::keyPressEvent(event);
    }
}

CLightingColourButton::CLightingColourButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, &CLightingColourButton::ShowChoices);
}

void CLightingColourButton::SetColour(Colour colour) {
    colour_ = colour;
    update();
}

void CLightingColourButton::SetTexts(const QString& automatic, const QString& more) {
    automaticText_ = automatic;
    moreText_ = more;
}

void CLightingColourButton::Choose(Colour colour) {
    SetColour(colour);
    emit ColourChosen(colour);
}

void CLightingColourButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(underMouse() ? QColor(0xe4, 0xe4, 0xe4) : FRAME, 2));
    painter.setBrush(ToQColor(colour_));
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
}

void CLightingColourButton::ShowChoices() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* automatic = menu->addAction(automaticText_);
    connect(automatic, &QAction::triggered, this, &CLightingColourButton::ChooseAutomatic);

    auto* grid = new QWidget(menu);
    auto* layout = new QGridLayout(grid);
    layout->setSpacing(3);
    layout->setContentsMargins(6, 4, 6, 4);
    int index = 0;
    for (Colour colour : PALETTE) {
        auto* swatch = new QToolButton(grid);
        swatch->setFixedSize(SWATCH_SIZE, SWATCH_SIZE);
        swatch->setStyleSheet(
            QStringLiteral("background:%1;border:1px solid #555c68;").arg(ToQColor(colour).name()));
        connect(swatch, &QToolButton::clicked, this, [this, menu, colour] {
            menu->close();
            Choose(colour);
        });
        layout->addWidget(swatch, index / PALETTE_COLUMNS, index % PALETTE_COLUMNS);
        ++index;
    }
    auto* paletteAction = new QWidgetAction(menu);
    paletteAction->setDefaultWidget(grid);
    menu->addAction(paletteAction);
    menu->addSeparator();
    QAction* more = menu->addAction(moreText_);
    connect(more, &QAction::triggered, this, &CLightingColourButton::OpenDialog);
    menu->popup(mapToGlobal(QPoint(0, height())));
}

void CLightingColourButton::Preview(Colour colour) {
    SetColour(colour);
    emit ColourPreviewed(colour);
}

void CLightingColourButton::OpenDialog() {
    const Colour before = colour_;
    QColorDialog dialog(ToQColor(colour_), this);
    connect(&dialog, &QColorDialog::currentColorChanged, this,
            [this](const QColor& colour) { Preview(FromQColor(colour)); });
    if (dialog.exec() == QDialog::Accepted) {
        Choose(FromQColor(dialog.selectedColor()));
    } else if (colour_ != before) {
        Preview(before);
    }
}

}  // namespace quorvel
