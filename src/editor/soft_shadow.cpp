#include "editor/soft_shadow.h"

#include <QPaintDevice>
#include <algorithm>
#include <cmath>

#include "editor/image_filters.h"

namespace corvalin {

void drawSoftShadow(QPainter& painter, const QRectF& bounds, const SoftShadow& shadow,
                    const std::function<void(QPainter&)>& paint) {
  if (shadow.color.alpha() == 0) return;
  const QTransform t = painter.worldTransform();
  const double scale = std::sqrt(std::abs(t.determinant()));
  const double sigma = shadow.blur * scale / 2;
  const QPointF offset = t.map(shadow.offset) - t.map(QPointF(0, 0));
  const double margin = std::ceil(3 * sigma) + 2;
  QRect area = t.mapRect(bounds).adjusted(-margin, -margin, margin, margin).toAlignedRect();
  // Only what can land on the device is worth blurring, however far the content reaches.
  if (QPaintDevice* device = painter.device()) {
    const QRect visible = QRect(0, 0, device->width(), device->height())
                              .adjusted(-margin, -margin, margin, margin)
                              .translated(-offset.toPoint());
    area &= visible;
  }
  if (area.isEmpty()) return;
  // A wide shadow has no detail worth full resolution: it is drawn and blurred at 1/f of the
  // device size (still three or more pixels per standard deviation) and enlarged smoothly.
  const int f = std::max(1, static_cast<int>(sigma / 3));
  const QSize size((area.width() + f - 1) / f, (area.height() + f - 1) / f);
  QImage layer(size, QImage::Format_ARGB32_Premultiplied);
  layer.fill(Qt::transparent);
  {
    QPainter p(&layer);
    p.setRenderHints(painter.renderHints());
    p.setTransform(t * QTransform::fromTranslate(-area.x(), -area.y()) *
                   QTransform::fromScale(1.0 / f, 1.0 / f));
    paint(p);
  }
  // Keep the coverage, take the colour of the shadow.
  const QRgb tint = shadow.color.rgba();
  const int ta = qAlpha(tint);
  for (int y = 0; y < layer.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
    for (int x = 0; x < layer.width(); ++x) {
      const int a = qAlpha(line[x]) * ta / 255;
      line[x] = qRgba(qRed(tint) * a / 255, qGreen(tint) * a / 255, qBlue(tint) * a / 255, a);
    }
  }
  if (sigma / f >= 0.5) layer = gaussianBlur(layer, sigma / f);
  painter.save();
  painter.resetTransform();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRectF(QPointF(area.topLeft()) + offset, QSizeF(size) * f), layer);
  painter.restore();
}

}  // namespace corvalin
