// Drawing the canvas: only the exposed part, the picture from a copy scaled once per zoom
// (kept in step dab by dab during pixel strokes) while zoomed out, straight from the picture
// while zoomed in, then the annotations and the overlays that make editing legible.
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include "core/texts.h"
#include "editor/annotation_renderer.h"
#include "editor/editor_view.h"

namespace corvalin {
namespace {

// Pictures up to this many scaled pixels are kept scaled for drawing.
constexpr double kCacheMaxPixels = 40e6;

const QBrush& tablero() {
  static const QBrush brush = [] {
    QPixmap pm(16, 16);
    pm.fill(QColor(0xCC, 0xCC, 0xCC));
    QPainter p(&pm);
    p.fillRect(0, 0, 8, 8, QColor(0xF2, 0xF2, 0xF2));
    p.fillRect(8, 8, 8, 8, QColor(0xF2, 0xF2, 0xF2));
    return QBrush(pm);
  }();
  return brush;
}

}  // namespace

void EditorView::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  const QRect exposed = e->rect();
  // Areas the canvas grew into are transparent and stay so in the export.
  p.fillRect(exposed, tablero());
  if (showingOriginal_) {
    drawPicture(p, doc_.pristine, exposed);
    drawStamp(p, QStringLiteral("ORIGINAL"));
    return;
  }
  if (previous_) {
    drawPicture(p, previous_->base, exposed);
    drawShapes(p, previous_->base, previous_->shapes, nullptr, exposed);
    drawStamp(p, L("ANTES DEL ÚLTIMO CAMBIO"));
    return;
  }
  if (showsPreview()) {
    const double sx = static_cast<double>(preview_.width()) / std::max(1, width());
    const double sy = static_cast<double>(preview_.height()) / std::max(1, height());
    p.setRenderHint(QPainter::SmoothPixmapTransform, escala() <= 1.2);
    p.drawImage(
        QRectF(exposed), preview_,
        QRectF(exposed.x() * sx, exposed.y() * sy, exposed.width() * sx, exposed.height() * sy));
  } else {
    const QImage& base = baseVisible();
    drawPicture(p, base, exposed);
    drawShapes(p, base, doc_.shapes, draft_ ? &*draft_ : nullptr, exposed);
  }
  drawSelection(p);
  drawOverlays(p);
}

void EditorView::drawPicture(QPainter& p, const QImage& img, const QRect& exposed) {
  if (img.isNull()) return;
  const double k = escala();
  const bool cacheable =
      k < 1 && static_cast<double>(width()) * height() <= kCacheMaxPixels && &img != &preview_;
  if (cacheable && &img == &baseVisible()) {
    if (cache_.key != img.cacheKey() || cache_.size != size() || cache_.img.isNull()) {
      cache_.img = img.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
      cache_.key = img.cacheKey();
      cache_.size = size();
    }
    p.drawImage(exposed.topLeft(), cache_.img, exposed);
    return;
  }
  const double sx = static_cast<double>(img.width()) / std::max(1, width());
  const double sy = static_cast<double>(img.height()) / std::max(1, height());
  p.save();
  p.setRenderHint(QPainter::SmoothPixmapTransform, k <= 1.2);
  p.drawImage(
      QRectF(exposed), img,
      QRectF(exposed.x() * sx, exposed.y() * sy, exposed.width() * sx, exposed.height() * sy));
  p.restore();
}

void EditorView::refrescarCache(const QRect& dirtyPixels) {
  const QImage& img = baseVisible();
  const double k = escala();
  const QRect target = QRectF(dirtyPixels.x() * k, dirtyPixels.y() * k, dirtyPixels.width() * k,
                              dirtyPixels.height() * k)
                           .toAlignedRect()
                           .adjusted(-1, -1, 1, 1)
                           .intersected(rect());
  if (!cache_.img.isNull() && cache_.size == size() && !target.isEmpty()) {
    QPainter cp(&cache_.img);
    cp.setCompositionMode(QPainter::CompositionMode_Source);
    cp.setRenderHint(QPainter::SmoothPixmapTransform);
    cp.drawImage(QRectF(target), img,
                 QRectF(target.x() / k, target.y() / k, target.width() / k, target.height() / k));
    cache_.key = img.cacheKey();
  }
  update(target);
}

void EditorView::drawShapes(QPainter& p, const QImage& base, const std::vector<Shape>& shapes,
                            const Shape* extra, const QRect& exposed) {
  if (shapes.empty() && extra == nullptr) return;
  const double k = escala();
  p.save();
  p.setClipRect(exposed);
  p.scale(k, k);
  p.setTransform(imageToPixels(base.height()), true);
  for (const Shape& s : shapes) drawShape(p, s, base, fonts_);
  if (extra != nullptr) drawShape(p, *extra, base, fonts_);
  p.restore();
}

void EditorView::drawSelection(QPainter& p) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  if (tool_ == ToolKind::select && selected_ && *selected_ < static_cast<int>(doc_.shapes.size())) {
    const Shape& s = doc_.shapes[*selected_];
    const QRectF box = aVista(s.boundingBox(fonts_)).adjusted(-4, -4, 4, 4);
    QPen pen(palette().color(QPalette::Highlight), 1.5);
    pen.setDashPattern({5 / 1.5, 3 / 1.5});
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(box);
    p.setPen(QPen(QColor(0, 0, 0, 178), 1));
    p.setBrush(Qt::white);
    for (const Handle& h : s.handles(fonts_)) {
      if (autoSelected_ && h.id == 7) continue;
      const QPointF c = aVista(h.point);
      const QRectF r(c.x() - 4.5, c.y() - 4.5, 9, 9);
      if (h.id == 6) {
        p.drawEllipse(r);
      } else {
        p.drawRect(r);
      }
    }
  }
  if (calloutDrag_) {
    const QPointF a = aVista(calloutDrag_->first), b = aVista(calloutDrag_->second);
    QPen pen(strokeColor_, 2);
    pen.setDashPattern({2.5, 2});
    p.setPen(pen);
    p.drawLine(a, b);
    p.setPen(Qt::NoPen);
    p.setBrush(strokeColor_);
    p.drawEllipse(b, 4, 4);
  }
  std::optional<QRectF> crop = crop_;
  if (draft_ && draft_->kind == ToolKind::crop) crop = draft_->rect();
  if (crop) {
    const QRectF r = aVista(*crop);
    QPainterPath shade;
    shade.setFillRule(Qt::OddEvenFill);
    shade.addRect(QRectF(rect()));
    shade.addRect(r);
    p.fillPath(shade, QColor(0, 0, 0, 115));
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
  }
  p.restore();
}

void EditorView::drawOverlays(QPainter& p) {
  if (!isPixelTool(tool_)) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  if (!strokeTrace_.empty()) {
    QColor c = tool_ == ToolKind::despeckle ? QColor(0x00, 0xC7, 0xBE) : QColor(0xFF, 0x3B, 0x30);
    c.setAlphaF(0.35f);
    // One stroke rather than overlapping discs, so the tint does not darken where they overlap.
    p.setPen(QPen(c, 2 * brushRadius_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF line;
    for (QPointF q : strokeTrace_) line << aVista(q);
    if (line.size() == 1) line << line.front();
    p.drawPolyline(line);
  }
  if (tool_ == ToolKind::clone && cloneSource_) {
    QPointF centre = aVista(*cloneSource_);
    if (stroke_ && cloneVector_ && brushCenter_) centre = aVista(*brushCenter_ + *cloneVector_);
    const QColor blue(0x00, 0x7A, 0xFF);
    if (brushCenter_) {
      const QPointF pointer = aVista(*brushCenter_);
      if (QLineF(centre, pointer).length() > brushRadius_) {
        QColor faint = blue;
        faint.setAlphaF(0.55f);
        p.setPen(QPen(faint, 1));
        p.drawLine(centre, pointer);
      }
    }
    QPen ring(blue, 1.5);
    ring.setDashPattern({5 / 1.5, 3 / 1.5});
    p.setPen(ring);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, brushRadius_, brushRadius_);
    p.setPen(QPen(blue, 1.5));
    p.drawLine(centre - QPointF(6, 0), centre + QPointF(6, 0));
    p.drawLine(centre - QPointF(0, 6), centre + QPointF(0, 6));
  }
  if (brushCenter_) {
    const QPointF c = aVista(*brushCenter_);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 3));
    p.drawEllipse(c, brushRadius_, brushRadius_);
    p.setPen(QPen(Qt::white, 1));
    p.drawEllipse(c, brushRadius_, brushRadius_);
  }
  p.restore();
}

void EditorView::drawStamp(QPainter& p, const QString& text) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QFont f = font();
  f.setPointSizeF(11);
  f.setWeight(QFont::Black);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
  p.setFont(f);
  const QFontMetricsF fm(f);
  const QSizeF text_size(fm.horizontalAdvance(text), fm.height());
  const QRect visible = visibleRegion().boundingRect();
  const QRectF capsule(visible.left() + 14, visible.top() + 12, text_size.width() + 22,
                       text_size.height() + 10);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 184));
  p.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
  p.setPen(Qt::white);
  p.drawText(capsule.adjusted(11, 0, -11, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
  p.restore();
}

}  // namespace corvalin
