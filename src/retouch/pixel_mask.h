// The pixels a brush stroke has covered, for the tools that collect a region before they
// work on it, with a box that bounds every dab painted so that consumers and `clear` stay
// inside the painted area.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "retouch/brush.h"
#include "retouch/pixel_rect.h"

namespace corvalin::retouch {

class PixelCanvas;

class PixelMask {
 public:
  // An empty mask. A negative side counts as 0; a size whose bit count would not fit in
  // memory's address range gives a 0 × 0 mask.
  PixelMask(int64_t width, int64_t height);
  explicit PixelMask(const PixelCanvas& canvas);

  int64_t width() const { return width_; }
  int64_t height() const { return height_; }
  // One byte per pixel, row-major, 1 where painted.
  std::span<const uint8_t> bits() const { return bits_; }
  bool bit(int64_t x, int64_t y) const;

  // The inclusive box: the union of the clipped scan rectangles of every dab painted since
  // creation or the last clear. It is wider than the set bits where a dab's disc missed
  // every pixel centre of its rectangle.
  int64_t minX() const { return minX_; }
  int64_t minY() const { return minY_; }
  int64_t maxX() const { return maxX_; }
  int64_t maxY() const { return maxY_; }
  bool isEmpty() const { return maxX_ < minX_; }
  // The box as a rectangle; the zero rectangle when empty.
  PixelRect box() const;

  // Sets every pixel whose centre lies strictly inside the radius (hardness plays no part)
  // and widens the box by the dab's scan rectangle. Bits are never cleared here.
  void paint(double cx, double cy, const Brush& brush);
  // Sets one pixel and widens the box by that pixel alone, for masks built from found pixels
  // rather than painted; a pixel outside the mask does nothing.
  void set(int64_t x, int64_t y);
  // Clears the bits inside the box and empties it; nothing to do on an empty mask.
  void clear();

 private:
  static constexpr int64_t kNoMin = std::numeric_limits<int64_t>::max();
  static constexpr int64_t kNoMax = std::numeric_limits<int64_t>::min();

  int64_t width_ = 0;
  int64_t height_ = 0;
  std::vector<uint8_t> bits_;
  int64_t minX_ = kNoMin;
  int64_t minY_ = kNoMin;
  int64_t maxX_ = kNoMax;
  int64_t maxY_ = kNoMax;
};

}  // namespace corvalin::retouch
