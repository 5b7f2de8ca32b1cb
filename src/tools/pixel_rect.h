// Points and rectangles in root coordinates, in device pixels: what the X server reports and
// what the screen grab holds, one to one. Plain C++ so that the whole-screen capture loads
// no toolkit.
#pragma once

#include <algorithm>
#include <span>

namespace corvalin::tools {

struct PixelPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Covers x to x + width and y to y + height, the far edges excluded.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool empty() const { return width <= 0 || height <= 0; }
  int right() const { return x + width; }
  int bottom() const { return y + height; }
  bool contains(PixelPoint p) const {
    return !empty() && p.x >= x && p.x < right() && p.y >= y && p.y < bottom();
  }
  // Empty rectangles all come out as {}.
  PixelRect intersected(const PixelRect& o) const {
    const int l = std::max(x, o.x), t = std::max(y, o.y);
    const int r = std::min(right(), o.right()), b = std::min(bottom(), o.bottom());
    if (r <= l || b <= t) return {};
    return {l, t, r - l, b - t};
  }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The monitor containing `point`, else the nearest one; -1 when there are none.
int monitorAt(std::span<const PixelRect> monitors, PixelPoint point);

}  // namespace corvalin::tools
