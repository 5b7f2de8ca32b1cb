// The membrane fill: free pixels take the harmonic interpolation of the fixed pixels around
// them, each the mean of its four neighbours that take part, solved until it no longer moves.
// It reproduces a flat colour and a linear gradient exactly, which is what a fill of a plain or
// smoothly shaded surface must do. Internal to the inpainter; exposed for its tests.
#pragma once

#include <cstdint>
#include <vector>

namespace corvalin::retouch::inpaint {

enum class Role : uint8_t {
  none = 0,   // takes no part: another surface, a letter, the crop's edge
  free = 1,   // to be filled
  fixed = 2,  // known, holds its colour
};

// Fills the free pixels of `img` (w × h pixels of kLanes floats) in place. The fill starts from
// a coarse solution carried up a pyramid and is relaxed at each scale by successive
// over-relaxation in red-black order, at full resolution until no value moves by more than a
// hundredth of a level. Free pixels cut off from every fixed one keep what the coarser scales,
// which see across thin walls, gave them: the colour nearest to them. Returns false, changing
// nothing, when there is no fixed pixel.
bool fillMembrane(std::vector<float>& img, const std::vector<Role>& role, int64_t w, int64_t h);

}  // namespace corvalin::retouch::inpaint
