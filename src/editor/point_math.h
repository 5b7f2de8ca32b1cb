// Small vector helpers for image-space geometry, where a QRectF's top() is its lowest y.
#pragma once

#include <QPointF>
#include <QRectF>
#include <cmath>

namespace corvalin {

inline double dot(QPointF a, QPointF b) {
  return a.x() * b.x() + a.y() * b.y();
}
inline double length(QPointF v) {
  return std::hypot(v.x(), v.y());
}
inline double minX(const QRectF& r) {
  return r.left();
}
inline double maxX(const QRectF& r) {
  return r.right();
}
inline double minY(const QRectF& r) {
  return r.top();
}
inline double maxY(const QRectF& r) {
  return r.bottom();
}
// The rectangle with origin (min x, min y) and size (|dx|, |dy|) of two points.
inline QRectF normalizedRect(QPointF a, QPointF b) {
  return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()),
                std::abs(b.y() - a.y()));
}
// Inclusive containment, like a rectangle grown by a tolerance is meant.
inline bool containsPoint(const QRectF& r, QPointF p) {
  return p.x() >= minX(r) && p.x() <= maxX(r) && p.y() >= minY(r) && p.y() <= maxY(r);
}
inline QRectF grown(const QRectF& r, double by) {
  return r.adjusted(-by, -by, by, by);
}

}  // namespace corvalin
