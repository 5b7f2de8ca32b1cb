// Canvases for the retouch suites: seeded noise, flat fills, and a check that a dab left
// everything outside a rectangle as it was.
#pragma once

#include <gtest/gtest.h>

#include <concepts>
#include <cstdint>
#include <functional>
#include <ostream>
#include <random>
#include <vector>

#include "retouch/pixel_canvas.h"
#include "retouch/pixel_rect.h"

namespace corvalin::retouch {

// Readable failures for the rectangles the engines return.
template <typename Rect>
requires std::same_as<Rect, PixelRect> || std::same_as<Rect, RectD>
void PrintTo(const Rect& r, std::ostream* os) {
  *os << "(" << r.x << ", " << r.y << ", " << r.width << " x " << r.height << ")";
}

}  // namespace corvalin::retouch

namespace corvalin::retouch::testing {

inline PixelCanvas noiseCanvas(int64_t width, int64_t height, uint32_t seed, bool opaque = true) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> bytes(static_cast<size_t>(width * height * 4));
  for (size_t i = 0; i < bytes.size(); i += 4) {
    const uint8_t a = opaque ? 255 : static_cast<uint8_t>(rng() % 256);
    for (size_t c = 0; c < 3; ++c) bytes[i + c] = static_cast<uint8_t>(rng() % (a + 1u));
    bytes[i + 3] = a;
  }
  return *PixelCanvas::fromRgba(width, height, std::move(bytes));
}

using ColourAt = std::function<void(int64_t x, int64_t y, uint8_t* rgb)>;

// An opaque canvas whose colours `colour` gives, pixel by pixel in row order.
inline PixelCanvas paintedCanvas(int64_t w, int64_t h, const ColourAt& colour) {
  std::vector<uint8_t> bytes(static_cast<size_t>(w * h * 4));
  for (int64_t i = 0; i < w * h; ++i) {
    colour(i % w, i / w, bytes.data() + i * 4);
    bytes[size_t(i * 4 + 3)] = 255;
  }
  return *PixelCanvas::fromRgba(w, h, std::move(bytes));
}

inline PixelCanvas flatCanvas(int64_t width, int64_t height, uint8_t r, uint8_t g, uint8_t b) {
  return paintedCanvas(width, height, [&](int64_t, int64_t, uint8_t* p) {
    p[0] = r;
    p[1] = g;
    p[2] = b;
  });
}

inline const uint8_t* pixel(const PixelCanvas& canvas, int64_t x, int64_t y) {
  return canvas.data().data() + (y * canvas.width() + x) * 4;
}

inline std::vector<uint8_t> rgba(const PixelCanvas& canvas, int64_t x, int64_t y) {
  const uint8_t* p = pixel(canvas, x, y);
  return {p[0], p[1], p[2], p[3]};
}

// How many pixels outside `rect` differ between the two canvases.
inline int64_t changedOutside(const PixelCanvas& before, const PixelCanvas& after, int64_t x0,
                              int64_t y0, int64_t x1, int64_t y1) {
  int64_t changed = 0;
  for (int64_t y = 0; y < before.height(); ++y) {
    for (int64_t x = 0; x < before.width(); ++x) {
      const bool inside = x >= x0 && x <= x1 && y >= y0 && y <= y1;
      if (!inside && !std::equal(pixel(before, x, y), pixel(before, x, y) + 4, pixel(after, x, y)))
        ++changed;
    }
  }
  return changed;
}

inline bool sameBytes(const PixelCanvas& a, const PixelCanvas& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::equal(a.data().begin(), a.data().end(), b.data().begin());
}

}  // namespace corvalin::retouch::testing
