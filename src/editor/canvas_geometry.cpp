#include "editor/canvas_geometry.h"

#include <algorithm>
#include <cmath>

#include "editor/annotation_paths.h"
#include "editor/point_math.h"

namespace corvalin {

QPointF defaultTail(const QRectF& box, double k) {
  const double len = std::max(0.55 * box.height(), 16 / k);
  return QPointF(box.center().x(), std::max(minY(box) - len, 6 / k));
}

QRectF stickerDeUnClic(QPointF centro, QSizeF picture) {
  const double side = std::clamp(0.14 * std::min(picture.width(), picture.height()), 64.0, 320.0);
  return QRectF(centro.x() - side / 2, centro.y() - side / 2, side, side);
}

void colocarContador(Shape& c, QPointF tip, QSizeF picture, const TextMeasurer& m) {
  const QSizeF size = c.counterBubble(m).size();
  const auto origin = [&](bool fx, bool fy) {
    return QPointF(tip.x() - size.width() * (fx ? 0.945 : 0.055),
                   tip.y() - size.height() * (fy ? 1.3 : -0.3));
  };
  bool fx = false, fy = false;
  if (origin(false, false).x() + size.width() > picture.width() && origin(true, false).x() >= 0) {
    fx = true;
  }
  if (origin(fx, false).y() + size.height() > picture.height() && origin(fx, true).y() >= 0) {
    fy = true;
  }
  c.counterFlipX = fx;
  c.counterFlipY = fy;
  c.start = origin(fx, fy);
  c.end = c.start;
}

QPointF magnifierPlacement(const QRectF& s, double zoom, QSizeF picture) {
  const double pw = s.width() * zoom, ph = s.height() * zoom;
  const double g = std::max(28.0, 0.3 * s.width());
  const QPointF candidates[] = {
      {maxX(s) + g + pw / 2, s.center().y()},
      {minX(s) - g - pw / 2, s.center().y()},
      {s.center().x(), minY(s) - g - ph / 2},
      {s.center().x(), maxY(s) + g + ph / 2},
  };
  const auto fits = [&](QPointF c) {
    return c.x() - pw / 2 >= 0 && c.x() + pw / 2 <= picture.width() && c.y() - ph / 2 >= 0 &&
           c.y() + ph / 2 <= picture.height();
  };
  for (QPointF c : candidates) {
    if (fits(c)) return c;
  }
  // Kept inside as far as possible: a panel larger than the picture stays centred on it.
  const auto keep = [](double v, double half, double side) {
    if (2 * half >= side) return side / 2;
    return std::clamp(v, half, side - half);
  };
  return QPointF(keep(candidates[0].x(), pw / 2, picture.width()),
                 keep(candidates[0].y(), ph / 2, picture.height()));
}

QPoint posicionDelInspector(const QRectF& anchor, QSize bar, const QRect& area) {
  const double w = bar.width(), h = bar.height();
  double y = anchor.top() - 12 - h;
  if (y < area.top() + 4) y = anchor.bottom() + 12;
  y = std::max(std::min(y, area.bottom() + 1.0 - h - 4), area.top() + 4.0);
  double x = anchor.center().x() - w / 2;
  x = std::max(std::min(x, area.right() + 1.0 - w - 4), area.left() + 4.0);
  return QPoint(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

std::optional<int> shapeAt(const std::vector<Shape>& shapes, QPointF p, double tolerance,
                           const TextMeasurer& m) {
  for (int i = static_cast<int>(shapes.size()) - 1; i >= 0; --i) {
    if (shapes[i].hitTest(p, tolerance, m)) return i;
  }
  return std::nullopt;
}

std::optional<int> handleAt(const Shape& s, QPointF p, double tolerance, const TextMeasurer& m,
                            bool sinCurva) {
  for (const Handle& h : s.handles(m)) {
    if (sinCurva && h.id == 7) continue;
    if (length(h.point - p) <= tolerance) return h.id;
  }
  return std::nullopt;
}

Shape aplicarArrastre(const Arrastre& a, QPointF p, const TextMeasurer& m) {
  Shape s = a.original;
  const QPointF d = p - a.desde;
  switch (a.tipo) {
    case Arrastre::Tipo::mover:
      s.translate(d);
      return s;
    case Arrastre::Tipo::panel:
      s.tail = a.original.magnifierPanel().center() + d;
      return s;
    case Arrastre::Tipo::asa:
      break;
  }
  switch (a.asa) {
    case 4:
      s.start = p;
      break;
    case 5:
      s.end = p;
      break;
    case 6:
      s.tail = p;
      break;
    case 7:
      s.control = 2 * p - (s.start + s.end) / 2;
      break;
    default:
      s.resizeBox(a.asa, p, a.original, m);
      break;
  }
  return s;
}

double pasoDeRadio(double radius, bool mayor) {
  const double next = std::round(radius * (mayor ? 1.25 : 0.8));
  return std::clamp(next, kRadioMinimo, kRadioMaximo);
}

retouch::Brush pincelPara(ToolKind tool, double radiusPoints, double k, double opacity) {
  retouch::Brush b;
  b.radius = std::max(0.5, radiusPoints / std::max(0.0001, k));
  const bool blando = tool == ToolKind::warp || tool == ToolKind::pinch;
  b.hardness = blando ? 0 : 0.55;
  b.opacity = tool == ToolKind::clone ? opacity : 1.0;
  return b;
}

std::vector<QPointF> puntosDelTrazo(QPointF desde, QPointF hasta, double radiusPixels) {
  const double spacing = radiusPixels <= 0.5 ? 1 : std::max(1.0, 0.25 * radiusPixels);
  const double d = length(hasta - desde);
  const int n = std::max(1, static_cast<int>(std::floor(d / spacing)));
  std::vector<QPointF> out;
  // A pointer flung across a huge picture with a tiny brush still ends in a bounded number of dabs.
  const int limit = std::min(n, 100000);
  out.reserve(static_cast<std::size_t>(limit));
  for (int i = 1; i <= limit; ++i) out.push_back(desde + (hasta - desde) * (double(i) / limit));
  return out;
}

int despeckleRadius(double radiusPixels, QSize picture) {
  const double v = std::floor(
      std::min(0.35 * radiusPixels, std::min(picture.width(), picture.height()) / 120.0));
  return std::clamp(static_cast<int>(v), 2, 24);
}

}  // namespace corvalin
