// The colour picker's loupe: where it goes beside the pointer, how it is laid out, and which
// pixel of the frozen screen the pointer is on. Coordinates are a layer's logical pixels,
// origin top left, unless they say root.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>

#include "platform/screen_map.h"

namespace corvalin {

inline constexpr int kCeldasDeLupa = 15;      // pixels across the magnified square
inline constexpr double kAumentoDeLupa = 13;  // logical pixels per magnified pixel
inline constexpr double kLadoDeLupa = kCeldasDeLupa * kAumentoDeLupa;  // 195
inline constexpr double kAltoDeLupa = kLadoDeLupa + 30;                // with the footer: 225

// The loupe's frame for the pointer at `cursor`: 22 px below and right of it; left of it when
// it would come within 8 px of the view's right edge, above it near the bottom edge.
QRectF marcoDeLupa(QPointF cursor, const QRectF& vista);
// Inside the frame: the magnified square, the cell of the pixel under the pointer, the
// colour swatch and the line for its text.
QRectF cuadroDeLupa(const QRectF& marco);
QRectF celdaCentral(const QRectF& marco);
QRectF muestraDeLupa(const QRectF& marco);
QRectF textoDeLupa(const QRectF& marco);

// The root pixel under a layer point of `pantalla`, kept inside the screen and the root.
QPoint pixelBajo(QPointF local, const PantallaEnMapa& pantalla, const QRect& raiz);
// Where a root pixel's centre lies on the layer of `pantalla`.
QPointF puntoDePixel(QPoint pixel, const PantallaEnMapa& pantalla);

}  // namespace corvalin
