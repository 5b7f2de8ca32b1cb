#include "retouch/brush.h"

#include "retouch/dab_kernel.h"

namespace corvalin::retouch {

double brushCoverage(double distance, const Brush& brush) {
  const double h = brush.hardness <= 0 ? 0 : (brush.hardness > 0.96 ? 0.96 : brush.hardness);
  const double inner = brush.radius * h;
  if (distance <= inner) return 1;
  if (distance >= brush.radius) return 0;
  const double t = (distance - inner) / (brush.radius - inner);
  return 1 - t * t * (3 - 2 * t);
}

double clampedOpacity(const Brush& brush) {
  if (!(brush.opacity > 0)) return 0;
  return brush.opacity > 1 ? 1 : brush.opacity;
}

PixelRect ScanRect::rect() const {
  if (isEmpty()) return {};
  return {firstX, firstY, lastX - firstX + 1, lastY - firstY + 1};
}

ScanRect scanRect(double cx, double cy, double radius, int64_t width, int64_t height) {
  const detail::IndexRange xs = detail::truncRange(cx - radius, cx + radius, width);
  const detail::IndexRange ys = detail::truncRange(cy - radius, cy + radius, height);
  if (xs.isEmpty() || ys.isEmpty()) return {};
  return {xs.first, ys.first, xs.last, ys.last};
}

}  // namespace corvalin::retouch
