// Plain geometry of the selection overlay, in root coordinates (device pixels, which the
// overlay's Qt coordinates equal): the dragged rectangle and where the size label goes.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include "tools/pixel_rect.h"

namespace corvalin::tools {

inline QRect toQRect(const PixelRect& r) {
  return QRect(r.x, r.y, r.width, r.height);
}
inline PixelPoint toPixelPoint(QPoint p) {
  return {p.x(), p.y()};
}

// The rectangle between two corners of a drag: its pixels run from the smaller coordinate
// up to, not including, the larger one, so a drag of 100 pixels selects 100 pixels and a
// click selects nothing.
QRect spannedRect(QPoint anchor, QPoint current);

// Where a label of `labelSize` describing `subject` goes: below its bottom-left corner,
// else above its top, else inside its bottom edge; always inside `monitor`.
QRect labelRect(const QRect& subject, QSize labelSize, const QRect& monitor);

// "1280 × 720".
QString sizeText(QSize sizePx);

}  // namespace corvalin::tools
