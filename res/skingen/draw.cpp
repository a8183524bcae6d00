#include "res/skingen/draw.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

namespace quorvel::skingen {

namespace {

constexpr double WINDOW_RADIUS = 14;

QColor CapLegendColour(State state, bool gKey) {
    switch (state) {
        case State::Over:
            return Qt::white;
        case State::Down:
            return QColor(0x06, 0x1a, 0x22);
        case State::Disable:
            return palette::ACCENT;
        case State::ColourOff:
            return palette::TEXT_DIM;
        case State::ColourOn:
            return QColor(0x2a, 0x1a, 0x00);
        case State::Normal:
            break;
    }
    return gKey ? palette::ACCENT : palette::TEXT;
}

void DrawLed(QPainter& p, QPointF centre, bool lit) {
    const double radius = 3.5;
    if (lit) {
        QRadialGradient glow(centre, radius * 3);
        glow.setColorAt(0, QColor(0x27, 0xd3, 0xff, 150));
        glow.setColorAt(1, QColor(0x27, 0xd3, 0xff, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(centre, radius * 3, radius * 3);
    }
    p.setBrush(lit ? palette::ACCENT : QColor(0x33, 0x38, 0x42));
    p.setPen(QPen(lit ? QColor(0xb8, 0xf1, 0xff) : QColor(0x45, 0x4b, 0x57), 1));
    p.drawEllipse(centre, radius, radius);
}

void DrawBars(QPainter& p, const QRectF& box, int count, const QColor& on, const QColor& off) {
    const double barWidth = 4;
    const double gap = 3;
    const double total = 4 * barWidth + 3 * gap;
    double x = box.center().x() - total / 2;
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        const double height = 5 + i * 4;
        p.setBrush(i < count ? on : off);
        p.drawRoundedRect(QRectF(x, box.center().y() + 8 - height, barWidth, height), 1, 1);
        x += barWidth + gap;
    }
}

}  // namespace

QFont UiFont(double pixelSize, QFont::Weight weight) {
    QFont font;
    font.setFamilies({"Noto Sans CJK SC", "Noto Sans", "DejaVu Sans"});
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QRect ArtRect(const QRect& controlRect) {
    return controlRect.translated(-1, -1).adjusted(1, 1, -1, -1);
}

void DrawLegend(QPainter& p, const QRect& box, const QString& text, const QColor& colour,
                double pixelSize, int flags, QFont::Weight weight) {
    p.setFont(UiFont(pixelSize, weight));
    p.setPen(colour);
    p.drawText(box, flags, text);
}

void DrawCard(QPainter& p, const QRectF& rect, const QColor& fill) {
    p.setPen(QPen(palette::PLATE_EDGE, 1));
    p.setBrush(fill);
    p.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

void DrawKeyCap(QPainter& p, const QRect& art, State state, const QString& legend,
                const QString& shifted, bool gKey) {
    const QRectF face = QRectF(art).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(face.topLeft(), face.bottomLeft());
    QColor edge = palette::CAP_EDGE;
    switch (state) {
        case State::Over:
            fill.setColorAt(0, QColor(0x3a, 0x40, 0x4d));
            fill.setColorAt(1, QColor(0x2c, 0x31, 0x3b));
            edge = palette::ACCENT;
            break;
        case State::Down:
            fill.setColorAt(0, palette::ACCENT_DEEP);
            fill.setColorAt(1, palette::ACCENT);
            edge = QColor(0x9d, 0xec, 0xff);
            break;
        case State::ColourOff:
            fill.setColorAt(0, QColor(0x22, 0x25, 0x2c));
            fill.setColorAt(1, QColor(0x1e, 0x21, 0x27));
            edge = QColor(0x30, 0x34, 0x3e);
            break;
        case State::ColourOn:
            fill.setColorAt(0, QColor(0xff, 0xc8, 0x5a));
            fill.setColorAt(1, palette::MARK);
            edge = QColor(0xff, 0xe0, 0xa0);
            break;
        case State::Disable:
        case State::Normal:
            fill.setColorAt(0, gKey ? QColor(0x2c, 0x33, 0x3d) : palette::CAP_TOP);
            fill.setColorAt(1, palette::CAP_BOTTOM);
            break;
    }
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawRoundedRect(face, 5, 5);
    if (state != State::Down) {
        // A faint top highlight gives the cap its bevel.
        p.setPen(QPen(QColor(255, 255, 255, 22), 1));
        p.drawLine(face.topLeft() + QPointF(5, 1.5), face.topRight() + QPointF(-5, 1.5));
    }
    if (state == State::Disable) {
        // Carries an assignment: an accent bar along the bottom edge.
        p.setPen(Qt::NoPen);
        p.setBrush(palette::ACCENT);
        p.drawRoundedRect(QRectF(face.left() + 5, face.bottom() - 4, face.width() - 10, 2.5), 1, 1);
    }

    const QColor colour = CapLegendColour(state, gKey);
    const QRect inner = art.adjusted(4, 3, -4, -4);
    if (!shifted.isEmpty()) {
        DrawLegend(p, inner, shifted, state == State::Normal ? palette::TEXT_DIM : colour, 10,
                   Qt::AlignLeft | Qt::AlignTop);
        DrawLegend(p, inner, legend, colour, 11, Qt::AlignLeft | Qt::AlignBottom);
        return;
    }
    if (gKey) {
        DrawLegend(p, inner, legend, colour, 8.5, Qt::AlignLeft | Qt::AlignTop, QFont::Bold);
        return;
    }
    const bool single = legend.size() <= 1;
    // Long legends shrink until they fit the cap.
    double size = single ? 13 : 10.5;
    while (size > 6 && QFontMetrics(UiFont(size)).horizontalAdvance(legend) > inner.width())
        size -= 0.5;
    DrawLegend(p, inner, legend, colour, size,
               single ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignBottom));
}

void DrawButton(QPainter& p, const QRect& art, State state, double radius) {
    const QRectF face = QRectF(art).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(face.topLeft(), face.bottomLeft());
    QColor edge(0x3a, 0x40, 0x4d);
    switch (state) {
        case State::Over:
            fill.setColorAt(0, QColor(0x34, 0x3a, 0x46));
            fill.setColorAt(1, QColor(0x2a, 0x2f, 0x39));
            edge = palette::ACCENT;
            break;
        case State::Down:
            fill.setColorAt(0, palette::ACCENT);
            fill.setColorAt(1, palette::ACCENT_DEEP);
            edge = QColor(0x9d, 0xec, 0xff);
            break;
        case State::Disable:
            fill.setColorAt(0, QColor(0x1f, 0x22, 0x29));
            fill.setColorAt(1, QColor(0x1c, 0x1f, 0x25));
            edge = QColor(0x2a, 0x2e, 0x37);
            break;
        default:
            fill.setColorAt(0, QColor(0x2d, 0x32, 0x3c));
            fill.setColorAt(1, QColor(0x24, 0x28, 0x30));
            break;
    }
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawRoundedRect(face, radius, radius);
}

void DrawIcon(QPainter& p, const QRectF& box, Icon icon, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(colour, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF c = box.center();
    const double s = qMin(box.width(), box.height()) / 2 - 1;
    switch (icon) {
        case Icon::Menu:
            for (int i = -1; i <= 1; ++i)
                p.drawLine(QPointF(c.x() - s * 0.6, c.y() + i * s * 0.45),
                           QPointF(c.x() + s * 0.6, c.y() + i * s * 0.45));
            break;
        case Icon::Help:
            p.drawEllipse(c, s * 0.75, s * 0.75);
            p.setFont(UiFont(s * 1.1, QFont::Bold));
            p.drawText(box, Qt::AlignCenter, "?");
            break;
        case Icon::Minimize:
            p.drawLine(QPointF(c.x() - s * 0.55, c.y() + s * 0.35),
                       QPointF(c.x() + s * 0.55, c.y() + s * 0.35));
            break;
        case Icon::Close:
        case Icon::Cross:
            p.drawLine(c + QPointF(-s * 0.5, -s * 0.5), c + QPointF(s * 0.5, s * 0.5));
            p.drawLine(c + QPointF(s * 0.5, -s * 0.5), c + QPointF(-s * 0.5, s * 0.5));
            break;
        case Icon::Clear: {
            // An eraser: a slanted block over a base line.
            QPainterPath path;
            path.moveTo(c + QPointF(-s * 0.7, s * 0.2));
            path.lineTo(c + QPointF(-s * 0.1, -s * 0.6));
            path.lineTo(c + QPointF(s * 0.6, -s * 0.05));
            path.lineTo(c + QPointF(0, s * 0.65));
            path.lineTo(c + QPointF(-s * 0.4, s * 0.65));
            path.closeSubpath();
            p.drawPath(path);
            p.drawLine(c + QPointF(-s * 0.35, -s * 0.25), c + QPointF(s * 0.3, s * 0.3));
            p.drawLine(c + QPointF(s * 0.1, s * 0.8), c + QPointF(s * 0.8, s * 0.8));
            break;
        }
        case Icon::Keyboard: {
            const QRectF body(c.x() - s * 0.85, c.y() - s * 0.5, s * 1.7, s * 1.0);
            p.drawRoundedRect(body, 2, 2);
            pen.setWidthF(1.2);
            p.setPen(pen);
            for (int i = 0; i < 4; ++i)
                p.drawPoint(QPointF(body.left() + s * 0.3 + i * s * 0.37, body.top() + s * 0.3));
            p.drawLine(QPointF(body.left() + s * 0.4, body.bottom() - s * 0.28),
                       QPointF(body.right() - s * 0.4, body.bottom() - s * 0.28));
            break;
        }
        case Icon::Plus:
            p.drawLine(c + QPointF(-s * 0.55, 0), c + QPointF(s * 0.55, 0));
            p.drawLine(c + QPointF(0, -s * 0.55), c + QPointF(0, s * 0.55));
            break;
        case Icon::Minus:
            p.drawLine(c + QPointF(-s * 0.55, 0), c + QPointF(s * 0.55, 0));
            break;
        case Icon::Folder: {
            QPainterPath path;
            path.moveTo(c + QPointF(-s * 0.8, -s * 0.5));
            path.lineTo(c + QPointF(-s * 0.25, -s * 0.5));
            path.lineTo(c + QPointF(-s * 0.1, -s * 0.3));
            path.lineTo(c + QPointF(s * 0.8, -s * 0.3));
            path.lineTo(c + QPointF(s * 0.8, s * 0.6));
            path.lineTo(c + QPointF(-s * 0.8, s * 0.6));
            path.closeSubpath();
            p.drawPath(path);
            break;
        }
        case Icon::Trash:
            p.drawLine(c + QPointF(-s * 0.7, -s * 0.45), c + QPointF(s * 0.7, -s * 0.45));
            p.drawLine(c + QPointF(-s * 0.2, -s * 0.7), c + QPointF(s * 0.2, -s * 0.7));
            p.drawRoundedRect(QRectF(c.x() - s * 0.5, c.y() - s * 0.35, s, s * 1.1), 1.5, 1.5);
            break;
        case Icon::Check:
            p.drawLine(c + QPointF(-s * 0.6, 0), c + QPointF(-s * 0.15, s * 0.45));
            p.drawLine(c + QPointF(-s * 0.15, s * 0.45), c + QPointF(s * 0.65, -s * 0.45));
            break;
        case Icon::Globe:
            p.drawEllipse(c, s * 0.75, s * 0.75);
            p.drawEllipse(c, s * 0.32, s * 0.75);
            p.drawLine(c + QPointF(-s * 0.75, 0), c + QPointF(s * 0.75, 0));
            break;
        case Icon::Swap:
            p.drawLine(c + QPointF(-s * 0.6, -s * 0.3), c + QPointF(s * 0.6, -s * 0.3));
            p.drawLine(c + QPointF(s * 0.6, -s * 0.3), c + QPointF(s * 0.3, -s * 0.6));
            p.drawLine(c + QPointF(s * 0.6, s * 0.3), c + QPointF(-s * 0.6, s * 0.3));
            p.drawLine(c + QPointF(-s * 0.6, s * 0.3), c + QPointF(-s * 0.3, s * 0.6));
            break;
        case Icon::None:
            break;
    }
    p.restore();
}

void DrawControl(QPainter& p, const SkinControl& control, State state) {
    const QRect art = ArtRect(control.rect);
    // The colour looks only concern keys; everything else keeps its plain look in them.
    const bool keyLike = control.draw == Draw::Key || control.draw == Draw::GKey;
    if (!keyLike && (state == State::ColourOff || state == State::ColourOn)) state = State::Normal;
    const QColor iconColour = state == State::Down      ? QColor(0x06, 0x1a, 0x22)
                              : state == State::Disable ? palette::TEXT_DIM
                              : state == State::Over    ? Qt::white
                                                        : palette::TEXT;
    switch (control.draw) {
        case Draw::None:
            break;
        case Draw::Key:
        case Draw::FlipKey:
            DrawKeyCap(p, art, state, control.legend, control.shifted, false);
            break;
        case Draw::GKey:
            DrawKeyCap(p, art, state, control.legend, {}, true);
            break;
        case Draw::FlipPanel: {
            p.setPen(QPen(state == State::Disable ? palette::ACCENT_DEEP : palette::PLATE_EDGE, 1));
            p.setBrush(QColor(0x17, 0x1a, 0x20));
            p.drawRoundedRect(QRectF(art).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
            break;
        }
        case Draw::FlipToggle:
            DrawButton(p, art, state, 5);
            DrawIcon(p, QRectF(art).adjusted(3, 3, -3, -3), control.icon,
                     state == State::Normal ? palette::ACCENT : iconColour);
            break;
        case Draw::LockLed: {
            const bool lit = state == State::Over;
            DrawLed(p, QPointF(art.left() + 9, art.center().y() + 0.5), lit);
            DrawLegend(p, art.adjusted(17, 0, 0, 0), control.legend,
                       lit ? palette::TEXT : palette::TEXT_DIM, 9, Qt::AlignLeft | Qt::AlignVCenter,
                       QFont::DemiBold);
            break;
        }
        case Draw::BankLed: {
            DrawButton(p, art, State::Disable, 5);
            const bool bankB = state == State::Over;
            const QRect half(art.left(), art.top(), art.width() / 2, art.height());
            const QRect otherHalf(art.left() + art.width() / 2, art.top(),
                                  art.width() - art.width() / 2, art.height());
            DrawLegend(p, half, control.legend, bankB ? palette::TEXT_DIM : palette::ACCENT, 13,
                       Qt::AlignCenter, QFont::Bold);
            DrawLegend(p, otherHalf, control.shifted, bankB ? palette::ACCENT : palette::TEXT_DIM,
                       13, Qt::AlignCenter, QFont::Bold);
            p.setPen(QPen(palette::PLATE_EDGE, 1));
            p.drawLine(QPointF(art.center().x() + 0.5, art.top() + 7),
                       QPointF(art.center().x() + 0.5, art.bottom() - 6));
            break;
        }
        case Draw::Button:
            DrawButton(p, art, state);
            break;
        case Draw::IconButton: {
            DrawButton(p, art, state);
            QColor colour = iconColour;
            if (control.icon == Icon::Close && (state == State::Over || state == State::Down)) {
                p.setPen(Qt::NoPen);
                p.setBrush(state == State::Over ? palette::DANGER : palette::DANGER.darker(130));
                p.drawRoundedRect(QRectF(art).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
                colour = Qt::white;
            }
            QRectF iconBox = QRectF(art).adjusted(4, 4, -4, -4);
            if (!control.legend.isEmpty()) {
                iconBox = QRectF(art.left() + 6, art.top() + 4, art.height() - 8, art.height() - 8);
                DrawLegend(p, art.adjusted(art.height() - 2, 0, -6, 0), control.legend, colour, 12,
                           Qt::AlignCenter);
            }
            DrawIcon(p, iconBox, control.icon, colour);
            break;
        }
        case Draw::Tile: {
            const QRectF face = QRectF(art).adjusted(0.5, 0.5, -0.5, -0.5);
            QLinearGradient fill(face.topLeft(), face.bottomRight());
            const int lift = state == State::Over ? 115 : (state == State::Down ? 80 : 100);
            fill.setColorAt(0, QColor(0x1c, 0x5c, 0x78).lighter(lift));
            fill.setColorAt(1, QColor(0x1d, 0x24, 0x33).lighter(lift));
            p.setPen(QPen(state == State::Over ? palette::ACCENT : QColor(0x2f, 0x6f, 0x8a), 1));
            p.setBrush(fill);
            p.drawRoundedRect(face, 8, 8);
            DrawIcon(p, QRectF(art.right() - 26, art.top() + 5, 20, 18), control.icon,
                     QColor(0xbf, 0xef, 0xff));
            break;
        }
        case Draw::Flat:
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x18, 0x1b, 0x21));
            p.drawRoundedRect(QRectF(art), 4, 4);
            break;
        case Draw::Link: {
            const QColor colour = state == State::Over   ? palette::ACCENT
                                  : state == State::Down ? palette::ACCENT_DEEP
                                                         : palette::TEXT_DIM;
            DrawIcon(p, QRectF(art.left() + 2, art.top() + 3, art.height() - 6, art.height() - 6),
                     control.icon, colour);
            p.setFont(UiFont(12));
            QFont font = UiFont(12);
            font.setUnderline(state == State::Over);
            p.setFont(font);
            p.setPen(colour);
            p.drawText(art.adjusted(art.height(), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       control.legend);
            break;
        }
        case Draw::ReportRate:
            DrawButton(p, art, state, 5);
            DrawBars(
                p, QRectF(art), control.value,
                state == State::Down ? QColor(0x06, 0x1a, 0x22) : palette::ACCENT,
                state == State::Down ? QColor(0x06, 0x1a, 0x22, 70) : QColor(0x3a, 0x40, 0x4d));
            break;
        case Draw::Title:
            // The caption beside the icon is the program's, in the language of the run.
            DrawIcon(p, QRectF(art.left(), art.top() + 2, art.height() - 4, art.height() - 4),
                     control.icon, palette::ACCENT);
            break;
    }
}

void DrawWindowBody(QPainter& p, QSize size, const QString& title, const QString& subtitle) {
    const QRectF body(0.5, 0.5, size.width() - 1, size.height() - 1);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, QColor(0x19, 0x1c, 0x23));
    fill.setColorAt(1, palette::WINDOW);
    p.setPen(QPen(palette::WINDOW_EDGE, 1));
    p.setBrush(fill);
    p.drawRoundedRect(body, WINDOW_RADIUS, WINDOW_RADIUS);
    // A thin accent line under the title bar.
    QLinearGradient line(QPointF(0, 0), QPointF(size.width(), 0));
    line.setColorAt(0, QColor(0x27, 0xd3, 0xff, 0));
    line.setColorAt(0.2, QColor(0x27, 0xd3, 0xff, 160));
    line.setColorAt(0.8, QColor(0x27, 0xd3, 0xff, 40));
    line.setColorAt(1, QColor(0x27, 0xd3, 0xff, 0));
    p.setPen(QPen(QBrush(line), 1));
    p.drawLine(QPointF(16, 48.5), QPointF(size.width() - 16, 48.5));

    // Dialogs with a title control of their own leave the title bar empty.
    if (title.isEmpty()) return;
    p.setFont(UiFont(19, QFont::Black));
    p.setPen(palette::ACCENT);
    const QRect titleBox(22, 10, 400, 30);
    p.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, title);
    const int titleWidth = QFontMetrics(UiFont(19, QFont::Black)).horizontalAdvance(title);
    DrawLegend(p, titleBox.adjusted(titleWidth + 12, 3, 0, 0), subtitle, palette::TEXT_DIM, 12,
               Qt::AlignLeft | Qt::AlignVCenter);
}

}  // namespace quorvel::skingen
