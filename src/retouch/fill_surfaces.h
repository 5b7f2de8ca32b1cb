// What the known pixels around a hole are made of: plain or smoothly shaded surfaces (a page,
// a card, a button, a stripe, a one-pixel rule), textured regions (a photograph, grain), and
// the small pieces between them (antialiased edges, letters). The fill decides from this which
// surface each part of the hole continues and how. Internal to the inpainter; exposed for its
// tests.
#pragma once

#include <cstdint>
#include <vector>

#include "retouch/inpaint_level.h"

namespace corvalin::retouch::inpaint {

// Neighbouring pixels whose channels all differ by at most this much belong to one surface:
// wide enough for the steepest gradients an interface draws (a level or two per pixel, with
// rounding), narrow enough that antialiasing and faint borders separate surfaces.
inline constexpr float kSurfaceStep = 4;
// A connected run of similar pixels is a surface from this size up; smaller ones are pieces of
// letters, icons and antialiasing.
inline constexpr int64_t kSurfaceMinPixels = 16;
// Mean second difference along a surface above which it is grain or texture rather than plain
// or shaded: quantised gradients and dithering stay under 1.5, photographic grain joined by the
// step above lies around 3.
inline constexpr float kPlainRoughness = 2.0f;

struct SurfaceInfo {
  bool texture = false;
  int64_t pixels = 0;  // known pixels carrying the label in the analysed crop
  float mean[3] = {};  // their mean colour
};

struct Surfaces {
  int64_t w = 0;
  int64_t h = 0;
  // Per pixel: −1 in the hole, 0 for a small piece that belongs to no surface, else the label
  // (1 … info.size() − 1) of its plain surface or textured region.
  std::vector<int32_t> label;
  // The same with each small piece given to the neighbouring surface closest to it in colour
  // (so that an antialiased edge lies between two labels), where one is within two pixels.
  std::vector<int32_t> edgeLabel;
  // Per pixel of a plain surface, which connected run of similar pixels it lies in (one
  // surface may hold several, of one colour, that letters or the crop's edge keep apart); −1
  // elsewhere.
  std::vector<int32_t> run;
  std::vector<SurfaceInfo> info;  // by label; info[0] is unused

  int32_t count() const { return static_cast<int32_t>(info.size()) - 1; }
  bool isTexture(int32_t l) const { return l > 0 && info[static_cast<size_t>(l)].texture; }
  // Makes `from` part of `into`: its pixels take that label, and `from` is left empty.
  void merge(int32_t into, int32_t from);
};

// Labels the known pixels of a level.
Surfaces findSurfaces(const Level& level);

}  // namespace corvalin::retouch::inpaint
