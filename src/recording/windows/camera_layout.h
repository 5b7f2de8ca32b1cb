// Where the camera bubble goes and how big it is, apart from the widget: its sizes by shape,
// its place in the area's bottom-right corner, and growing or shrinking about the corner
// nearest the middle of its screen.
#pragma once

#include <QRect>
#include <QSize>

#include "core/enumerations.h"

namespace corvalin {

// Points: circle 170 (big 270), rectangle 224×168 (big 352×264); `ninguna` as the circle.
QSize tamanoDeBurbuja(FormaDeCamara forma, bool grande);

// 24 points in from the area's right and bottom edges (global logical coordinates).
QRect burbujaEnArea(const QRect& area, QSize tamano);

// `actual` at its new size, keeping the corner nearest the middle of `visible` in place: its
// right edge when its centre is right of the middle, else its left; its top edge when its
// centre is above the middle, else its bottom.
QRect acomodarBurbuja(const QRect& actual, QSize nuevo, const QRect& visible);

}  // namespace corvalin
