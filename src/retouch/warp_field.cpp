#include "retouch/warp_field.h"

#include <algorithm>
#include <cmath>

#include "retouch/dab_kernel.h"
#include "retouch/pixel_canvas.h"

namespace corvalin::retouch {
namespace {

// trunc(v) clamped to 0 … last; NaN gives 0 instead of an undefined conversion.
inline int64_t clampedIndex(float v, int64_t last) {
  if (!(v >= 0.0f)) return 0;
  if (v >= static_cast<float>(last)) return last;
  return std::min(static_cast<int64_t>(v), last);
}

// A sample coordinate clamped to 0 … last, NaN to 0.
inline float clampedCoordinate(float v, int64_t last) {
  if (!(v > 0.0f)) return 0.0f;
  const float top = static_cast<float>(last);
  return v < top ? v : top;
}

inline bool finite(PointD p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

}  // namespace

WarpField::WarpField(const PixelCanvas& canvas)
    : original_(canvas.snapshot()),
      width_(canvas.width()),
      height_(canvas.height()),
      cols_(canvas.width() / kPaso + 2),
      rows_(canvas.height() / kPaso + 2),
      dx_(static_cast<size_t>(cols_ * rows_), 0.0f),
      dy_(static_cast<size_t>(cols_ * rows_), 0.0f) {}

RectD WarpField::push(PointD from, PointD to, const Brush& brush) {
  const float deltaX = static_cast<float>(to.x - from.x);
  const float deltaY = static_cast<float>(to.y - from.y);
  if (deltaX == 0.0f && deltaY == 0.0f) return {};
  // A non-finite move would leave NaN in the field for the rest of the stroke.
  if (!finite(from) || !finite(to) || !std::isfinite(deltaX) || !std::isfinite(deltaY)) return {};

  const double r = brush.radius;
  if (r > 0) {
    const detail::IndexRange gxs = detail::truncRange((to.x - r) * 0.25, (to.x + r) * 0.25, cols_);
    const detail::IndexRange gys = detail::truncRange((to.y - r) * 0.25, (to.y + r) * 0.25, rows_);
    const double opacity = clampedOpacity(brush);
    for (int64_t gy = gys.first; gy <= gys.last; ++gy) {
      const double vy = static_cast<double>(kPaso * gy) - to.y;
      for (int64_t gx = gxs.first; gx <= gxs.last; ++gx) {
        const double d = std::hypot(static_cast<double>(kPaso * gx) - to.x, vy);
        const float w = static_cast<float>(brushCoverage(d, brush) * opacity);
        if (!(w > 0.0f)) continue;
        const size_t k = static_cast<size_t>(gy * cols_ + gx);
        dx_[k] -= deltaX * w;
        dy_[k] -= deltaY * w;
      }
    }
  }
  return {std::min(to.x, from.x) - r - 2, std::min(to.y, from.y) - r - 2,
          2 * r + std::abs(deltaX) + 4, 2 * r + std::abs(deltaY) + 4};
}

RectD WarpField::pinch(PointD at, const Brush& brush, float cantidad, bool haciaAdentro) {
  const double r = brush.radius;
  if (!(r > 1) || cantidad == 0.0f) return {};
  // An infinite radius or strength would spread NaN through the field.
  if (!std::isfinite(r) || !std::isfinite(cantidad) || !finite(at)) return {};
  const detail::IndexRange gxs = detail::truncRange((at.x - r) * 0.25, (at.x + r) * 0.25, cols_);
  const detail::IndexRange gys = detail::truncRange((at.y - r) * 0.25, (at.y + r) * 0.25, rows_);
  if (gxs.isEmpty() || gys.isEmpty()) return {};

  const double opacity = clampedOpacity(brush);
  for (int64_t gy = gys.first; gy <= gys.last; ++gy) {
    const double vy = static_cast<double>(kPaso * gy) - at.y;
    for (int64_t gx = gxs.first; gx <= gxs.last; ++gx) {
      const double vx = static_cast<double>(kPaso * gx) - at.x;
      const double d = std::hypot(vx, vy);
      if (!(d > 0.5 && d < r)) continue;
      const float w = static_cast<float>(brushCoverage(d, brush) * opacity);
      const float m = cantidad * w * static_cast<float>(std::min(d / (0.5 * r), 1.0));
      if (m == 0.0f) continue;
      const float s = haciaAdentro ? m : -m;
      const size_t k = static_cast<size_t>(gy * cols_ + gx);
      dx_[k] += s * static_cast<float>(vx / d);
      dy_[k] += s * static_cast<float>(vy / d);
    }
  }
  return {at.x - r - 2, at.y - r - 2, 2 * r + 4, 2 * r + 4};
}

std::pair<float, float> WarpField::desplazamiento(float x, float y) const {
  const Cell row = cellRow(y);
  const float gx = x * 0.25f;
  const int64_t i = clampedIndex(gx, cols_ - 2);
  const float fx = gx - static_cast<float>(i);
  return {mix(dx_.data() + row.k, i, fx, row.fy), mix(dy_.data() + row.k, i, fx, row.fy)};
}

WarpField::Cell WarpField::cellRow(float y) const {
  const float gy = y * 0.25f;
  const int64_t j = clampedIndex(gy, rows_ - 2);
  return {static_cast<size_t>(j * cols_), gy - static_cast<float>(j)};
}

float WarpField::mix(const float* top, int64_t i, float fx, float fy) const {
  const float* bottom = top + cols_;
  return (1 - fy) * ((1 - fx) * top[i] + fx * top[i + 1]) +
         fy * ((1 - fx) * bottom[i] + fx * bottom[i + 1]);
}

void WarpField::muestrear(float sx, float sy, uint8_t* into) const {
  sx = clampedCoordinate(sx, width_ - 1);
  sy = clampedCoordinate(sy, height_ - 1);
  // Above 2^24 a float can round past the last pixel; the index never may.
  const int64_t x0 = std::min(static_cast<int64_t>(sx), width_ - 1);
  const int64_t y0 = std::min(static_cast<int64_t>(sy), height_ - 1);
  const int64_t x1 = std::min(width_ - 1, x0 + 1);
  const int64_t y1 = std::min(height_ - 1, y0 + 1);
  const float tx = sx - static_cast<float>(x0);
  const float ty = sy - static_cast<float>(y0);
  const uint8_t* p00 = original_.data() + (y0 * width_ + x0) * 4;
  const uint8_t* p10 = original_.data() + (y0 * width_ + x1) * 4;
  const uint8_t* p01 = original_.data() + (y1 * width_ + x0) * 4;
  const uint8_t* p11 = original_.data() + (y1 * width_ + x1) * 4;
  for (int c = 0; c < 3; ++c) {
    const float v =
        (1 - ty) * ((1 - tx) * p00[c] + tx * p10[c]) + ty * ((1 - tx) * p01[c] + tx * p11[c]);
    into[c] = detail::roundToByte(v);
  }
  into[3] = 255;
}

void WarpField::resample(PixelCanvas& canvas, const RectD& rect) const {
  if (rect.isEmpty() || canvas.width() != width_ || canvas.height() != height_) return;
  const detail::IndexRange xs = detail::truncRange(rect.x, rect.x + rect.width, width_);
  const detail::IndexRange ys = detail::truncRange(rect.y, rect.y + rect.height, height_);
  if (xs.isEmpty() || ys.isEmpty()) return;
  uint8_t* out = canvas.data().data();
  for (int64_t y = ys.first; y <= ys.last; ++y) {
    // The same arithmetic as desplazamiento, with what depends on the row worked out once.
    const float py = static_cast<float>(y);
    const Cell row = cellRow(py);
    const float* fieldX = dx_.data() + row.k;
    const float* fieldY = dy_.data() + row.k;
    uint8_t* pixels = out + y * width_ * 4;
    for (int64_t x = xs.first; x <= xs.last; ++x) {
      const float px = static_cast<float>(x);
      const float gx = px * 0.25f;
      const int64_t i = clampedIndex(gx, cols_ - 2);
      const float fx = gx - static_cast<float>(i);
      muestrear(px + mix(fieldX, i, fx, row.fy), py + mix(fieldY, i, fx, row.fy), pixels + x * 4);
    }
  }
}

}  // namespace corvalin::retouch
