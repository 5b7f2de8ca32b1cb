#include "editor/annotation_renderer.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "editor/annotation_drawing.h"
#include "editor/annotation_paths.h"

namespace corvalin {
namespace {

QPolygonF polygon(const std::vector<QPointF>& points) {
  return QPolygonF(QList<QPointF>(points.begin(), points.end()));
}

void arrow(QPainter& p, const Shape& s) {
  const auto g = arrowGeometry(s);
  if (!g) return;
  p.drawPolyline(polygon(g->shaft));
  QPainterPath head;
  head.setFillRule(Qt::WindingFill);
  head.addPolygon(QPolygonF({g->head[0], g->head[1], g->head[2]}));
  head.closeSubpath();
  p.fillPath(head, s.color);
}

QRectF insetByHalfWidth(const Shape& s) {
  const double i = s.width / 2;
  return s.rect().adjusted(i, i, -i, -i);
}

void roundedRect(QPainter& p, const Shape& s) {
  const QRectF r = insetByHalfWidth(s);
  if (!(r.width() > 0 && r.height() > 0)) return;
  const double radius = std::min(18.0, 0.12 * std::min(r.width(), r.height()));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r, radius, radius);
}

void ellipse(QPainter& p, const Shape& s) {
  const QRectF r = insetByHalfWidth(s);
  if (!(r.width() > 0 && r.height() > 0)) return;
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(r);
}

void freehand(QPainter& p, const Shape& s) {
  if (s.points.empty()) return;
  if (s.kind == ToolKind::highlight) {
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    QColor c = s.color;
    c.setAlphaF(0.4f);
    QPen pen(c, 4 * s.width, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin);
    p.setPen(pen);
  }
  p.drawPolyline(polygon(s.points));
}

void sticker(QPainter& p, const Shape& s, const AnnotationFonts& fonts) {
  if (s.text.isEmpty()) return;
  const auto fit = stickerFit(s.rect(), fonts.measureEmoji(s.text));
  if (!fit) return;
  const double k = fit->fontSize / AnnotationFonts::kReferencePx;
  drawing::upright(p, fit->rect, k, [&] {
    p.setFont(fonts.emojiFont());
    p.setPen(Qt::black);
    const QFontMetricsF fm(fonts.emojiFont());
    p.drawText(QPointF(0, fm.ascent()), s.text);
  });
}

void pastedImage(QPainter& p, const Shape& s) {
  if (s.image.isNull()) return;
  drawing::imageUpright(p, s.rect(), s.image, QRectF(s.image.rect()));
}

void sketchOval(QPainter& p, const Shape& s) {
  const std::vector<QPointF> pts = sketchOvalPoints(s, 64);
  if (pts.size() <= 3) return;
  p.setBrush(Qt::NoBrush);
  p.drawPath(aMano(pts, sketchAmplitude(s.width), 5, s.seed));
}

}  // namespace

namespace drawing {

void imageUpright(QPainter& p, const QRectF& target, const QImage& image, const QRectF& source) {
  p.save();
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.translate(target.left(), target.bottom());
  p.scale(1, -1);
  p.drawImage(QRectF(0, 0, target.width(), target.height()), image, source);
  p.restore();
}

}  // namespace drawing

QTransform imageToPixels(double imageHeight) {
  return QTransform(1, 0, 0, -1, 0, imageHeight);
}

QRect pixelRect(const QRectF& r, int imageHeight) {
  const QRectF out = roundedOut(r);
  return QRect(static_cast<int>(out.left()), imageHeight - static_cast<int>(out.bottom()),
               static_cast<int>(out.width()), static_cast<int>(out.height()));
}

QRectF imageRect(const QRect& px, int imageHeight) {
  return QRectF(px.x(), imageHeight - (px.y() + px.height()), px.width(), px.height());
}

void drawShape(QPainter& painter, const Shape& s, const QImage& base,
               const AnnotationFonts& fonts) {
  if (s.kind == ToolKind::select || s.kind == ToolKind::crop || isPixelTool(s.kind)) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(s.color, s.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(s.color);
  switch (s.kind) {
    case ToolKind::arrow:
      arrow(painter, s);
      break;
    case ToolKind::rect:
      roundedRect(painter, s);
      break;
    case ToolKind::ellipse:
      ellipse(painter, s);
      break;
    case ToolKind::line:
      painter.drawLine(s.start, s.end);
      break;
    case ToolKind::pencil:
    case ToolKind::highlight:
      freehand(painter, s);
      break;
    case ToolKind::text:
      drawing::callout(painter, s, fonts);
      break;
    case ToolKind::pixelate:
    case ToolKind::blur:
      drawing::filteredRegion(painter, s, base);
      break;
    case ToolKind::magnifier:
      drawing::magnifier(painter, s, base);
      break;
    case ToolKind::counter:
      drawing::counter(painter, s, fonts);
      break;
    case ToolKind::sticker:
      sticker(painter, s, fonts);
      break;
    case ToolKind::image:
      pastedImage(painter, s);
      break;
    case ToolKind::sketchOval:
      sketchOval(painter, s);
      break;
    case ToolKind::handText:
      drawing::handText(painter, s, fonts);
      break;
    default:
      break;
  }
  painter.restore();
}

void drawAnnotated(QPainter& painter, const QImage& base, const std::vector<Shape>& shapes,
                   const AnnotationFonts& fonts) {
  painter.save();
  painter.drawImage(QPointF(0, 0), base);
  painter.setTransform(imageToPixels(base.height()), true);
  for (const Shape& s : shapes) drawShape(painter, s, base, fonts);
  painter.restore();
}

QImage flatten(const QImage& base, const std::vector<Shape>& shapes, const AnnotationFonts& fonts) {
  QImage out(base.size(), QImage::Format_ARGB32_Premultiplied);
  out.fill(Qt::transparent);
  QPainter p(&out);
  drawAnnotated(p, base, shapes, fonts);
  return out;
}

}  // namespace corvalin
