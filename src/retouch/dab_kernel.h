// Arithmetic every dab loop shares: saturating truncation into pixel ranges, rounding into
// bytes, and rows of distances and brush coverage. Internal to the retouch engines.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "retouch/brush.h"

namespace corvalin::retouch::detail {

struct IndexRange {
  int64_t first = 0;
  int64_t last = -1;
  bool isEmpty() const { return last < first; }
};

// Beyond this any coordinate lies off every picture; it also leaves room for the "+ 1" below.
inline constexpr double kIndexLimit = 4.0e18;

inline int64_t truncSaturated(double v) {
  if (v >= kIndexLimit) return static_cast<int64_t>(kIndexLimit);
  if (v <= -kIndexLimit) return -static_cast<int64_t>(kIndexLimit);
  return static_cast<int64_t>(v);
}

// max(trunc(lo), 0) … min(count − 1, trunc(hi) + 1): the range every dab, node walk and
// resample uses. A NaN bound gives nothing rather than an undefined conversion.
inline IndexRange truncRange(double lo, double hi, int64_t count) {
  if (std::isnan(lo) || std::isnan(hi) || count <= 0) return {};
  return {std::max<int64_t>(truncSaturated(lo), 0),
          std::min<int64_t>(count - 1, truncSaturated(hi) + 1)};
}

// Round half away from zero, then clamp to 0 … 255. Clamping first stores the same byte and
// keeps the conversion defined (NaN becomes 0). Truncating and comparing the fraction is
// exact where adding one half is not (0.49999997f + 0.5f rounds up to 1), and has no branch,
// so loops around it vectorise.
inline uint8_t roundToByte(float v) {
  v = v > 0.0f ? v : 0.0f;
  v = v < 255.0f ? v : 255.0f;
  const int32_t whole = static_cast<int32_t>(v);
  return static_cast<uint8_t>(whole + static_cast<int32_t>(v - static_cast<float>(whole) >= 0.5f));
}

// The same for doubles, as a 32-bit integer: a loop of doubles narrows to that width in one
// vector step but not on to a byte, and a double comparison turned into an integer does not
// vectorise at all, so the rounding step stays in doubles.
inline int32_t roundToByteValue(double v) {
  v = v > 0.0 ? v : 0.0;
  v = v < 255.0 ? v : 255.0;
  const double whole = static_cast<double>(static_cast<int32_t>(v));
  return static_cast<int32_t>(v - whole >= 0.5 ? whole + 1.0 : whole);
}

inline uint8_t roundToByte(double v) {
  return static_cast<uint8_t>(roundToByteValue(v));
}

// hypot(a, b) without the call, bit for bit what the C library returns while the squares
// below neither overflow nor underflow: a rounded square root followed by Borges' correction
// ("An Improved Algorithm for hypot(a, b)"), both branches evaluated so that a loop over it
// has no control flow.
inline double hypotInline(double a, double b) {
  const double x = std::fabs(a);
  const double y = std::fabs(b);
  const double ax = x < y ? y : x;
  const double ay = x < y ? x : y;
  const double h = std::sqrt(ax * ax + ay * ay);
  const double dy = h - ay;
  const double t1y = ax * (2.0 * dy - ax);
  const double t2y = (dy - 2.0 * (ax - ay)) * dy;
  const double dx = h - ax;
  const double t1x = 2.0 * dx * (ax - 2.0 * ay);
  const double t2x = (4.0 * dx - ay) * ay + dx * dx;
  const bool nearY = h <= 2.0 * ay;
  const double corrected = h - ((nearY ? t1y : t1x) + (nearY ? t2y : t2x)) / (2.0 * h);
  return ay <= ax * 0x1p-54 ? ax + ay : corrected;
}

// 0, 1, 2, … as doubles, so that a run's x coordinates come from loads instead of conversions.
inline constexpr std::array<double, 256> kRunOffsets = [] {
  std::array<double, 256> t{};
  for (size_t i = 0; i < t.size(); ++i) t[i] = static_cast<double>(i);
  return t;
}();

// The coverage curve over the pixel centres of one dab, a run of a row at a time, in loops the
// compiler turns into vector code. The results equal brushCoverage(std::hypot(…)) exactly.
class DabShape {
 public:
  // The longest run one call handles.
  static constexpr int64_t kRun = static_cast<int64_t>(kRunOffsets.size());

  DabShape(double cx, double cy, const Brush& brush) : cx_(cx), cy_(cy), brush_(brush) {
    const double h = brush.hardness <= 0 ? 0 : (brush.hardness > 0.96 ? 0.96 : brush.hardness);
    inner_ = brush.radius * h;
  }

  // Distances from the dab centre to the centres of pixels first … first + count − 1 of row
  // y, count ≤ kRun.
  void distanceRow(int64_t y, int64_t first, int64_t count, double* out) const {
    const double b = static_cast<double>(y) + 0.5 - cy_;
    // Whole numbers below 2^53 add exactly, so base + k is the pixel's own x as a double.
    const double base = static_cast<double>(first);
    const double cx = cx_;  // a local: `out` could alias a member, which would stop vectorising
    const double* steps = kRunOffsets.data();
    // |a| along the run never exceeds it at the ends. Squares overflow only past 2^511, which
    // takes an absurd centre; they never underflow, because a pixel centre x + 0.5 and a
    // coordinate near it differ by 0 or by at least 2^-55.
    const double ends =
        std::max(std::fabs(base + 0.5 - cx), std::fabs(base + steps[count - 1] + 0.5 - cx));
    if (!(std::max(ends, std::fabs(b)) <= 0x1p+511)) {
      for (int64_t i = 0; i < count; ++i) out[i] = std::hypot(base + steps[i] + 0.5 - cx, b);
      return;
    }
    for (int64_t i = 0; i < count; ++i) out[i] = hypotInline(base + steps[i] + 0.5 - cx, b);
  }

  // Coverage of the same pixels.
  void coverageRow(int64_t y, int64_t first, int64_t count, double* out) const {
    distanceRow(y, first, count, out);
    const double r = brush_.radius;
    const double inner = inner_;
    for (int64_t i = 0; i < count; ++i) {
      const double d = out[i];
      const double t = (d - inner) / (r - inner);
      const double soft = 1 - t * t * (3 - 2 * t);
      out[i] = d <= inner ? 1.0 : (d >= r ? 0.0 : soft);
    }
  }

 private:
  double cx_;
  double cy_;
  Brush brush_;
  double inner_ = 0;
};

}  // namespace corvalin::retouch::detail
