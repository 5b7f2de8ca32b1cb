// Erase and fill: replaces the painted pixels of a canvas with plausible background taken from
// around them. Works on a crop of the painted area at several scales: a smooth fill at the
// coarsest, patch search and voting at the finer ones, and seam, detail and grain corrections
// at full resolution; a smooth shading gradient is taken out first and put back at the end.
// Stateless and seeded: the same canvas and mask always give the same bytes.
#pragma once

#include <cstdint>

#include "retouch/pixel_rect.h"

namespace corvalin::retouch {

class PixelCanvas;
class PixelMask;

class Inpainter {
 public:
  // The crop around the mask's box, in canvas pixels: the box widened by 24 pixels for small
  // boxes (width + height ≤ 71), else by a third of width + height up to 400, clipped to the
  // canvas. The zero rectangle for an empty mask.
  static PixelRect workingRegion(const PixelMask& mask, int64_t canvasWidth, int64_t canvasHeight);

  // Fills every pixel whose mask bit is set, in place, and makes it opaque; no other pixel
  // changes. True when patch synthesis ran at least at one scale; false when nothing was done
  // (empty mask, a mask of another size than the canvas, a crop under 14 × 14, nothing known
  // around the mask) or when the fill could only be a smooth interpolation.
  static bool heal(PixelCanvas& canvas, const PixelMask& mask);
};

}  // namespace corvalin::retouch
