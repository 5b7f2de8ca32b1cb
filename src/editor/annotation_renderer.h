// Draws annotations onto a picture. The same calls draw the live canvas, its reduced preview
// and the exported picture, so what the user sees is what is copied, saved and uploaded.
//
// Shapes live in image space (y up, origin at the bottom left); pixel rows count from the top.
// imageToPixels() is the one place where the two meet.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRectF>
#include <QTransform>
#include <vector>

#include "editor/annotation_fonts.h"
#include "editor/shape.h"

namespace corvalin {

// Image space to pixel space of a picture `imageHeight` pixels tall: y becomes H − y.
QTransform imageToPixels(double imageHeight);
// The pixel rectangle (rows from the top) under an image-space rectangle.
QRect pixelRect(const QRectF& imageRect, int imageHeight);
// The image-space rectangle over a pixel rectangle.
QRectF imageRect(const QRect& pixels, int imageHeight);

// Draws one shape. The painter's transform must map image space to the device (for a picture
// of the base's size, imageToPixels()). `base` is the document's picture, which pixelate, blur
// and the magnifier sample; they never see other annotations. Leaves the painter's state as
// it found it.
void drawShape(QPainter& painter, const Shape& shape, const QImage& base,
               const AnnotationFonts& fonts);

// The base picture and every shape in stacking order, onto a painter whose transform maps the
// base's pixels to the device (identity for a picture of the same size).
void drawAnnotated(QPainter& painter, const QImage& base, const std::vector<Shape>& shapes,
                   const AnnotationFonts& fonts);

// The flattened picture: premultiplied ARGB32 of the base's size.
QImage flatten(const QImage& base, const std::vector<Shape>& shapes, const AnnotationFonts& fonts);

}  // namespace corvalin
