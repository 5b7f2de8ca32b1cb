// Where the edges between surfaces around a hole run into it: the boundaries between labelled
// surfaces within a dozen pixels of the hole, each followed from the hole outwards while it
// stays straight and fitted with a line. Internal to the inpainter; exposed for its tests.
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

std::vector<Crossing> findCrossings(const Level& level, const Surfaces& surfaces);

}  // namespace corvalin::retouch::inpaint
