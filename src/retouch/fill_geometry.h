// Small pieces of plane geometry and bookkeeping the fill's analysis of a hole shares: points,
// the cross product that tells left from right, the pixel under a point, neighbours, and a
// union-find. Internal to the inpainter.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "retouch/inpaint_level.h"

namespace corvalin::retouch::inpaint {

struct Point {
  double x = 0;
  double y = 0;
};

// Positive when b lies to the left of a (x to the right, y down).
inline double cross(double ax, double ay, double bx, double by) {
  return ax * by - ay * bx;
}

inline double angleBetween(double ax, double ay, double bx, double by) {
  return std::acos(std::clamp(ax * bx + ay * by, -1.0, 1.0));
}

// The pixel whose centre lies nearest to a point (pixel centres at whole coordinates), or −1
// outside the level.
inline int64_t pixelAt(const Level& level, double x, double y) {
  const int64_t px = static_cast<int64_t>(std::floor(x + 0.5));
  const int64_t py = static_cast<int64_t>(std::floor(y + 0.5));
  if (px < 0 || py < 0 || px >= level.w || py >= level.h) return -1;
  return py * level.w + px;
}

// The four neighbours of a pixel (left, right, up, down), −1 off the grid.
inline std::array<int64_t, 4> fourAround(int64_t i, int64_t w, int64_t h) {
  const int64_t x = i % w;
  const int64_t y = i / w;
  return {x > 0 ? i - 1 : -1, x + 1 < w ? i + 1 : -1, y > 0 ? i - w : -1, y + 1 < h ? i + w : -1};
}

// Calls visit(q) for each pixel q of the (2 radius + 1)-square around pixel (x, y) that lies
// on a w × h grid, row by row.
template <typename Visit>
void forSquare(int64_t x, int64_t y, int64_t w, int64_t h, int64_t radius, Visit visit) {
  for (int64_t qy = std::max<int64_t>(y - radius, 0); qy <= std::min(h - 1, y + radius); ++qy) {
    for (int64_t qx = std::max<int64_t>(x - radius, 0); qx <= std::min(w - 1, x + radius); ++qx) {
      visit(qy * w + qx);
    }
  }
}

// Union-find over indices; the smaller index is always the root, so the result does not depend
// on the order of the unions.
class UnionFind {
 public:
  explicit UnionFind(size_t n) : parent_(n) {
    for (size_t i = 0; i < n; ++i) parent_[i] = static_cast<uint32_t>(i);
  }
  uint32_t root(size_t i) {
    uint32_t r = static_cast<uint32_t>(i);
    while (parent_[r] != r) r = parent_[r] = parent_[parent_[r]];
    return r;
  }
  void join(size_t a, size_t b) {
    const uint32_t ra = root(a);
    const uint32_t rb = root(b);
    if (ra != rb) parent_[std::max(ra, rb)] = std::min(ra, rb);
  }

 private:
  std::vector<uint32_t> parent_;
};

}  // namespace corvalin::retouch::inpaint
