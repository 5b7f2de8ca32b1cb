// Annotations that show the picture itself: pixelate, blur and the magnifier.
#include <QPainterPath>
#include <algorithm>

#include "editor/annotation_drawing.h"
#include "editor/annotation_paths.h"
#include "editor/annotation_renderer.h"
#include "editor/image_filters.h"
#include "editor/point_math.h"
#include "editor/soft_shadow.h"

namespace corvalin::drawing {
namespace {

QPainterPath roundedPath(const QRectF& r) {
  const double radius = 0.3 * std::min(r.width(), r.height());
  QPainterPath path;
  path.addRoundedRect(r, radius, radius);
  return path;
}

}  // namespace

void filteredRegion(QPainter& p, const Shape& s, const QImage& base) {
  const QRectF r = roundedOut(s.rect());
  if (!(r.width() > 1 && r.height() > 1)) return;
  const int h = base.height();
  // A region reaching past the picture filters only the part over it; stretching that part
  // over the whole region would misplace what it hides.
  const QRect px = pixelRect(r, h) & base.rect();
  if (px.isEmpty()) return;
  const QImage cut = base.copy(px);
  QImage out;
  if (s.kind == ToolKind::pixelate) {
    const QPointF centre(r.center().x() - px.x(), h - r.center().y() - px.y());
    out = pixelate(cut, pixelateScale(r.width(), r.height()), centre);
  } else {
    out = gaussianBlur(cut, blurRadius(r.width(), r.height()));
  }
  const QRectF target = imageRect(px, h);
  p.save();
  p.translate(target.left(), target.bottom());
  p.scale(1, -1);
  // Blocks stay crisp when the canvas is zoomed in; the blur is smooth either way.
  p.setRenderHint(QPainter::SmoothPixmapTransform, s.kind == ToolKind::blur);
  p.drawImage(QRectF(0, 0, target.width(), target.height()), out);
  p.restore();
}

void magnifier(QPainter& p, const Shape& s, const QImage& base) {
  const QRectF source = s.rect();
  if (!(source.width() > 2 && source.height() > 2)) return;
  const QRectF panel = s.magnifierPanel();
  const double lw = std::max(2.0, s.width);
  p.setPen(QPen(s.color, lw, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  if (const auto line = connectorLine(source, panel)) p.drawLine((*line)[0], (*line)[1]);
  p.drawPath(roundedPath(source.adjusted(lw / 2, lw / 2, -lw / 2, -lw / 2)));

  const QPainterPath panelShape = roundedPath(panel);
  const SoftShadow shadow{QColor(0, 0, 0, 102), QPointF(0, -std::max(3.0, 0.03 * panel.height())),
                          std::max(8.0, 0.07 * panel.height())};
  drawSoftShadow(p, panel, shadow, [&](QPainter& q) { q.fillPath(panelShape, Qt::white); });
  p.fillPath(panelShape, Qt::white);

  // The part of the source over the picture, enlarged into the matching part of the panel.
  const int h = base.height();
  const QRectF sourcePixels =
      QRectF(source.left(), h - source.bottom(), source.width(), source.height()) &
      QRectF(base.rect());
  if (!sourcePixels.isEmpty()) {
    const double sx = panel.width() / source.width(), sy = panel.height() / source.height();
    const QRectF shown(sourcePixels.left(), h - sourcePixels.bottom(), sourcePixels.width(),
                       sourcePixels.height());
    const QRectF target(panel.left() + (shown.left() - source.left()) * sx,
                        panel.top() + (shown.top() - source.top()) * sy, shown.width() * sx,
                        shown.height() * sy);
    p.save();
    p.setClipPath(panelShape, Qt::IntersectClip);
    imageUpright(p, target, base, sourcePixels);
    p.restore();
  }
  p.drawPath(roundedPath(panel.adjusted(lw / 2, lw / 2, -lw / 2, -lw / 2)));
}

}  // namespace corvalin::drawing
