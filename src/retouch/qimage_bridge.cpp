#include "retouch/qimage_bridge.h"

#include <QColorSpace>
#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace corvalin::retouch {
namespace {

// Where bytes R, G, B and A of a pixel sit in a 32-bit word read from memory.
constexpr uint32_t kShift[4] = {
    std::endian::native == std::endian::little ? 0u : 24u,
    std::endian::native == std::endian::little ? 8u : 16u,
    std::endian::native == std::endian::little ? 16u : 8u,
    std::endian::native == std::endian::little ? 24u : 0u,
};

}  // namespace

std::optional<PixelCanvas> makeCanvas(const QImage& image) {
  if (image.isNull() || image.width() < 1 || image.height() < 1) return std::nullopt;
  QImage work = image;
  const QColorSpace space = image.colorSpace();
  if (space.isValid() && space != QColorSpace(QColorSpace::SRgb)) {
    // Colour management works on unpremultiplied pixels; at 16 bits the change of space
    // loses nothing before the final rounding to 8.
    work = work.convertToFormat(QImage::Format_RGBA64);
    if (work.isNull()) return std::nullopt;
    work.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
  }
  work = work.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
  if (work.isNull() || work.width() != image.width() || work.height() != image.height()) {
    return std::nullopt;
  }
  const std::optional<size_t> total = PixelCanvas::byteCount(work.width(), work.height());
  if (!total) return std::nullopt;
  // Appended row by row rather than zero-filled and overwritten: one pass over the memory.
  const size_t rowBytes = static_cast<size_t>(work.width()) * 4;
  std::vector<uint8_t> bytes;
  try {
    bytes.reserve(*total);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  for (int y = 0; y < work.height(); ++y) {
    const uchar* row = work.constScanLine(y);
    bytes.insert(bytes.end(), row, row + rowBytes);
  }
  return PixelCanvas::fromRgba(work.width(), work.height(), std::move(bytes));
}

QImage makeImage(const PixelCanvas& canvas) {
  constexpr int64_t kMaxSide = std::numeric_limits<int>::max();
  if (canvas.width() > kMaxSide || canvas.height() > kMaxSide) return {};
  QImage image(static_cast<int>(canvas.width()), static_cast<int>(canvas.height()),
               QImage::Format_RGBA8888_Premultiplied);
  if (image.isNull()) return {};
  const size_t rowBytes = static_cast<size_t>(canvas.width()) * 4;
  const uint8_t* in = canvas.data().data();
  for (int y = 0; y < image.height(); ++y) {
    const uint8_t* src = in + static_cast<size_t>(y) * rowBytes;
    uint8_t* dst = image.scanLine(y);
    for (size_t i = 0; i < rowBytes; i += 4) {
      // A pixel as one 32-bit word: a loop of words vectorises far better than bytes four apart.
      uint32_t p;
      std::memcpy(&p, src + i, 4);
      const uint32_t a = (p >> kShift[3]) & 0xff;
      uint32_t q = a << kShift[3];
      for (int c = 0; c < 3; ++c) q |= std::min((p >> kShift[c]) & 0xff, a) << kShift[c];
      std::memcpy(dst + i, &q, 4);
    }
  }
  image.setColorSpace(QColorSpace(QColorSpace::SRgb));
  return image;
}

}  // namespace corvalin::retouch
