#pragma once
// Where the key assignment dialog opens: beside the key that was clicked.
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace quorvel {

// Right and below the key, right and above, left and below, left and above, whichever first
// fits the available area; otherwise right and below, kept on it.
QPoint PlaceBesideKey(QRect key, QSize dialog, QRect available);

// Moves the dialog beside the key (a rectangle on the screen), on the screen that shows the key.
void MoveBesideKey(QWidget& dialog, QRect key);

}  // namespace quorvel
