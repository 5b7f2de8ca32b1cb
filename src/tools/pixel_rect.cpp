#include "tools/pixel_rect.h"

#include <limits>

namespace corvalin::tools {
namespace {

long long squaredDistance(const PixelRect& r, PixelPoint p) {
  const long long dx = p.x < r.x ? r.x - p.x : std::max(0, p.x - (r.right() - 1));
  const long long dy = p.y < r.y ? r.y - p.y : std::max(0, p.y - (r.bottom() - 1));
  return dx * dx + dy * dy;
}

}  // namespace

int monitorAt(std::span<const PixelRect> monitors, PixelPoint point) {
  int best = -1;
  long long bestDistance = std::numeric_limits<long long>::max();
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const long long d = squaredDistance(monitors[i], point);
    if (d < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = d;
    }
  }
  return best;
}

}  // namespace corvalin::tools
