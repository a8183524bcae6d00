#include "editors/dialog_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace quorvel {

QPoint PlaceBesideKey(QRect key, QSize dialog, QRect available) {
    const int left = key.left();
    const int top = key.top();
    const int right = key.left() + key.width();
    const int bottom = key.top() + key.height();
    const int w = dialog.width();
    const int h = dialog.height();
    const bool roomRight = available.left() + available.width() - right >= w;
    const bool roomBelow = available.top() + available.height() - bottom >= h;
    const bool roomLeft = left - available.left() >= w;
    const bool roomAbove = top - available.top() >= h;
    if (roomRight && roomBelow) return {right, bottom};
    if (roomRight && roomAbove) return {right, top - h};
    if (roomLeft && roomBelow) return {left - w, bottom};
    if (roomLeft && roomAbove) return {left - w, top - h};
    // Nothing fits beside the key: keep as much of the dialog on the screen as it allows.
    const int x = std::max(available.left(), std::min(right, available.right() + 1 - w));
    const int y = std::max(available.top(), std::min(bottom, available.bottom() + 1 - h));
    return {x, y};
}

void MoveBesideKey(QWidget& dialog, QRect key) {
    QScreen* screen = QGuiApplication::screenAt(key.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    dialog.move(PlaceBesideKey(key, dialog.size(), screen->availableGeometry()));
}

}  // namespace quorvel
