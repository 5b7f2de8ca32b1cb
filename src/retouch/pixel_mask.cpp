#include "retouch/pixel_mask.h"

#include <algorithm>
#include <cstring>

#include "retouch/dab_kernel.h"
#include "retouch/pixel_canvas.h"

namespace corvalin::retouch {

PixelMask::PixelMask(int64_t width, int64_t height) {
  width = std::max<int64_t>(width, 0);
  height = std::max<int64_t>(height, 0);
  if (width > 0 && height > 0 &&
      width > static_cast<int64_t>(std::min<uint64_t>(std::numeric_limits<int64_t>::max(),
                                                      std::numeric_limits<size_t>::max())) /
                  height) {
    width = height = 0;
  }
  width_ = width;
  height_ = height;
  bits_.assign(static_cast<size_t>(width_ * height_), 0);
}

PixelMask::PixelMask(const PixelCanvas& canvas) : PixelMask(canvas.width(), canvas.height()) {}

bool PixelMask::bit(int64_t x, int64_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
  return bits_[static_cast<size_t>(y * width_ + x)] != 0;
}

PixelRect PixelMask::box() const {
  if (isEmpty()) return {};
  return {minX_, minY_, maxX_ - minX_ + 1, maxY_ - minY_ + 1};
}

void PixelMask::paint(double cx, double cy, const Brush& brush) {
  const ScanRect scan = scanRect(cx, cy, brush.radius, width_, height_);
  if (scan.isEmpty()) return;
  // Strictly inside the radius: a centre on the rim stays unset, and the hardness, which
  // only shapes the coverage, plays no part.
  const detail::DabShape shape(cx, cy, brush);
  const double r = brush.radius;
  double distance[detail::DabShape::kRun];
  for (int64_t y = scan.firstY; y <= scan.lastY; ++y) {
    uint8_t* row = bits_.data() + y * width_;
    for (int64_t start = scan.firstX; start <= scan.lastX; start += detail::DabShape::kRun) {
      const int64_t count = std::min(detail::DabShape::kRun, scan.lastX - start + 1);
      shape.distanceRow(y, start, count, distance);
      // As 0.0 or 1.0 first: a double comparison narrowed straight to a byte stays scalar.
      for (int64_t i = 0; i < count; ++i) distance[i] = distance[i] < r ? 1.0 : 0.0;
      uint8_t* run = row + start;
      for (int64_t i = 0; i < count; ++i) run[i] |= static_cast<uint8_t>(distance[i]);
    }
  }
  minX_ = std::min(minX_, scan.firstX);
  minY_ = std::min(minY_, scan.firstY);
  maxX_ = std::max(maxX_, scan.lastX);
  maxY_ = std::max(maxY_, scan.lastY);
}

void PixelMask::set(int64_t x, int64_t y) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  bits_[static_cast<size_t>(y * width_ + x)] = 1;
  minX_ = std::min(minX_, x);
  minY_ = std::min(minY_, y);
  maxX_ = std::max(maxX_, x);
  maxY_ = std::max(maxY_, y);
}

void PixelMask::clear() {
  if (isEmpty()) return;
  const size_t run = static_cast<size_t>(maxX_ - minX_ + 1);
  for (int64_t y = minY_; y <= maxY_; ++y) {
    std::memset(bits_.data() + y * width_ + minX_, 0, run);
  }
  minX_ = minY_ = kNoMin;
  maxX_ = maxY_ = kNoMax;
}

}  // namespace corvalin::retouch
