#include "retouch/pixel_canvas.h"

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <stdexcept>

#include "retouch/dab_kernel.h"

namespace corvalin::retouch {
namespace {

constexpr int64_t kRun = detail::DabShape::kRun;
constexpr size_t kRunBytes = static_cast<size_t>(kRun) * 4;

// 0, 0, 0, 255 over a run: OR-ed into the source, it makes the alpha byte's target 255 with
// no per-byte condition, which would keep the blend loop scalar.
constexpr std::array<uint8_t, kRunBytes> kAlphaBytes = [] {
  std::array<uint8_t, kRunBytes> bytes{};
  for (size_t i = 3; i < bytes.size(); i += 4) bytes[i] = 255;
  return bytes;
}();

// One run of pixels blended toward their sources, byte by byte so that the loop vectorises:
// colour bytes move toward the source by the pixel's weight, the alpha byte toward 255 with
// weight 1 when the pixel is stamped at all ((255 − a) × 1 + a is exactly 255). A weight of 0
// leaves a byte exactly as it was, since (s − d) × 0 + d is d. No restrict: a caller may pass the
// canvas itself as the source, and then the left-to-right order decides what is read.
void blendRun(uint8_t* dst, const uint8_t* src, const float* weight, int64_t count) {
  float perByte[kRunBytes];
  for (int64_t i = 0; i < count; ++i) {
    const float w = weight[i];
    perByte[i * 4] = w;
    perByte[i * 4 + 1] = w;
    perByte[i * 4 + 2] = w;
    perByte[i * 4 + 3] = w > 0.0f ? 1.0f : 0.0f;
  }
  for (int64_t j = 0; j < count * 4; ++j) {
    const float dv = dst[j];
    const float sv = static_cast<uint8_t>(src[j] | kAlphaBytes[j]);
    dst[j] = detail::roundToByte((sv - dv) * perByte[j] + dv);
  }
}

}  // namespace

std::optional<size_t> PixelCanvas::byteCount(int64_t width, int64_t height) {
  if (width < 1 || height < 1) return std::nullopt;
  // Indices are signed 64-bit and the buffer a size_t: stay inside both.
  const int64_t limit =
      std::min<uint64_t>(std::numeric_limits<int64_t>::max(), std::numeric_limits<size_t>::max()) /
      4;
  if (width > limit / height) return std::nullopt;
  return static_cast<size_t>(width * height) * 4;
}

std::optional<PixelCanvas> PixelCanvas::create(int64_t width, int64_t height) {
  const std::optional<size_t> bytes = byteCount(width, height);
  if (!bytes) return std::nullopt;
  try {
    return PixelCanvas(width, height, std::vector<uint8_t>(*bytes, 0));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

std::optional<PixelCanvas> PixelCanvas::fromRgba(int64_t width, int64_t height,
                                                 std::vector<uint8_t> rgba) {
  const std::optional<size_t> bytes = byteCount(width, height);
  if (!bytes || *bytes != rgba.size()) return std::nullopt;
  return PixelCanvas(width, height, std::move(rgba));
}

PixelRect PixelCanvas::stamp(std::span<const uint8_t> from, int64_t dx, int64_t dy, double cx,
                             double cy, const Brush& brush) {
  const ScanRect scan = scanRect(cx, cy, brush.radius, width_, height_);
  // A source of another size would be read out of bounds; such a dab does nothing.
  if (scan.isEmpty() || from.size() != data_.size()) return {};
  const PixelRect dirty = scan.rect();
  const double opacity = clampedOpacity(brush);
  if (!(brush.radius > 0) || !(opacity > 0)) return dirty;

  // Destinations whose source lies off the canvas are skipped, so the loops only cover the
  // part of the scan rectangle whose sources exist. Offsets of a whole canvas or more have no
  // such part, and ruling them out first keeps x + dx from overflowing.
  if (dx >= width_ || dx <= -width_ || dy >= height_ || dy <= -height_) return dirty;
  const int64_t x0 = std::max(scan.firstX, -dx);
  const int64_t x1 = std::min(scan.lastX, width_ - 1 - dx);
  const int64_t y0 = std::max(scan.firstY, -dy);
  const int64_t y1 = std::min(scan.lastY, height_ - 1 - dy);
  if (x1 < x0 || y1 < y0) return dirty;

  const detail::DabShape shape(cx, cy, brush);
  double coverage[kRun];
  float weight[kRun];
  for (int64_t y = y0; y <= y1; ++y) {
    for (int64_t start = x0; start <= x1; start += kRun) {
      const int64_t count = std::min(kRun, x1 - start + 1);
      shape.coverageRow(y, start, count, coverage);
      for (int64_t i = 0; i < count; ++i) {
        const double w = coverage[i] * opacity;
        weight[i] = w > 0.002 ? static_cast<float>(w) : 0.0f;
      }
      uint8_t* dst = data_.data() + (y * width_ + start) * 4;
      const uint8_t* src = from.data() + ((y + dy) * width_ + start + dx) * 4;
      blendRun(dst, src, weight, count);
    }
  }
  return dirty;
}

}  // namespace corvalin::retouch
