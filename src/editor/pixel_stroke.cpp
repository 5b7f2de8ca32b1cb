#include "editor/pixel_stroke.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/canvas_geometry.h"
#include "retouch/qimage_bridge.h"

namespace corvalin {

void copiarRegion(const retouch::PixelCanvas& canvas, const QRect& r, QImage& into) {
  const QRect area = r.intersected(into.rect());
  if (area.isEmpty() || into.width() != canvas.width() || into.height() != canvas.height()) {
    return;
  }
  const auto data = canvas.data();
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const uint8_t* src = data.data() + (static_cast<size_t>(y) * canvas.width() + area.left()) * 4;
    uint8_t* dst = into.scanLine(y) + static_cast<size_t>(area.left()) * 4;
    for (int x = 0; x < area.width(); ++x, src += 4, dst += 4) {
      const uint8_t a = src[3];
      dst[0] = std::min(src[0], a);
      dst[1] = std::min(src[1], a);
      dst[2] = std::min(src[2], a);
      dst[3] = a;
    }
  }
}

TrazoDePixeles::TrazoDePixeles(OpcionesDeTrazo o, retouch::PixelCanvas canvas)
    : o_(std::move(o)), canvas_(std::move(canvas)) {}

bool TrazoDePixeles::cambiaAlPintar() const {
  return o_.tool != ToolKind::repair && o_.tool != ToolKind::despeckle;
}

std::unique_ptr<TrazoDePixeles> TrazoDePixeles::empezar(const QImage& base,
                                                        const OpcionesDeTrazo& o, QPointF pixel) {
  std::optional<retouch::PixelCanvas> canvas = retouch::makeCanvas(base);
  if (!canvas) return nullptr;
  std::unique_ptr<TrazoDePixeles> t(new TrazoDePixeles(o, std::move(*canvas)));
  t->ultimo_ = pixel;
  retouch::PixelCanvas& c = *t->canvas_;
  switch (o.tool) {
    case ToolKind::repair:
    case ToolKind::despeckle:
      t->mask_.emplace(c);
      break;
    case ToolKind::warp:
    case ToolKind::pinch:
      t->warp_ = std::make_unique<retouch::WarpField>(c);
      break;
    case ToolKind::tone:
      t->tone_ = std::make_unique<retouch::ToneBrush>(c, o.lighten, o.range);
      t->tone_->setStrength(retouch::ToneBrush::kDefaultStrength * o.opacity);
      break;
    case ToolKind::clone: {
      if (!o.cloneSource) return nullptr;
      t->cloneShot_ = c.snapshot();
      t->cloneDx_ = static_cast<int64_t>(std::round(o.cloneSource->x() - pixel.x()));
      t->cloneDy_ = static_cast<int64_t>(std::round(o.cloneSource->y() - pixel.y()));
      break;
    }
    default:
      return nullptr;
  }
  if (t->cambiaAlPintar()) {
    t->imagen_ = retouch::makeImage(c);
    if (t->imagen_.isNull()) return nullptr;
  }
  if (o.tool != ToolKind::warp) t->dab(pixel);
  return t;
}

QRect TrazoDePixeles::copiar(const retouch::PixelRect& r) {
  if (r.isEmpty()) return {};
  const QRect q(static_cast<int>(r.x), static_cast<int>(r.y), static_cast<int>(r.width),
                static_cast<int>(r.height));
  copiarRegion(*canvas_, q, imagen_);
  return q.intersected(imagen_.rect());
}

QRect TrazoDePixeles::copiar(const retouch::RectD& r) {
  if (r.isEmpty()) return {};
  // The resample visits trunc(min) … trunc(max) + 1.
  const int x0 = static_cast<int>(std::floor(r.x)), y0 = static_cast<int>(std::floor(r.y));
  const int x1 = static_cast<int>(std::floor(r.x + r.width)) + 1;
  const int y1 = static_cast<int>(std::floor(r.y + r.height)) + 1;
  const QRect q = QRect(QPoint(x0, y0), QPoint(x1, y1)).intersected(imagen_.rect());
  copiarRegion(*canvas_, q, imagen_);
  return q;
}

QRect TrazoDePixeles::dab(QPointF at) {
  retouch::PixelCanvas& c = *canvas_;
  switch (o_.tool) {
    case ToolKind::repair:
    case ToolKind::despeckle:
      mask_->paint(at.x(), at.y(), o_.brush);
      return {};
    case ToolKind::tone:
      return copiar(tone_->dab(c, at.x(), at.y(), o_.brush));
    case ToolKind::clone:
      return copiar(c.stamp(cloneShot_, cloneDx_, cloneDy_, at.x(), at.y(), o_.brush));
    case ToolKind::pinch:
      return tick();
    default:
      return {};
  }
}

QRect TrazoDePixeles::continuar(QPointF pixel) {
  if (!canvas_) return {};
  const std::vector<QPointF> points = puntosDelTrazo(ultimo_, pixel, o_.brush.radius);
  QRect changed;
  if (o_.tool == ToolKind::warp) {
    retouch::RectD dirty;
    QPointF from = ultimo_;
    for (QPointF p : points) {
      dirty = dirty.united(warp_->push({from.x(), from.y()}, {p.x(), p.y()}, o_.brush));
      from = p;
    }
    warp_->resample(*canvas_, dirty);
    changed = copiar(dirty);
  } else if (o_.tool == ToolKind::pinch) {
    // Dragging only moves the centre the next tick pinches at.
  } else {
    for (QPointF p : points) changed |= dab(p);
  }
  ultimo_ = pixel;
  return changed;
}

QRect TrazoDePixeles::tick() {
  if (!warp_ || o_.tool != ToolKind::pinch || !canvas_) return {};
  const retouch::RectD r = warp_->pinch({ultimo_.x(), ultimo_.y()}, o_.brush,
                                        static_cast<float>(0.9 * o_.opacity), o_.haciaAdentro);
  if (r.isEmpty()) return {};
  warp_->resample(*canvas_, r);
  return copiar(r);
}

std::optional<TrazoDePixeles::ParaRellenar> TrazoDePixeles::entregar() {
  if (!canvas_ || !mask_) return std::nullopt;
  ParaRellenar out{std::move(*canvas_), std::move(*mask_)};
  canvas_.reset();
  mask_.reset();
  return out;
}

}  // namespace corvalin
