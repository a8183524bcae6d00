#include "app/key_tints.h"

#include <QPainter>
#include <QPainterPath>

namespace quorvel {
namespace {

// The tint leaves the key's legend readable: a light wash inside a frame of the full colour.
constexpr int TINT_FILL_ALPHA = 80;
constexpr int TINT_FRAME_WIDTH = 2;
constexpr int MARK_SIZE = 7;

}  // namespace

void KeyTints::Set(int position, std::optional<QColor> colour, bool marked) {
    const std::vector<CPngButton*> buttons = buttonsOf_(position);
    if (buttons.empty()) return;
    if (colour) {
        tints_[position] = Tint{*colour, marked};
    } else {
        tints_[position].reset();
    }
    for (CPngButton* button : buttons) button->update();
}

void KeyTints::Clear() {
    for (int position = 0; position <= G_KEYS_POSITION; ++position) {
        if (!tints_[position]) continue;
        tints_[position].reset();
        for (CPngButton* button : buttonsOf_(position)) button->update();
    }
}

void KeyTints::Draw(CPngButton& button, int position) const {
    const std::optional<Tint>& tint = tints_[position];
    if (!tint) return;
    QPainter painter(&button);
    const QRect inner = button.rect().adjusted(2, 2, -2, -2);
    QColor wash = tint->colour;
    wash.setAlpha(TINT_FILL_ALPHA);
    painter.fillRect(inner, wash);
    painter.setPen(QPen(tint->colour, TINT_FRAME_WIDTH));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(inner.adjusted(1, 1, -1, -1));
    if (tint->marked) {
        // A corner triangle, white on a dark edge, reads on any key colour.
        QPainterPath mark;
        const QPoint corner = inner.topRight();
        mark.moveTo(corner);
        mark.lineTo(corner - QPoint(MARK_SIZE, 0));
        mark.lineTo(corner + QPoint(0, MARK_SIZE));
        mark.closeSubpath();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        painter.drawPath(mark);
    }
}

}  // namespace quorvel
