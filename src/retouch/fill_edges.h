// The edges between surfaces carried through a hole: crossings of one edge paired across it
// (in a straight line, or a gentle curve where both ends turn alike), met in corners, or run on
// to the edge or rule they end at; and the band of hole pixels along them that takes each
// side's label. Internal to the inpainter; exposed for its tests.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "retouch/fill_crossings.h"
#include "retouch/fill_surfaces.h"
#include "retouch/inpaint_level.h"

namespace corvalin::retouch::inpaint {

// An edge carried through the hole: a polyline with `left` and `right` as its crossing's.
struct CarriedEdge {
  std::vector<double> xs;
  std::vector<double> ys;
  int32_t left = 0;
  int32_t right = 0;
};

// Carries the edges of `crossings` through the hole. `leading` says, by label, which surfaces
// the hole is cut from (see partitionHole). Each pair of labels that a carried edge shows to
// be one surface cut in two by the hole is added to `merges`.
std::vector<CarriedEdge> carryEdges(const Level& level, const Surfaces& surfaces,
                                    const std::vector<Crossing>& crossings,
                                    const std::vector<uint8_t>& leading,
                                    std::vector<std::pair<int32_t, int32_t>>& merges);

// The hole pixels within a pixel of a carried edge, each with the label of its side (where two
// edges pass, the nearer decides; 0 where none passes), and for the pixels an edge with
// surfaces on both sides cuts, the share of the pixel on its own side (0.5 … 1, as an
// antialiased drawing of the edge covers it) and the unit step across; 1 and no step
// elsewhere.
struct EdgeBand {
  std::vector<int32_t> label;
  std::vector<float> coverage;
  std::vector<float> acrossX;
  std::vector<float> acrossY;
};
EdgeBand bandAlongEdges(const Level& level, const std::vector<CarriedEdge>& edges);

}  // namespace corvalin::retouch::inpaint
