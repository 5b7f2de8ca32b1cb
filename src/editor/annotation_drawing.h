// Internal to the renderer: one drawing step per family of annotation kinds, each called with
// the painter already set to the shape's colour, width, and round caps and joins.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

#include "editor/annotation_fonts.h"
#include "editor/shape.h"

namespace corvalin::drawing {

void callout(QPainter& p, const Shape& s, const AnnotationFonts& fonts);
void counter(QPainter& p, const Shape& s, const AnnotationFonts& fonts);
void handText(QPainter& p, const Shape& s, const AnnotationFonts& fonts);
void filteredRegion(QPainter& p, const Shape& s, const QImage& base);
void magnifier(QPainter& p, const Shape& s, const QImage& base);

// Draws `source` (pixel coordinates of `image`) into image-space rectangle `target`, upright.
void imageUpright(QPainter& p, const QRectF& target, const QImage& image, const QRectF& source);
// Runs `paint` with the painter mapping a y-down frame, `scale` image units per unit, whose
// origin is the top-left corner of image-space rectangle `box`.
template <typename Paint>
void upright(QPainter& p, const QRectF& box, double scale, Paint&& paint) {
  p.save();
  p.translate(box.left(), box.bottom());
  p.scale(scale, -scale);
  paint();
  p.restore();
}

}  // namespace corvalin::drawing
