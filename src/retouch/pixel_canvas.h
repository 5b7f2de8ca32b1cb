// The editable copy of a picture every pixel tool works on: 8-bit R, G, B, A per pixel,
// premultiplied sRGB, rows top to bottom with no padding. The clone stamp lives here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "retouch/brush.h"
#include "retouch/pixel_rect.h"

namespace corvalin::retouch {

class PixelCanvas {
 public:
  // A transparent canvas; nothing when either side is below 1 or the bytes can't be had.
  static std::optional<PixelCanvas> create(int64_t width, int64_t height);
  // Takes `rgba` as the pixels; nothing unless it holds exactly width × height × 4 bytes.
  static std::optional<PixelCanvas> fromRgba(int64_t width, int64_t height,
                                             std::vector<uint8_t> rgba);
  // The byte count of a width × height canvas, or nothing when a side is below 1 or the
  // count does not fit in memory's address range.
  static std::optional<size_t> byteCount(int64_t width, int64_t height);

  int64_t width() const { return width_; }
  int64_t height() const { return height_; }
  // Pixel (x, y) starts at byte (y × width + x) × 4.
  std::span<uint8_t> data() { return data_; }
  std::span<const uint8_t> data() const { return data_; }
  // A copy of the bytes, taken when a stroke begins, for the engines to read from.
  std::vector<uint8_t> snapshot() const { return data_; }

  // The clone brush: blends each pixel of the dab toward the pixel (dx, dy) away in `from`
  // (a snapshot of this canvas) and makes it opaque. Returns the scan rectangle, or the zero
  // rectangle when the dab misses the canvas or `from` is not a snapshot of its size.
  PixelRect stamp(std::span<const uint8_t> from, int64_t dx, int64_t dy, double cx, double cy,
                  const Brush& brush);

 private:
  PixelCanvas(int64_t width, int64_t height, std::vector<uint8_t> data)
      : width_(width), height_(height), data_(std::move(data)) {}

  int64_t width_;
  int64_t height_;
  std::vector<uint8_t> data_;
};

}  // namespace corvalin::retouch
