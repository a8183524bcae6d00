#pragma once
// Where the key assignment dialog opens: beside the key that was clicked.
//
// On Wayland a window cannot choose its place, and the compositor centres the dialog over the
// main window. The one window type placed relative to its parent, a popup, does not serve: as a
// modal dialog it gets no keys at all (sway leaves the keyboard with the blocked main window),
// and made non-modal it takes keys, but the first message box it opens closes it.
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
