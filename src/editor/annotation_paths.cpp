#include "editor/annotation_paths.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "editor/point_math.h"

namespace corvalin {

double jitter(std::uint64_t seed, std::int64_t j) {
  std::uint64_t x = seed + static_cast<std::uint64_t>(j) * 0x9E3779B97F4A7C15ull;
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 31;
  return static_cast<double>(x % 2001) / 1000.0 - 1.0;
}

double arrowHeadLength(double width) {
  return std::max(14.0, 4 * width);
}

QPointF arrowControl(const Shape& arrow) {
  return arrow.control ? *arrow.control : (arrow.start + arrow.end) / 2;
}

std::vector<QPointF> arrowCurve(const Shape& arrow, int n) {
  const QPointF c = arrowControl(arrow);
  std::vector<QPointF> pts;
  pts.reserve(static_cast<std::size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) {
    const double t = static_cast<double>(i) / n, u = 1 - t;
    pts.push_back(u * u * arrow.start + 2 * t * u * c + t * t * arrow.end);
  }
  return pts;
}

std::optional<ArrowGeometry> arrowGeometry(const Shape& arrow) {
  if (length(arrow.end - arrow.start) <= 1) return std::nullopt;
  const double head = arrowHeadLength(arrow.width);
  ArrowGeometry g;
  g.shaft = arrowCurve(arrow, 30);
  // The shaft stops inside the head so its round cap never pokes out of the tip; even a short
  // arrow keeps four points so the shaft still shows its direction.
  while (g.shaft.size() > 4 && length(g.shaft.back() - arrow.end) < 0.78 * head) {
    g.shaft.pop_back();
  }
  QPointF dir = arrow.end - arrowControl(arrow);
  if (length(dir) < 1e-9) dir = arrow.end - arrow.start;
  const double theta = std::atan2(dir.y(), dir.x());
  constexpr double spread = std::numbers::pi / 7;
  g.head = {arrow.end - head * QPointF(std::cos(theta - spread), std::sin(theta - spread)),
            arrow.end,
            arrow.end - head * QPointF(std::cos(theta + spread), std::sin(theta + spread))};
  return g;
}

double calloutCornerRadius(const QRectF& box, double fontSize) {
  return std::min(0.38 * fontSize, 0.1 * box.height());
}

std::array<QPointF, 3> calloutTail(const QRectF& b, double r, QPointF tip) {
  const QPointF centre = b.center();
  const double dx = std::abs(tip.x() - centre.x());
  double dy = tip.y() - centre.y();
  if (std::abs(dy) < 0.5 && dx < 0.5) dy = -1;
  const bool vertical = dx / std::max(b.width(), 1.0) <= std::abs(dy) / std::max(b.height(), 1.0);
  double e, sx = 0, sy = 0, len, a, c0;
  if (vertical) {
    sy = dy >= 0 ? 1 : -1;
    e = dy >= 0 ? maxY(b) : minY(b);
    len = b.width();
    a = tip.x();
    c0 = centre.x();
  } else {
    sx = tip.x() - centre.x() >= 0 ? 1 : -1;
    e = sx > 0 ? maxX(b) : minX(b);
    len = b.height();
    a = tip.y();
    c0 = centre.y();
  }
  const double h = std::min(len / 2, 0.55 * b.height());
  double s = len / 2 - r - 2;
  double k;
  if (s <= 0) {
    s = 0;
    a = c0;
    k = -1;
  } else {
    a = std::clamp(a, c0 - s, c0 + s);
    k = a >= c0 ? -1 : 1;
  }
  const double bAlong = std::clamp(a + k * h, c0 - s, c0 + s);
  const QPointF pa = vertical ? QPointF(a, e) : QPointF(e, a);
  const QPointF pb = vertical ? QPointF(bAlong, e) : QPointF(e, bAlong);
  const QPointF out(sx, sy);
  // How far the tip lies outside the edge; a tip inside the bubble counts as negative, so it
  // gets the minimum tail too instead of an apex hidden under the bubble.
  const double outside = dot(tip - pa, out);
  const double minimum = 0.33 * b.height();
  const QPointF apex = outside < minimum ? pa + minimum * out : tip;
  return {pb - out, pa - out, apex};
}

QPainterPath counterTail(const QRectF& c, bool flipX, bool flipY) {
  auto at = [&](double fxFlipped, double fxPlain, double fyFlipped, double fyPlain) {
    return QPointF(minX(c) + (flipX ? fxFlipped : fxPlain) * c.width(),
                   minY(c) + (flipY ? fyFlipped : fyPlain) * c.height());
  };
  QPainterPath path;
  path.moveTo(at(0.56, 0.44, 0.98, 0.02));
  path.quadTo(at(0.74, 0.26, 1.1, -0.1), at(0.945, 0.055, 1.3, -0.3));
  path.quadTo(at(0.95, 0.05, 0.98, 0.02), at(0.87, 0.13, 0.84, 0.16));
  path.closeSubpath();
  return path;
}

QPointF counterTailTip(const QRectF& c, bool flipX, bool flipY) {
  return QPointF(minX(c) + c.width() * (flipX ? 0.945 : 0.055),
                 minY(c) + c.height() * (flipY ? 1.3 : -0.3));
}

QPointF boundary(const QRectF& r, QPointF u) {
  const QPointF centre = r.center();
  const double hw = r.width() / 2, hh = r.height() / 2;
  constexpr double big = std::numeric_limits<double>::max();
  const double tx = std::abs(u.x()) <= 0.000001 ? big : hw / std::abs(u.x());
  const double ty = std::abs(u.y()) <= 0.000001 ? big : hh / std::abs(u.y());
  const QPointF q = centre + std::min(tx, ty) * u;
  const double rc = 0.3 * std::min(r.width(), r.height());
  if (rc > 0 && std::abs(q.x() - centre.x()) > hw - rc && std::abs(q.y() - centre.y()) > hh - rc) {
    const QPointF k(centre.x() + std::copysign(hw - rc, q.x() - centre.x()),
                    centre.y() + std::copysign(hh - rc, q.y() - centre.y()));
    const QPointF o = centre - k;
    const double b = dot(u, o);
    const double disc = b * b + rc * rc - dot(o, o);
    if (disc >= 0) return centre + (std::sqrt(disc) - b) * u;
  }
  return q;
}

std::optional<std::array<QPointF, 2>> connectorLine(const QRectF& source, const QRectF& panel) {
  const QPointF d = panel.center() - source.center();
  const double len = length(d);
  if (len <= 1) return std::nullopt;
  const QPointF u = d / len;
  const QPointF a = boundary(source, u);
  const QPointF b = boundary(panel, -u);
  if (dot(b - a, u) <= 0) return std::nullopt;
  return std::array<QPointF, 2>{a, b};
}

std::vector<QPointF> sketchOvalPoints(const Shape& oval, int n) {
  const double inset = oval.width / 2;
  const QRectF r = oval.rect().adjusted(inset, inset, -inset, -inset);
  const QPointF c = r.center();
  const double rx = std::max(1.0, r.width() / 2), ry = std::max(1.0, r.height() / 2);
  const double theta0 = jitter(oval.seed, 9) * std::numbers::pi;
  std::vector<QPointF> pts;
  pts.reserve(static_cast<std::size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) {
    const double t = static_cast<double>(i) / n;
    const double theta = theta0 + (2 * std::numbers::pi + 0.18) * t;
    const double s = 1.06 - 0.14 * t;
    pts.emplace_back(c.x() + rx * s * std::cos(theta), c.y() + ry * s * std::sin(theta));
  }
  return pts;
}

double sketchAmplitude(double width) {
  const double a = 0.28 * width;
  return a > 0.7 ? 1.6 * std::min(a, 2.0) : 1.12;
}

QPainterPath aMano(const std::vector<QPointF>& points, double amplitude, int sal,
                   std::uint64_t seed) {
  QPainterPath path;
  const std::size_t n = points.size();
  if (n == 0) return path;
  if (n < 3) {
    path.moveTo(points.front());
    path.lineTo(points.back());
    return path;
  }
  const std::size_t k = n <= 41 ? 2 : n / 14;
  const double taperLength = std::max(1.0, 0.16 * static_cast<double>(n));
  std::vector<QPointF> moved(n);
  for (std::size_t i = 0; i < n; ++i) {
    const QPointF prev = points[std::max<std::size_t>(i, 1) - 1];
    const QPointF next = points[std::min(i + 1, n - 1)];
    const double len = std::max(0.0001, length(next - prev));
    const QPointF normal(-(next.y() - prev.y()) / len, (next.x() - prev.x()) / len);
    const std::size_t s = i / k;
    const double f = static_cast<double>(i - s * k) / static_cast<double>(k);
    const auto j = static_cast<std::int64_t>(s) + sal;
    const double r0 = jitter(seed, j), r1 = jitter(seed, j + 1);
    const double v = r0 + f * f * (3 - 2 * f) * (r1 - r0);
    const double taper = std::min(1.0, static_cast<double>(std::min(i, n - 1)) / taperLength);
    moved[i] = points[i] + normal * (v * amplitude * taper);
  }
  path.moveTo(moved[0]);
  for (std::size_t j = 1; j + 1 < n; ++j) path.quadTo(moved[j], (moved[j] + moved[j + 1]) / 2);
  path.lineTo(moved[n - 1]);
  return path;
}

double pixelateScale(double w, double h) {
  return std::max(4.0, std::max(w, h) / 20);
}

double blurRadius(double w, double h) {
  return std::min(60.0, std::max(6.0, std::max(w, h) / 12));
}

std::optional<StickerFit> stickerFit(const QRectF& r, QSizeF at100) {
  if (!(r.width() > 1 && r.height() > 1)) return std::nullopt;
  StickerFit fit;
  fit.fontSize = 100;
  if (at100.width() > 0 && at100.height() > 0) {
    fit.fontSize = 100 * std::min(r.width() / at100.width(), r.height() / at100.height());
  }
  const QSizeF size = at100 * (fit.fontSize / 100);
  fit.rect = QRectF(r.center().x() - size.width() / 2, r.center().y() - size.height() / 2,
                    size.width(), size.height());
  return fit;
}

QRectF roundedOut(const QRectF& r) {
  const double x0 = std::floor(minX(r)), y0 = std::floor(minY(r));
  return QRectF(x0, y0, std::ceil(maxX(r)) - x0, std::ceil(maxY(r)) - y0);
}

}  // namespace corvalin
