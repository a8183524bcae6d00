// Draws the program's notification-area icons: 128 no keyboard, 141 keyboard connected,
// 142 the keyboard's special state; with --hicolor, the application icon of the desktop menu in
// the sizes of the hicolor theme (<folder>/<n>x<n>/apps/quorvel.png).
// Usage: icongen <output folder> | icongen --hicolor <output folder>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

constexpr int SIZE = 64;

struct IconLook {
    int id;
    QColor body;
    QColor keys;
    QColor badge;
};

void DrawKeyboard(QPainter& painter, const IconLook& look) {
    QRectF body(3, 16, 58, 32);
    painter.setPen(QPen(look.body.darker(160), 2));
    painter.setBrush(look.body);
    painter.drawRoundedRect(body, 6, 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(look.keys);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 7; ++column) {
            painter.drawRoundedRect(QRectF(8 + column * 7.2, 20 + row * 7, 5.6, 5), 1, 1);
        }
    }
    painter.drawRoundedRect(QRectF(18, 41, 28, 4), 1, 1);
}

void DrawBadge(QPainter& painter, const IconLook& look) {
    QRectF circle(40, 2, 22, 22);
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(look.badge);
    painter.drawEllipse(circle);
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    if (look.id == 128) {
        painter.drawLine(QPointF(45, 7), QPointF(57, 19));  // crossed out
        painter.drawLine(QPointF(57, 7), QPointF(45, 19));
    } else if (look.id == 141) {
        QPainterPath tick;  // connected
        tick.moveTo(45, 13);
        tick.lineTo(49.5, 18);
        tick.lineTo(57, 8);
        painter.drawPath(tick);
    } else {
        QPainterPath bolt;  // special state
        bolt.moveTo(53, 5);
        bolt.lineTo(46, 14);
        bolt.lineTo(52, 14);
        bolt.lineTo(49, 21);
        bolt.lineTo(57, 11);
        bolt.lineTo(51, 11);
        bolt.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawPath(bolt);
    }
}

// The keyboard of the connected tray icon without its badge, drawn at 64 and scaled.
int DrawApplicationIcons(const QString& folder) {
    const IconLook look{0, QColor(0x1f, 0x2a, 0x38), QColor(0x3d, 0xd6, 0xf5), QColor()};
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / double(SIZE), size / double(SIZE));
        DrawKeyboard(painter, look);
        painter.end();
        const QString dir = QString("%1/%2x%2/apps").arg(folder).arg(size);
        QDir().mkpath(dir);
        if (!image.save(dir + "/quorvel.png")) {
            std::fprintf(stderr, "icongen: cannot write %s/quorvel.png\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && QString(argv[1]) == "--hicolor") return DrawApplicationIcons(argv[2]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen <output folder> | icongen --hicolor <folder>\n");
        return 2;
    }
    QDir().mkpath(argv[1]);
    const IconLook looks[] = {
        {128, QColor(0x80, 0x84, 0x8c), QColor(0xd8, 0xdb, 0xe0), QColor(0xc6, 0x28, 0x28)},
        {141, QColor(0x1f, 0x2a, 0x38), QColor(0x3d, 0xd6, 0xf5), QColor(0x2e, 0x9d, 0x4a)},
        {142, QColor(0x1f, 0x2a, 0x38), QColor(0xff, 0xb3, 0x2e), QColor(0xe0, 0x7b, 0x00)},
    };
    for (const IconLook& look : looks) {
        QImage image(SIZE, SIZE, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        DrawKeyboard(painter, look);
        DrawBadge(painter, look);
        painter.end();
        QString path = QString("%1/icon%2.png").arg(argv[1]).arg(look.id);
        if (!image.save(path)) {
            std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
