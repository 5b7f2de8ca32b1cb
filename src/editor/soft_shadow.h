// Drop shadows under drawn content, as a blurred, tinted copy of the content's coverage placed
// at an offset. Sizes are in the painter's user space; the work happens in device pixels.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <functional>

namespace corvalin {

struct SoftShadow {
  QColor color;
  QPointF offset;   // user space: image units, y up under the image-space transform
  double blur = 0;  // the blur's extent; its Gaussian has half this as standard deviation
};

// Paints the shadow that `paint` would cast; `bounds` encloses what `paint` draws, in user
// space. `paint` is called on a scratch painter with the same transform and hints; the caller
// draws the content itself afterwards.
void drawSoftShadow(QPainter& painter, const QRectF& bounds, const SoftShadow& shadow,
                    const std::function<void(QPainter&)>& paint);

}  // namespace corvalin
