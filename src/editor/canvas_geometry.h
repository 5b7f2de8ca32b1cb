// The canvas's geometry as plain functions: where new counters, magnifier panels, callout
// tails and stickers go, what a drag does to the selected shape, where the inspector sits,
// and the brush arithmetic of the pixel tools. Image space unless said otherwise (y up).
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <optional>
#include <vector>

#include "editor/shape.h"
#include "retouch/brush.h"

namespace corvalin {

// Hit tolerance around shapes and handles, in view points.
inline constexpr double kToleranciaPuntos = 9;

// The tail of a callout aimed nowhere: straight down from the box, never closer than 6 view
// points to the picture's bottom edge at display scale `k`.
QPointF defaultTail(const QRectF& box, double k);

// A sticker placed with a click: a square of side 0.14 × the picture's shorter side (64…320)
// centred on the click.
QRectF stickerDeUnClic(QPointF centro, QSizeF picture);

// A new counter moved so its tail tip is `tip`, its tail turned towards the inside of the
// picture near the right and top edges.
void colocarContador(Shape& counter, QPointF tip, QSizeF picture, const TextMeasurer& m);

// The centre of a new magnifier's panel: right of, left of, below or above its source, the
// first whose whole panel fits in the picture, else the right-hand one kept inside.
QPointF magnifierPlacement(const QRectF& source, double zoom, QSizeF picture);

// The top-left corner of the inspector bar (size `bar`) for an anchor in widget coordinates
// (y down) inside `area`: above the anchor, below when there is no room, kept 4 points inside.
QPoint posicionDelInspector(const QRectF& anchor, QSize bar, const QRect& area);

// The shape under `p`, searched from the top of the stack down.
std::optional<int> shapeAt(const std::vector<Shape>& shapes, QPointF p, double tolerance,
                           const TextMeasurer& m);
// The first of a shape's handles within `tolerance` of `p`; the arrow's bend handle is left out
// while `sinCurva`.
std::optional<int> handleAt(const Shape& s, QPointF p, double tolerance, const TextMeasurer& m,
                            bool sinCurva);

// A drag of the selected shape in progress.
struct Arrastre {
  enum class Tipo { mover, asa, panel };
  Tipo tipo = Tipo::mover;
  QPointF desde;
  int asa = 0;
  Shape original;
};
// The shape as the drag has it with the pointer at `p`.
Shape aplicarArrastre(const Arrastre& a, QPointF p, const TextMeasurer& m);

// Brush arithmetic of the pixel tools.
inline constexpr double kRadioMinimo = 2;
inline constexpr double kRadioMaximo = 300;
// `[` and `]`: × 0.8 or × 1.25, rounded, kept within 2…300.
double pasoDeRadio(double radius, bool mayor);
// The brush handed to the engines for `tool` at display scale `k`.
retouch::Brush pincelPara(ToolKind tool, double radiusPoints, double k, double opacity);
// The points a drag from `desde` to `hasta` (pixels) is dabbed at: evenly spaced, the first
// after `desde`, the last at `hasta`.
std::vector<QPointF> puntosDelTrazo(QPointF desde, QPointF hasta, double radiusPixels);
// The speck size dust removal looks for, in pixels: 2…24.
int despeckleRadius(double radiusPixels, QSize picture);

}  // namespace corvalin
