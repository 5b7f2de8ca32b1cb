#include "editor/shape.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

#include "editor/annotation_paths.h"
#include "editor/point_math.h"

namespace corvalin {
namespace {

bool isTextKind(ToolKind k) {
  return k == ToolKind::text || k == ToolKind::counter || k == ToolKind::handText;
}

QRectF unite(const QRectF& a, const QRectF& b) {
  const double x0 = std::min(minX(a), minX(b));
  const double y0 = std::min(minY(a), minY(b));
  return QRectF(x0, y0, std::max(maxX(a), maxX(b)) - x0, std::max(maxY(a), maxY(b)) - y0);
}

std::vector<Handle> cornerHandles(const QRectF& r) {
  return {{0, QPointF(minX(r), minY(r))},
          {1, QPointF(maxX(r), minY(r))},
          {2, QPointF(maxX(r), maxY(r))},
          {3, QPointF(minX(r), maxY(r))}};
}

QRectF pointsBox(const std::vector<QPointF>& points) {
  double x0 = points.front().x(), x1 = x0, y0 = points.front().y(), y1 = y0;
  for (QPointF p : points) {
    x0 = std::min(x0, p.x());
    x1 = std::max(x1, p.x());
    y0 = std::min(y0, p.y());
    y1 = std::max(y1, p.y());
  }
  return QRectF(x0, y0, x1 - x0, y1 - y0);
}

bool nearPolyline(const std::vector<QPointF>& pts, QPointF p, double reach) {
  for (std::size_t i = 1; i < pts.size(); ++i) {
    if (distance(p, pts[i - 1], pts[i]) < reach) return true;
  }
  return false;
}

// Inside the triangle, or within `reach` of one of its sides.
bool nearTriangle(const std::array<QPointF, 3>& t, QPointF p, double reach) {
  auto side = [&](QPointF a, QPointF b) {
    return (b.x() - a.x()) * (p.y() - a.y()) - (b.y() - a.y()) * (p.x() - a.x());
  };
  const double s0 = side(t[0], t[1]), s1 = side(t[1], t[2]), s2 = side(t[2], t[0]);
  const bool inside = (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
  return inside || distance(p, t[0], t[1]) < reach || distance(p, t[1], t[2]) < reach ||
         distance(p, t[2], t[0]) < reach;
}

QPointF mirrored(QPointF p, bool horizontal, QSizeF lienzo) {
  return horizontal ? QPointF(lienzo.width() - p.x(), p.y())
                    : QPointF(p.x(), lienzo.height() - p.y());
}

}  // namespace

double distance(QPointF p, QPointF a, QPointF b) {
  const QPointF d = b - a;
  const double len2 = dot(d, d);
  if (len2 <= 0) return length(p - a);
  const double s = std::clamp(dot(p - a, d) / len2, 0.0, 1.0);
  return length(p - (a + s * d));
}

double calloutPadding(double fontSize) {
  return 0.4 * fontSize <= 6 ? 12 : 0.8 * fontSize;
}

std::int64_t nextCounterNumber(const std::vector<Shape>& shapes) {
  std::int64_t highest = 0;
  for (const Shape& s : shapes) {
    if (s.kind == ToolKind::counter) highest = std::max(highest, s.number);
  }
  return highest + 1;
}

std::uint64_t randomSeed() {
  std::uint64_t seed = 0;
  while (seed == 0) seed = QRandomGenerator::global()->generate64();
  return seed;
}

Shape Shape::create(ToolKind kind, QPointF at, const CreationStyle& style, std::uint64_t seed,
                    const QString& sticker) {
  Shape s;
  s.kind = kind;
  s.start = at;
  s.end = at;
  if (kind == ToolKind::pencil || kind == ToolKind::highlight) s.points = {at};
  if (kind == ToolKind::sticker) s.text = sticker;
  s.color = style.strokeColor;
  s.textColor = isTextKind(kind) ? style.textColor : QColor(Qt::white);
  s.width = style.strokeWidth / style.scale;
  s.fontSize = kind == ToolKind::counter ? std::max(17.0, 5.5 * style.strokeWidth) / style.scale
                                         : std::max(16.0, 6 * style.strokeWidth) / style.scale;
  s.zoom = 2.5;
  s.number = 1;
  s.seed = seed;
  return s;
}

QRectF Shape::rect() const {
  return normalizedRect(start, end);
}

TextRole Shape::textRole() const {
  switch (kind) {
    case ToolKind::handText:
      return TextRole::handwriting;
    case ToolKind::counter:
      return TextRole::counter;
    default:
      return TextRole::callout;
  }
}

QString Shape::displayedText() const {
  return kind == ToolKind::counter ? QString::number(number) : text;
}

QSizeF Shape::measuredText(const TextMeasurer& m) const {
  QString shown = displayedText();
  if (shown.isEmpty()) shown = QStringLiteral(" ");
  const QSizeF size = m.measure(shown, textRole(), fontSize);
  return QSizeF(std::ceil(size.width()), std::ceil(size.height()));
}

QRectF Shape::calloutBox(const TextMeasurer& m) const {
  const QSizeF t = measuredText(m);
  const double pad = calloutPadding(fontSize);
  return QRectF(start, QSizeF(t.width() + pad, t.height() + pad));
}

QRectF Shape::handTextBox(const TextMeasurer& m) const {
  return QRectF(start, measuredText(m));
}

QRectF Shape::counterBubble(const TextMeasurer& m) const {
  const QSizeF t = measuredText(m);
  const double h = t.height() * 1.61;
  const double w = std::max(t.width() * 1.5 + 0.25 * fontSize, 1.34 * h);
  return QRectF(start, QSizeF(w, h));
}

QRectF Shape::magnifierPanel() const {
  const QRectF s = rect();
  const QSizeF size(s.width() * zoom, s.height() * zoom);
  const QPointF centre = tail ? *tail : QPointF(maxX(s) + size.width() / 2 + 24, s.center().y());
  return QRectF(centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(),
                size.height());
}

std::optional<QPointF> Shape::calloutTailTip(const TextMeasurer& m) const {
  if (kind != ToolKind::text || !tail) return std::nullopt;
  const QRectF box = calloutBox(m);
  return calloutTail(box, calloutCornerRadius(box, fontSize), *tail)[2];
}

QRectF Shape::boundingBox(const TextMeasurer& m) const {
  switch (kind) {
    case ToolKind::magnifier:
      return unite(rect(), magnifierPanel());
    case ToolKind::counter:
      return counterBubble(m);
    case ToolKind::text:
      return calloutBox(m);
    case ToolKind::handText:
      return handTextBox(m);
    case ToolKind::pencil:
    case ToolKind::highlight:
      return points.empty() ? rect() : pointsBox(points);
    default:
      return rect();
  }
}

QRectF Shape::handleBox(const TextMeasurer& m) const {
  return kind == ToolKind::magnifier ? rect() : boundingBox(m);
}

std::vector<Handle> Shape::handles(const TextMeasurer& m) const {
  switch (kind) {
    case ToolKind::select:
    case ToolKind::crop:
      return {};
    case ToolKind::arrow: {
      const QPointF c = arrowControl(*this);
      return {{4, start}, {5, end}, {7, (start + 2 * c + end) / 4}};
    }
    case ToolKind::line:
      return {{4, start}, {5, end}};
    case ToolKind::text: {
      std::vector<Handle> h = cornerHandles(calloutBox(m));
      if (const auto tip = calloutTailTip(m)) h.push_back({6, *tip});
      return h;
    }
    case ToolKind::magnifier: {
      std::vector<Handle> h = cornerHandles(rect());
      h.push_back({6, magnifierPanel().center()});
      return h;
    }
    case ToolKind::counter:
      return cornerHandles(counterBubble(m));
    case ToolKind::handText:
      return cornerHandles(handTextBox(m));
    default:
      return cornerHandles(boundingBox(m));
  }
}

bool Shape::hitTest(QPointF p, double t, const TextMeasurer& m) const {
  switch (kind) {
    case ToolKind::select:
    case ToolKind::crop:
      return false;
    case ToolKind::arrow:
      return nearPolyline(arrowCurve(*this, 18), p, std::max(t, 2 * width));
    case ToolKind::pencil:
    case ToolKind::highlight: {
      if (points.size() < 2) return false;
      const double k = kind == ToolKind::highlight ? 3 : 2;
      return nearPolyline(points, p, std::max(t, k * width));
    }
    case ToolKind::line:
      return distance(p, start, end) < std::max(t, 2 * width);
    case ToolKind::text: {
      const QRectF box = calloutBox(m);
      if (containsPoint(grown(box, t), p)) return true;
      if (!tail) return false;
      // The whole tail is part of the callout, not only its tip: a long tail is grabbed anywhere.
      const auto triangle = calloutTail(box, calloutCornerRadius(box, fontSize), *tail);
      return length(p - triangle[2]) < 1.5 * t || nearTriangle(triangle, p, t);
    }
    case ToolKind::magnifier:
      return containsPoint(grown(rect(), t), p) || containsPoint(grown(magnifierPanel(), t), p);
    case ToolKind::counter:
      return containsPoint(grown(counterBubble(m), t), p);
    case ToolKind::handText:
      return containsPoint(grown(handTextBox(m), t), p);
    default:
      return containsPoint(grown(boundingBox(m), t), p);
  }
}

bool Shape::isMeaningful() const {
  const QRectF r = rect();
  switch (kind) {
    case ToolKind::pencil:
    case ToolKind::highlight:
      return points.size() > 1;
    case ToolKind::crop:
    case ToolKind::magnifier:
      return r.width() > 8 && r.height() > 8;
    case ToolKind::text:
      return !text.isEmpty();
    case ToolKind::counter:
      return true;
    case ToolKind::sticker:
      return !text.isEmpty() && r.width() > 4 && r.height() > 4;
    case ToolKind::image:
      return !image.isNull() && r.width() > 4 && r.height() > 4;
    default:
      return r.width() > 3 || r.height() > 3;
  }
}

void Shape::translate(QPointF d) {
  start += d;
  end += d;
  if (tail) *tail += d;
  if (control) *control += d;
  for (QPointF& p : points) p += d;
}

void Shape::espejo(bool horizontal, QSizeF lienzo, const TextMeasurer& m) {
  if (tail) tail = mirrored(*tail, horizontal, lienzo);
  if (isTextKind(kind)) {
    const QRectF b = boundingBox(m);
    start = horizontal ? QPointF(lienzo.width() - maxX(b), minY(b))
                       : QPointF(minX(b), lienzo.height() - maxY(b));
    // The counter's tail points at a spot of the picture; it keeps pointing at that spot by
    // moving to the other side of the disc, while the digits keep reading left to right.
    if (kind == ToolKind::counter) {
      if (horizontal) {
        counterFlipX = !counterFlipX;
      } else {
        counterFlipY = !counterFlipY;
      }
    }
    return;
  }
  start = mirrored(start, horizontal, lienzo);
  end = mirrored(end, horizontal, lienzo);
  if (control) control = mirrored(*control, horizontal, lienzo);
  for (QPointF& p : points) p = mirrored(p, horizontal, lienzo);
}

void Shape::resizeBox(int handle, QPointF p, const Shape& original, const TextMeasurer& m) {
  const QRectF b = handleBox(m);
  if (isTextKind(kind)) {
    QPointF anchor;
    switch (handle) {
      case 0:
        anchor = QPointF(maxX(b), maxY(b));
        break;
      case 1:
        anchor = QPointF(minX(b), maxY(b));
        break;
      case 2:
        anchor = QPointF(minX(b), minY(b));
        break;
      default:
        anchor = QPointF(maxX(b), minY(b));
        break;
    }
    double size = b.width() > 1 ? original.fontSize * std::abs(p.x() - anchor.x()) / b.width()
                                : original.fontSize;
    fontSize = std::clamp(size, 10.0, 600.0);
    const QSizeF box = kind == ToolKind::text      ? calloutBox(m).size()
                       : kind == ToolKind::counter ? counterBubble(m).size()
                                                   : handTextBox(m).size();
    const double w = box.width(), h = box.height();
    switch (handle) {
      case 0:
        start = anchor - QPointF(w, h);
        break;
      case 1:
        start = QPointF(anchor.x(), anchor.y() - h);
        break;
      case 2:
        start = anchor;
        break;
      default:
        start = QPointF(anchor.x() - w, anchor.y());
        break;
    }
    return;
  }
  QPointF a, c;
  switch (handle) {
    case 0:
      a = p, c = QPointF(maxX(b), maxY(b));
      break;
    case 1:
      a = QPointF(minX(b), p.y()), c = QPointF(p.x(), maxY(b));
      break;
    case 2:
      a = QPointF(minX(b), minY(b)), c = p;
      break;
    default:
      a = QPointF(p.x(), minY(b)), c = QPointF(maxX(b), p.y());
      break;
  }
  const QRectF n = normalizedRect(a, c);
  if (kind == ToolKind::pencil || kind == ToolKind::highlight) {
    const double sx = b.width() > 0.001 ? n.width() / b.width() : 1;
    const double sy = b.height() > 0.001 ? n.height() / b.height() : 1;
    points.clear();
    for (QPointF q : original.points) {
      points.emplace_back(minX(n) + sx * (q.x() - minX(b)), minY(n) + sy * (q.y() - minY(b)));
    }
    return;
  }
  start = QPointF(minX(n), minY(n));
  end = QPointF(maxX(n), maxY(n));
}

}  // namespace corvalin
