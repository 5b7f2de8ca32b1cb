// One brush dab as every pixel tool sees it, the coverage curve they share, and the scan
// rectangle: the only pixels a dab may visit.
#pragma once

#include <cstdint>

#include "retouch/pixel_rect.h"

namespace corvalin::retouch {

struct Brush {
  double radius = 0.5;     // image pixels
  double hardness = 0.55;  // share of the radius painted at full strength, used up to 0.96
  double opacity = 1.0;    // 0 … 1; the clone stamp's strength
};

// Coverage of a pixel whose centre is `distance` pixels from the dab centre: 1 inside the
// hard core, a smoothstep down to 0 at the rim, 0 beyond.
double brushCoverage(double distance, const Brush& brush);

// The brush's opacity clamped to 0 … 1 (NaN counts as 0).
double clampedOpacity(const Brush& brush);

// Inclusive pixel ranges; empty when either range is.
struct ScanRect {
  int64_t firstX = 0;
  int64_t firstY = 0;
  int64_t lastX = -1;
  int64_t lastY = -1;

  bool isEmpty() const { return lastX < firstX || lastY < firstY; }
  // The same pixels as a rectangle; the zero rectangle when empty.
  PixelRect rect() const;
};

// Pixels trunc(cx − radius) … trunc(cx + radius) + 1 (and the same in y), clipped to the
// image. Non-finite or absurdly large coordinates give an empty or clipped range, never an
// integer overflow.
ScanRect scanRect(double cx, double cy, double radius, int64_t width, int64_t height);

}  // namespace corvalin::retouch
