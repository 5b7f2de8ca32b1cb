// The geometric pieces annotations are drawn from, as plain functions in image space (y up):
// the arrow's curve, callout and counter tails, the magnifier's connector and the deterministic
// hand-drawn jitter. The renderer only strokes and fills what these return.
#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "editor/shape.h"

namespace corvalin {

// The jitter value j of a seed: a value in [−1, 1] in steps of 0.001 (SplitMix64 finalizer).
double jitter(std::uint64_t seed, std::int64_t j);

// The arrow's head length for a stroke width.
double arrowHeadLength(double width);
// The control point of an arrow: `control`, or the midpoint of its ends.
QPointF arrowControl(const Shape& arrow);
// n + 1 points of the arrow's quadratic curve at t = i / n.
std::vector<QPointF> arrowCurve(const Shape& arrow, int n);

// What an arrow draws: the shaft polyline, which stops inside the head, and the head triangle.
// Empty when the arrow is 1 unit long or shorter.
struct ArrowGeometry {
  std::vector<QPointF> shaft;
  std::array<QPointF, 3> head;
};
std::optional<ArrowGeometry> arrowGeometry(const Shape& arrow);

// The corner radius of a callout bubble.
double calloutCornerRadius(const QRectF& box, double fontSize);
// The callout tail triangle (base point, base point, apex) leaving bubble `box` of corner
// radius `radius` towards `tip`.
std::array<QPointF, 3> calloutTail(const QRectF& box, double radius, QPointF tip);

// The counter's tail: a closed path of two quadratic curves hanging from the disc.
QPainterPath counterTail(const QRectF& bubble, bool flipX, bool flipY);
// Where the tail of a counter ends, for the flips given.
QPointF counterTailTip(const QRectF& bubble, bool flipX, bool flipY);

// The point where the ray from the centre of `r` along unit `u` leaves `r` rounded with corner
// radius 0.3 × its shorter side.
QPointF boundary(const QRectF& r, QPointF u);
// The magnifier's connector between source and panel; nothing when they overlap or share a
// centre.
std::optional<std::array<QPointF, 2>> connectorLine(const QRectF& source, const QRectF& panel);

// The hand-drawn circle's n + 1 points: once round plus 0.18 rad, from 6 % outside the ellipse
// to 8 % inside it, starting at an angle picked by the seed.
std::vector<QPointF> sketchOvalPoints(const Shape& oval, int n);
// The jitter amplitude of a hand-drawn stroke of a width.
double sketchAmplitude(double width);
// A smooth path through `points` pushed sideways by the seed's jitter, growing in over the
// first points. `sal` offsets the jitter sequence.
QPainterPath aMano(const std::vector<QPointF>& points, double amplitude, int sal,
                   std::uint64_t seed);

// The filter parameters of a pixelate or blur region of size w × h.
double pixelateScale(double w, double h);
double blurRadius(double w, double h);

// The fitted size and origin of a sticker in region `r` for an emoji measured (w0, h0) at
// size 100: the font size, and the drawn rectangle, centred in r.
struct StickerFit {
  double fontSize = 0;
  QRectF rect;
};
std::optional<StickerFit> stickerFit(const QRectF& r, QSizeF measuredAt100);

// A rectangle rounded outwards to whole units.
QRectF roundedOut(const QRectF& r);

}  // namespace corvalin
