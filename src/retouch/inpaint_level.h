// One scale of the region being filled, and the steps of the fill that work on whole levels:
// the smooth-shading field, the box blur, the pyramid, the coarse diffusion and the upsampling.
// Internal to the inpainter; exposed for its tests and benchmarks.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace corvalin::retouch::inpaint {

// Colours are floats on the 0 … 255 scale, unclamped while working. Each pixel holds four:
// R, G, B and a zero, so that one pixel is one vector register for the patch search. The
// fourth value stays zero through every step and never takes part in a result.
inline constexpr int64_t kLanes = 4;

struct Level {
  int64_t w = 0;
  int64_t h = 0;
  std::vector<float> img;     // w × h × kLanes
  std::vector<uint8_t> hole;  // w × h, 1 = to be filled
  // w × h, or empty for none: 1 = known but off the surface the fill continues, so never a
  // source of colour or texture for it.
  std::vector<uint8_t> outside;

  Level() = default;
  Level(int64_t width, int64_t height)
      : w(width),
        h(height),
        img(static_cast<size_t>(width * height * kLanes), 0.0f),
        hole(static_cast<size_t>(width * height), 0) {}

  int64_t size() const { return w * h; }
  // Known and on the surface: what the fill may learn from.
  bool usable(int64_t i) const { return !hole[i] && (outside.empty() || !outside[i]); }
  float* px(int64_t i) { return img.data() + i * kLanes; }
  const float* px(int64_t i) const { return img.data() + i * kLanes; }
};

// One relaxation step on a gw × gh grid of kLanes-float cells: `cell` becomes the mean of its
// left, right, upper and lower neighbours (summed in that order) for which `counts(neighbour)`
// holds; with none, it keeps its value. The sweeps of the shading field and the seam blending.
template <typename Counts>
void relaxCell(std::vector<float>& grid, int64_t cell, int64_t gw, int64_t gh, Counts counts) {
  const int64_t gx = cell % gw;
  const int64_t gy = cell / gw;
  float sum[3] = {0, 0, 0};
  int n = 0;
  auto add = [&](int64_t other) {
    if (!counts(other)) return;
    for (int64_t k = 0; k < 3; ++k) sum[k] += grid[other * kLanes + k];
    ++n;
  };
  if (gx > 0) add(cell - 1);
  if (gx + 1 < gw) add(cell + 1);
  if (gy > 0) add(cell - gw);
  if (gy + 1 < gh) add(cell + gw);
  if (n == 0) return;
  for (int64_t k = 0; k < 3; ++k) grid[cell * kLanes + k] = sum[k] / static_cast<float>(n);
}

// Whether the known pixels look like a smooth shading gradient with no strong edges: the
// differences between the mean colours of neighbouring 8 × 8 cells are small and rarely big.
bool shadingIsSmooth(const Level& level);

// A low-frequency estimate of the shading, w × h × kLanes: cell means of the known pixels,
// unknown cells relaxed from their neighbours, blurred and interpolated back to pixels.
std::vector<float> smoothField(const Level& level);

// One 3 × 3 box mean over a grid of kLanes floats per cell, in place. Each output is the mean
// of the in-grid cells of its block: column sums top to bottom, then those sums left to right,
// divided by the number of cells summed.
void blur(std::vector<float>& values, int64_t w, int64_t h);

// Half the size; a cell's colour is the mean of its known source pixels, and it is a hole when
// any source pixel is.
Level downsample(const Level& level);

// The coarsest level's hole set to the known mean, then relaxed toward its neighbours.
void diffuse(Level& level);

// The fine level's hole pixels take the bilinear sample of the coarse level under them.
void upsampleFill(const Level& coarse, Level& fine);

// The set bits grown into (2 radius + 1)-square neighbourhoods, as running counts along each
// row and then down each column of those counts.
std::vector<uint8_t> dilate(const std::vector<uint8_t>& bits, int64_t w, int64_t h, int64_t radius);

// Whether the level has any pixel outside the hole.
bool hasKnownPixel(const Level& level);

// Bilinear reading of a coarse grid of kLanes floats at cell coordinates f = pixel ÷ cell − 0.5,
// clamped to the grid. Shared by the shading field and the seam blending.
struct GridSample {
  int64_t i0, i1;  // cell indices, in grid
  float t;         // weight of i1

  static GridSample at(int64_t pixel, int64_t cell, int64_t cells) {
    const double f = static_cast<double>(pixel) / static_cast<double>(cell) - 0.5;
    int64_t i0 = static_cast<int64_t>(f);
    i0 = i0 < 0 ? 0 : (i0 > cells - 1 ? cells - 1 : i0);
    const int64_t i1 = i0 + 1 < cells ? i0 + 1 : cells - 1;
    double t = f - static_cast<double>(i0);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return {i0, i1, static_cast<float>(t)};
  }
};

// (1 − ty)·((1 − tx)·g[y0][x0] + tx·g[y0][x1]) + ty·((1 − tx)·g[y1][x0] + tx·g[y1][x1]), per lane.
inline void bilinear(const float* grid, int64_t gw, const GridSample& sx, const GridSample& sy,
                     float* out) {
  const float* a = grid + (sy.i0 * gw + sx.i0) * kLanes;
  const float* b = grid + (sy.i0 * gw + sx.i1) * kLanes;
  const float* c = grid + (sy.i1 * gw + sx.i0) * kLanes;
  const float* d = grid + (sy.i1 * gw + sx.i1) * kLanes;
  const float tx = sx.t;
  const float ty = sy.t;
  for (int64_t k = 0; k < kLanes; ++k) {
    out[k] = (1 - ty) * ((1 - tx) * a[k] + tx * b[k]) + ty * ((1 - tx) * c[k] + tx * d[k]);
  }
}

}  // namespace corvalin::retouch::inpaint
