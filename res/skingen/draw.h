#pragma once
// Drawing primitives of the skin's look: a dark surface with one cyan accent.
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

#include "res/skingen/layout.h"

namespace quorvel::skingen {

// The looks a drawn control can be pictured in.
enum class State { Normal, Over, Down, Disable, ColourOff, ColourOn };

namespace palette {
inline const QColor WINDOW(0x14, 0x16, 0x1b);
inline const QColor WINDOW_EDGE(0x2c, 0x31, 0x3c);
inline const QColor PLATE(0x1b, 0x1e, 0x25);
inline const QColor PLATE_EDGE(0x2a, 0x2f, 0x3a);
inline const QColor CAP_TOP(0x31, 0x35, 0x3f);
inline const QColor CAP_BOTTOM(0x25, 0x28, 0x30);
inline const QColor CAP_EDGE(0x3b, 0x40, 0x4c);
inline const QColor TEXT(0xd9, 0xdd, 0xe5);
inline const QColor TEXT_DIM(0x7c, 0x84, 0x93);
inline const QColor ACCENT(0x27, 0xd3, 0xff);
inline const QColor ACCENT_DEEP(0x0f, 0x7f, 0xa6);
inline const QColor MARK(0xff, 0xb0, 0x2e);
inline const QColor DANGER(0xe8, 0x4a, 0x5f);
}  // namespace palette

// A sans-serif face that also carries Chinese.
QFont UiFont(double pixelSize, QFont::Weight weight = QFont::Normal);

// The rectangle a control's art is drawn in (see SkinControl).
QRect ArtRect(const QRect& controlRect);

void DrawKeyCap(QPainter& p, const QRect& art, State state, const QString& legend,
                const QString& shifted, bool gKey);
void DrawButton(QPainter& p, const QRect& art, State state, double radius = 6);
void DrawIcon(QPainter& p, const QRectF& box, Icon icon, const QColor& colour);
void DrawLegend(QPainter& p, const QRect& box, const QString& text, const QColor& colour,
                double pixelSize, int flags = Qt::AlignCenter,
                QFont::Weight weight = QFont::Normal);
// One drawn control of any kind in the given state.
void DrawControl(QPainter& p, const SkinControl& control, State state);
// The window's own surface: rounded body and a title bar with the product mark.
void DrawWindowBody(QPainter& p, QSize size, const QString& title, const QString& subtitle);
void DrawCard(QPainter& p, const QRectF& rect, const QColor& fill = palette::PLATE);

}  // namespace quorvel::skingen
