// The two hiding filters, written for speed because they rerun on every mouse move while the
// user drags a region: pixelation on a centred grid and a Gaussian blur with extended edges.
// Both read and write premultiplied ARGB32 and allocate only per call, never per pixel.
#pragma once

#include <QImage>
#include <QPointF>

namespace corvalin {

// Each block of a grid of `scale`-unit squares, whose lines pass through `centre` (in the
// image's pixel coordinates), becomes the mean colour of its pixels inside the image.
QImage pixelate(const QImage& image, double scale, QPointF centre);

// A Gaussian blur of standard deviation `radius` pixels; beyond its edges the image is taken
// to repeat its edge pixels, so borders neither darken nor fade.
QImage gaussianBlur(const QImage& image, double radius);

}  // namespace corvalin
