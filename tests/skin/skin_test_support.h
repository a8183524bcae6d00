#pragma once
// Small helpers shared by the skin tests.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

namespace quorvel::testing {

inline QPixmap Solid(QColor colour, QSize size = QSize(200, 200)) {
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

// A picture whose every pixel tells where it is: red = x, green = y.
inline QPixmap CoordinatePicture(QSize size = QSize(200, 200)) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) image.setPixel(x, y, qRgb(x, y, 0));
    }
    return QPixmap::fromImage(image);
}

// What the widget shows at a point, as it would appear on screen.
inline QRgb Shown(QWidget& widget, QPoint at = QPoint(0, 0)) {
    return widget.grab().toImage().pixel(at) & 0xFFFFFF;
}

inline bool WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

}  // namespace quorvel::testing
