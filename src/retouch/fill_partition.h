// Which surface each pixel of a hole continues. Edges between surfaces that run into the hole
// (a card's border, a table's rule, a stripe, a bubble's rounded side) are carried through it to
// the edge they meet on the other side, or to the corner where two of them meet; what lies
// between them is taken by the surfaces around it, the ones that hold most of the hole's
// boundary first, so that a letter grazed by the brush never spreads into the fill. Internal to
// the inpainter; exposed for its tests.
#pragma once

#include <cstdint>
#include <vector>

#include "retouch/fill_surfaces.h"
#include "retouch/inpaint_level.h"

namespace corvalin::retouch::inpaint {

// Where an edge between two surfaces meets the hole: a point on the edge's line at the hole's
// boundary, the unit direction in which it runs into the hole, and the labels on its left and
// right looking that way (x to the right, y down; left is where d.x·v.y − d.y·v.x > 0).
struct Crossing {
  double x = 0;
  double y = 0;
  double dx = 0;
  double dy = 0;
  int32_t left = 0;
  int32_t right = 0;
  float leftColour[3] = {};  // the mean colour on each side next to the hole
  float rightColour[3] = {};
  // The direction was fitted on a long straight stretch; an edge that turns a corner just
  // outside the hole (a rule meeting the next row's) gives only a rough one.
  bool sure = false;
  int64_t leftPixel = -1;  // a known pixel on each side, next to the hole
  int64_t rightPixel = -1;
};

// An edge carried through the hole: a polyline with `left` and `right` as its crossing's.
struct CarriedEdge {
  std::vector<double> xs;
  std::vector<double> ys;
  int32_t left = 0;
  int32_t right = 0;
};

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

// The edges that run into the hole, found from the boundaries between labelled surfaces within
// a dozen pixels of it.
std::vector<Crossing> findCrossings(const Level& level, const Surfaces& surfaces);

// Partitions the hole. Where an edge is carried across, the surfaces on each side of it that
// the hole had cut in two (a rule's two ends, a stripe's) become one label in `surfaces`.
HolePartition partitionHole(const Level& level, Surfaces& surfaces);

}  // namespace corvalin::retouch::inpaint
