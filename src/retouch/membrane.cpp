#include "retouch/membrane.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <numbers>

#include "retouch/inpaint_level.h"

namespace corvalin::retouch::inpaint {
namespace {

typedef float V4 __attribute__((vector_size(16)));

// Below this side the pyramid stops; its top is solved outright.
constexpr int64_t kCoarsestSide = 8;
// Relaxation stops once the largest change of a sweep falls under this, in levels.
constexpr float kSettled = 0.01f;
constexpr float kSettledCoarse = 0.05f;

struct Grid {
  int64_t w = 0;
  int64_t h = 0;
  std::vector<Role> role;
  // kLanes floats per cell and one more cell, always zero, that stands in for the neighbours
  // that take no part, so that every free cell sums exactly four values.
  std::vector<float> val;

  Grid(int64_t width, int64_t height)
      : w(width),
        h(height),
        role(static_cast<size_t>(width * height), Role::none),
        val(static_cast<size_t>((width * height + 1) * kLanes), 0.0f) {}
  float* at(int64_t i) { return val.data() + i * kLanes; }
};

Grid coarser(const Grid& fine) {
  Grid g((fine.w + 1) / 2, (fine.h + 1) / 2);
  for (int64_t j = 0; j < g.h; ++j) {
    for (int64_t i = 0; i < g.w; ++i) {
      float sum[kLanes] = {};
      int fixed = 0;
      bool free = false;
      for (int64_t y = 2 * j; y < std::min(2 * j + 2, fine.h); ++y) {
        for (int64_t x = 2 * i; x < std::min(2 * i + 2, fine.w); ++x) {
          const int64_t p = y * fine.w + x;
          if (fine.role[p] == Role::free) free = true;
          if (fine.role[p] != Role::fixed) continue;
          for (int64_t k = 0; k < kLanes; ++k) sum[k] += fine.val[p * kLanes + k];
          ++fixed;
        }
      }
      const int64_t c = j * g.w + i;
      // A cell holding a fixed pixel stays fixed, so that thin gaps keep their boundary at
      // every scale instead of floating free.
      if (fixed > 0) {
        g.role[c] = Role::fixed;
        for (int64_t k = 0; k < kLanes; ++k) g.at(c)[k] = sum[k] / static_cast<float>(fixed);
      } else if (free) {
        g.role[c] = Role::free;
      }
    }
  }
  return g;
}

// Free cells in two colours of a checkerboard, each with its four neighbours (the zero cell
// for those that take no part) and the reciprocal of how many take part.
struct Stencil {
  std::vector<int32_t> cells[2];
  std::vector<int32_t> around[2];  // 4 per cell
  std::vector<float> inverse[2];
  std::vector<int32_t> unreached;  // free cells with no neighbour taking part
};

Stencil stencilOf(const Grid& g) {
  Stencil s;
  const int32_t zero = static_cast<int32_t>(g.w * g.h);
  const size_t free = static_cast<size_t>(std::count(g.role.begin(), g.role.end(), Role::free));
  for (int colour = 0; colour < 2; ++colour) {
    s.cells[colour].reserve(free / 2 + 1);
    s.around[colour].reserve(4 * (free / 2 + 1));
    s.inverse[colour].reserve(free / 2 + 1);
  }
  for (int64_t y = 0; y < g.h; ++y) {
    for (int64_t x = 0; x < g.w; ++x) {
      const int64_t p = y * g.w + x;
      if (g.role[p] != Role::free) continue;
      const int64_t q[4] = {x > 0 ? p - 1 : -1, x + 1 < g.w ? p + 1 : -1, y > 0 ? p - g.w : -1,
                            y + 1 < g.h ? p + g.w : -1};
      bool part[4];
      for (int k = 0; k < 4; ++k) part[k] = q[k] >= 0 && g.role[q[k]] != Role::none;
      // Where one neighbour of a pair takes no part, the membrane is continued across it in a
      // straight line (the missing value is taken as 2·centre − the opposite one), which drops
      // that pair from the mean: a gradient runs on up to another surface's edge unbent. Only
      // a pixel with no whole pair keeps what it has.
      const bool across = part[0] && part[1];
      const bool down = part[2] && part[3];
      if (across || down) {
        part[0] = part[1] = across;
        part[2] = part[3] = down;
      }
      int n = 0;
      for (int k = 0; k < 4; ++k) n += part[k] ? 1 : 0;
      if (n == 0) {
        s.unreached.push_back(static_cast<int32_t>(p));
        continue;
      }
      const int colour = static_cast<int>((x + y) & 1);
      s.cells[colour].push_back(static_cast<int32_t>(p));
      for (int k = 0; k < 4; ++k) {
        s.around[colour].push_back(part[k] ? static_cast<int32_t>(q[k]) : zero);
      }
      s.inverse[colour].push_back(1.0f / static_cast<float>(n));
    }
  }
  return s;
}

// The largest number of steps from a free cell to the nearest fixed one, over the free cells
// a fixed one reaches: the width that sets how slowly the slowest error dies away.
int64_t reach(const Grid& g) {
  std::vector<int32_t> steps(g.role.size(), -1);
  std::deque<int64_t> queue;
  for (int64_t p = 0; p < g.w * g.h; ++p) {
    if (g.role[p] == Role::fixed) {
      steps[p] = 0;
      queue.push_back(p);
    }
  }
  int64_t far = 0;
  while (!queue.empty()) {
    const int64_t p = queue.front();
    queue.pop_front();
    const int64_t x = p % g.w;
    const int64_t y = p / g.w;
    const int64_t q[4] = {x > 0 ? p - 1 : -1, x + 1 < g.w ? p + 1 : -1, y > 0 ? p - g.w : -1,
                          y + 1 < g.h ? p + g.w : -1};
    for (const int64_t o : q) {
      if (o < 0 || g.role[o] != Role::free || steps[o] >= 0) continue;
      steps[o] = steps[p] + 1;
      far = std::max<int64_t>(far, steps[o]);
      queue.push_back(o);
    }
  }
  return far;
}

// Red-black over-relaxation with the factor that is optimal for a strip as wide as twice the
// reach, until the largest change of a sweep is under `settled` or the sweeps run out.
void relax(Grid& g, const Stencil& s, float settled, int64_t maxSweeps) {
  const int64_t width = 2 * reach(g) + 1;
  const float omega = static_cast<float>(
      2.0 / (1.0 + std::sin(std::numbers::pi / static_cast<double>(std::max<int64_t>(width, 2)))));
  V4* v = reinterpret_cast<V4*>(g.val.data());
  const V4 w4 = {omega, omega, omega, omega};
  for (int64_t sweep = 0; sweep < maxSweeps; ++sweep) {
    V4 largest = {0, 0, 0, 0};
    for (int colour = 0; colour < 2; ++colour) {
      const int32_t* cells = s.cells[colour].data();
      const int32_t* around = s.around[colour].data();
      const float* inverse = s.inverse[colour].data();
      const size_t n = s.cells[colour].size();
      for (size_t c = 0; c < n; ++c) {
        const int32_t* a = around + 4 * c;
        const V4 sum = (v[a[0]] + v[a[1]]) + (v[a[2]] + v[a[3]]);
        const float inv = inverse[c];
        const V4 mean = sum * V4{inv, inv, inv, inv};
        const V4 step = (mean - v[cells[c]]) * w4;
        v[cells[c]] += step;
        const V4 size = step < 0 ? -step : step;
        largest = largest > size ? largest : size;
      }
    }
    if (std::max({largest[0], largest[1], largest[2]}) < settled) break;
  }
}

// The fine grid's free cells from the coarse grid: bilinear over the coarse cells that take
// part, which always include the fine cell's own parent.
void carryUp(const Grid& coarse, Grid& fine) {
  for (int64_t y = 0; y < fine.h; ++y) {
    const double fy = (static_cast<double>(y) - 0.5) / 2;
    const int64_t y0 = static_cast<int64_t>(std::floor(fy));
    const double ty = fy - static_cast<double>(y0);
    for (int64_t x = 0; x < fine.w; ++x) {
      const int64_t p = y * fine.w + x;
      if (fine.role[p] != Role::free) continue;
      const double fx = (static_cast<double>(x) - 0.5) / 2;
      const int64_t x0 = static_cast<int64_t>(std::floor(fx));
      const double tx = fx - static_cast<double>(x0);
      double sum[kLanes] = {};
      double weight = 0;
      for (int64_t dy = 0; dy < 2; ++dy) {
        for (int64_t dx = 0; dx < 2; ++dx) {
          const int64_t cx = x0 + dx;
          const int64_t cy = y0 + dy;
          if (cx < 0 || cy < 0 || cx >= coarse.w || cy >= coarse.h) continue;
          const int64_t c = cy * coarse.w + cx;
          if (coarse.role[c] == Role::none) continue;
          const double wgt = (dx ? tx : 1 - tx) * (dy ? ty : 1 - ty);
          for (int64_t k = 0; k < kLanes; ++k) sum[k] += wgt * coarse.val[c * kLanes + k];
          weight += wgt;
        }
      }
      if (weight <= 0) {
        const int64_t c = (y / 2) * coarse.w + x / 2;
        for (int64_t k = 0; k < kLanes; ++k) fine.at(p)[k] = coarse.val[c * kLanes + k];
        continue;
      }
      for (int64_t k = 0; k < kLanes; ++k) {
        fine.at(p)[k] = static_cast<float>(sum[k] / weight);
      }
    }
  }
}

}  // namespace

bool fillMembrane(std::vector<float>& img, const std::vector<Role>& role, int64_t w, int64_t h) {
  std::vector<Grid> pyramid;
  pyramid.emplace_back(w, h);
  pyramid[0].role = role;
  double total[kLanes] = {};
  int64_t fixed = 0;
  bool anyFree = false;
  for (int64_t p = 0; p < w * h; ++p) {
    anyFree = anyFree || role[p] == Role::free;
    if (role[p] != Role::fixed) continue;
    for (int64_t k = 0; k < kLanes; ++k) {
      pyramid[0].at(p)[k] = img[p * kLanes + k];
      total[k] += img[p * kLanes + k];
    }
    ++fixed;
  }
  if (fixed == 0) return false;
  if (!anyFree) return true;

  while (std::max(pyramid.back().w, pyramid.back().h) > kCoarsestSide) {
    Grid next = coarser(pyramid.back());
    if (std::find(next.role.begin(), next.role.end(), Role::free) == next.role.end()) break;
    pyramid.push_back(std::move(next));
  }

  // The top starts at the mean of every fixed pixel, which is also where free pixels cut off
  // from all fixed ones stay.
  Grid& top = pyramid.back();
  for (int64_t p = 0; p < top.w * top.h; ++p) {
    if (top.role[p] != Role::free) continue;
    for (int64_t k = 0; k < kLanes; ++k) {
      top.at(p)[k] = static_cast<float>(total[k] / static_cast<double>(fixed));
    }
  }
  Stencil stencil;
  for (size_t l = pyramid.size(); l-- > 0;) {
    Grid& g = pyramid[l];
    if (l + 1 < pyramid.size()) carryUp(pyramid[l + 1], g);
    stencil = stencilOf(g);
    relax(g, stencil, l == 0 ? kSettled : kSettledCoarse, 20 * (g.w + g.h) + 100);
  }
  // Free pixels no neighbour reaches keep the mean.
  Grid& base = pyramid[0];
  for (const int32_t p : stencil.unreached) {
    for (int64_t k = 0; k < kLanes; ++k) {
      base.at(p)[k] = static_cast<float>(total[k] / static_cast<double>(fixed));
    }
  }
  for (int64_t p = 0; p < w * h; ++p) {
    if (role[p] != Role::free) continue;
    for (int64_t k = 0; k < kLanes; ++k) img[p * kLanes + k] = base.at(p)[k];
  }
  return true;
}

}  // namespace corvalin::retouch::inpaint
