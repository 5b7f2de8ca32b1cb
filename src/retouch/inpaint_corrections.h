// The full-resolution corrections that finish a fill: seam blending, detail transplant and
// grain matching. Internal to the inpainter; exposed for its tests.
#pragma once

#include <vector>

#include "retouch/inpaint_level.h"

namespace corvalin::retouch::inpaint {

// Each pixel's blur residue: |ΔR| + |ΔG| + |ΔB| against `low`, the level blurred twice.
std::vector<float> twiceBlurred(const Level& level);
std::vector<float> detailOf(const Level& level, const std::vector<float>& low);

// Whether details of the known pixels (at least 257 of them) look like a regular texture rather
// than flat areas with strong edges: their 95th percentile under 12 times their median (the
// median taken as at least 0.5).
bool regularTexture(std::vector<float> known);
bool regularTexture(const Level& level);

// Removes colour steps at the boundary of the fill: the mean step measured along the boundary
// of each small cell is spread smoothly over the hole's cells and added to the hole pixels.
void blendSeams(Level& level);

// Gives a fill that came out flatter than a regular texture around it the fine detail of a
// nearby area of the same size, found by a seeded search for an offset that lands on known
// pixels.
void transplantDetail(Level& level);

// Raises the fill's fine grain to the median of a ring around it, at most doubling it.
void matchGrain(Level& level);

}  // namespace corvalin::retouch::inpaint
