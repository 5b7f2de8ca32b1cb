// A read-only view of 32-bit pixels stored as 0xffRRGGBB values in host byte order (the
// layout of QImage::Format_RGB32); the byte holding 0xff may be anything and is ignored.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvalin::tools {

struct Rgb32View {
  const std::uint8_t* data = nullptr;
  int widthPx = 0;
  int heightPx = 0;
  std::ptrdiff_t strideBytes = 0;

  bool empty() const { return data == nullptr || widthPx <= 0 || heightPx <= 0; }
  const std::uint32_t* row(int y) const {
    return reinterpret_cast<const std::uint32_t*>(data + y * strideBytes);
  }
  // The part at (x, y) of the given size; the caller keeps it inside the view.
  Rgb32View cropped(int x, int y, int w, int h) const {
    return {data + y * strideBytes + x * 4, w, h, strideBytes};
  }
};

}  // namespace corvalin::tools
