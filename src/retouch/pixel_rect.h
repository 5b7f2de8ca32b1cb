// Rectangles the retouch engines hand back: whole pixels for the dabs that work on pixel
// centres, fractional image coordinates for the warp field, whose dirty areas follow the brush.
#pragma once

#include <algorithm>
#include <cstdint>

namespace corvalin::retouch {

struct PixelRect {
  int64_t x = 0;
  int64_t y = 0;
  int64_t width = 0;
  int64_t height = 0;

  bool isEmpty() const { return width <= 0 || height <= 0; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;

  // The smallest rectangle holding both; an empty rectangle adds nothing.
  PixelRect united(const PixelRect& other) const {
    if (other.isEmpty()) return *this;
    if (isEmpty()) return other;
    const int64_t left = std::min(x, other.x);
    const int64_t top = std::min(y, other.y);
    const int64_t right = std::max(x + width, other.x + other.width);
    const int64_t bottom = std::max(y + height, other.y + other.height);
    return {left, top, right - left, bottom - top};
  }
};

struct PointD {
  double x = 0;
  double y = 0;
  friend bool operator==(const PointD&, const PointD&) = default;
};

struct RectD {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;

  // NaN sizes count as empty, so a rectangle built from bad input is never acted on.
  bool isEmpty() const { return !(width > 0) || !(height > 0); }
  friend bool operator==(const RectD&, const RectD&) = default;

  RectD united(const RectD& other) const {
    if (other.isEmpty()) return *this;
    if (isEmpty()) return other;
    const double left = std::min(x, other.x);
    const double top = std::min(y, other.y);
    const double right = std::max(x + width, other.x + other.width);
    const double bottom = std::max(y + height, other.y + other.height);
    return {left, top, right - left, bottom - top};
  }
};

}  // namespace corvalin::retouch
