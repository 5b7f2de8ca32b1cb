// Erase and fill: replaces the painted pixels of a canvas with plausible background taken from
// around them. It first tells, from a close look around the hole, which surface each part of
// the hole continues, carrying the edges between surfaces (borders, rules, stripes) through it.
// Parts on a plain or smoothly shaded surface are filled with the membrane between that
// surface's own pixels around them, which reproduces flat colours and gradients exactly. Parts
// on a texture are filled by patch synthesis over a wider crop, copying only from the textured
// surface they sit on: a smooth fill at the coarsest scale, patch search and voting at the
// finer ones, and seam, detail and grain corrections at full resolution, with a smooth shading
// taken out first and put back at the end. Stateless and seeded: the same canvas and mask
// always give the same bytes.
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
  // changes. True when every part of the hole got the fill its surface calls for; false when
  // nothing was done (empty mask, a mask of another size than the canvas, a crop under
  // 14 × 14, nothing known around the mask) or when a textured part could only be smoothly
  // interpolated, for want of enough texture around it to copy from.
  static bool heal(PixelCanvas& canvas, const PixelMask& mask);
};

}  // namespace corvalin::retouch
