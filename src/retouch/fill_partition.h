// Which surface each pixel of a hole continues. Edges between surfaces that run into the hole
// (a card's border, a table's rule, a stripe, a bubble's rounded side) are carried through it to
// the edge they meet on the other side, or to the corner where two of them meet; what lies
// between them is taken by the surfaces around it, the ones that hold most of the hole's
// boundary first, so that a letter grazed by the brush never spreads into the fill. Internal to
// the inpainter; exposed for its tests.
#pragma once

#include <cstdint>
#include <vector>

#include "retouch/fill_crossings.h"
#include "retouch/fill_edges.h"
#include "retouch/fill_surfaces.h"
#include "retouch/inpaint_level.h"

namespace corvalin::retouch::inpaint {

struct HolePartition {
  // Per pixel of the level: for hole pixels the label of the surface they continue, 0 where
  // none reaches; 0 for known pixels.
  std::vector<int32_t> label;
  // Per pixel: for hole pixels that a carried edge with surfaces on both sides passes within
  // half a pixel of, the share of the pixel on its own side (0.5 … 1, as an antialiased
  // drawing of the edge would cover it) and the unit step across to the other side; 1 and
  // no step elsewhere.
  std::vector<float> coverage;
  std::vector<float> acrossX;
  std::vector<float> acrossY;
  std::vector<Crossing> crossings;
  std::vector<CarriedEdge> edges;
};

// Partitions the hole. Where an edge is carried across, the surfaces on each side of it that
// the hole had cut in two (a rule's two ends, a stripe's) become one label in `surfaces`.
HolePartition partitionHole(const Level& level, Surfaces& surfaces);

}  // namespace corvalin::retouch::inpaint
