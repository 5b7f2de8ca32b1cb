#include "retouch/inpainter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "retouch/dab_kernel.h"
#include "retouch/fill_geometry.h"
#include "retouch/fill_partition.h"
#include "retouch/fill_surfaces.h"
#include "retouch/inpaint_corrections.h"
#include "retouch/inpaint_level.h"
#include "retouch/membrane.h"
#include "retouch/patch_match.h"
#include "retouch/pixel_canvas.h"
#include "retouch/pixel_mask.h"

namespace corvalin::retouch {
namespace {

using inpaint::Level;

constexpr size_t kMaxLevels = 8;
constexpr int64_t kMaxSynthesisSide = 6000;
// How far around the hole the fill looks to tell which surfaces it continues: enough for an
// edge's direction and a texture's grain, little enough that it costs what a diffusion does.
constexpr int64_t kLookMargin = 24;

PixelRect grown(const PixelMask& mask, int64_t margin, int64_t canvasWidth, int64_t canvasHeight) {
  const int64_t x0 = std::max<int64_t>(mask.minX() - margin, 0);
  const int64_t x1 = std::min(canvasWidth - 1, mask.maxX() + margin);
  const int64_t y0 = std::max<int64_t>(mask.minY() - margin, 0);
  const int64_t y1 = std::min(canvasHeight - 1, mask.maxY() + margin);
  if (x1 < x0 || y1 < y0) return {};
  return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

Level cropLevel(const PixelCanvas& canvas, const PixelMask& mask, const PixelRect& region) {
  Level level(region.width, region.height);
  const std::span<const uint8_t> bytes = canvas.data();
  const std::span<const uint8_t> bits = mask.bits();
  for (int64_t y = 0; y < region.height; ++y) {
    const int64_t from = (region.y + y) * canvas.width() + region.x;
    for (int64_t x = 0; x < region.width; ++x) {
      const uint8_t* p = bytes.data() + (from + x) * 4;
      float* out = level.px(y * region.width + x);
      out[0] = p[0];
      out[1] = p[1];
      out[2] = p[2];
      level.hole[y * region.width + x] = bits[from + x] ? 1 : 0;
    }
  }
  return level;
}

// Writes the hole pixels of a crop back into the canvas, opaque.
void writeHole(PixelCanvas& canvas, const Level& level, const PixelRect& region) {
  const std::span<uint8_t> bytes = canvas.data();
  for (int64_t y = 0; y < region.height; ++y) {
    for (int64_t x = 0; x < region.width; ++x) {
      const int64_t i = y * region.width + x;
      if (!level.hole[i]) continue;
      uint8_t* p = bytes.data() + ((region.y + y) * canvas.width() + region.x + x) * 4;
      const float* v = level.px(i);
      p[0] = detail::roundToByte(v[0]);
      p[1] = detail::roundToByte(v[1]);
      p[2] = detail::roundToByte(v[2]);
      p[3] = 255;
    }
  }
}

// Fills the hole of a crop by patch synthesis: a smooth start at the coarsest scale of a
// pyramid, patch search and votes at the finer ones, then the corrections at full resolution.
// A smooth shading is taken out first and put back at the end. True when synthesis ran at some
// scale.
bool synthesizeHole(Level& crop) {
  std::vector<Level> levels;
  levels.push_back(std::move(crop));
  const bool texture = inpaint::regularTexture(levels[0]);
  std::vector<float> field;
  if (inpaint::shadingIsSmooth(levels[0])) {
    field = inpaint::smoothField(levels[0]);
    std::vector<float>& img = levels[0].img;
    for (size_t i = 0; i < img.size(); ++i) img[i] -= field[i];
  }

  while (std::max(levels.back().w, levels.back().h) >= 33 && levels.size() < kMaxLevels) {
    levels.push_back(inpaint::downsample(levels.back()));
  }
  // A coarse level can be all hole where the painting is dense (a hole cell needs only one
  // painted pixel under it); diffusing there would start the fill from black. The fill starts
  // instead at the coarsest level that still sees the surroundings.
  while (levels.size() > 1 && !inpaint::hasKnownPixel(levels.back())) levels.pop_back();

  const size_t coarsest = levels.size() - 1;
  size_t start = coarsest;
  for (size_t l = 0; l < coarsest; ++l) {
    if (std::max(levels[l].w, levels[l].h) <= kMaxSynthesisSide) {
      start = l;
      break;
    }
  }

  inpaint::diffuse(levels[coarsest]);
  bool ok = false;
  for (size_t l = coarsest + 1; l-- > 0;) {
    if (l != coarsest) {
      inpaint::upsampleFill(levels[l + 1], levels[l]);
      levels.pop_back();
    }
    if (l >= start) ok = inpaint::synthesize(levels[l], l == start, texture) || ok;
  }

  Level& level = levels[0];
  if (!field.empty()) {
    for (size_t i = 0; i < level.img.size(); ++i) level.img[i] += field[i];
  }
  inpaint::blendSeams(level);
  inpaint::transplantDetail(level);
  inpaint::matchGrain(level);
  crop = std::move(level);
  return ok;
}

// Where a carried edge cuts a pixel, the pixel takes the colours of both sides in proportion,
// as the edge is drawn antialiased outside the hole; the other side's colour is the pixel's
// neighbour across the edge.
void smoothCarriedEdges(Level& near, const inpaint::HolePartition& partition,
                        const std::vector<uint8_t>& rest) {
  std::vector<float> img = near.img;
  for (int64_t i = 0; i < near.size(); ++i) {
    const float own = partition.coverage[i];
    if (!near.hole[i] || rest[i] || !(own < 1.0f)) continue;
    const int64_t x = i % near.w + std::lround(partition.acrossX[i]);
    const int64_t y = i / near.w + std::lround(partition.acrossY[i]);
    if (x < 0 || y < 0 || x >= near.w || y >= near.h) continue;
    const int64_t q = y * near.w + x;
    if (near.hole[q] && (rest[q] || partition.label[q] == partition.label[i])) continue;
    for (int64_t k = 0; k < 3; ++k) {
      img[i * inpaint::kLanes + k] = own * near.px(i)[k] + (1.0f - own) * near.px(q)[k];
    }
  }
  near.img.swap(img);
}

// Fills the parts of the hole that continue a plain or smoothly shaded surface with the
// membrane between that surface's own pixels around them. Returns the hole pixels left over
// (on a textured surface, or out of every surface's reach), 1 each, over the crop.
std::vector<uint8_t> fillPlainParts(Level& near, const inpaint::Surfaces& surfaces,
                                    const inpaint::HolePartition& partition) {
  const int64_t n = near.size();
  std::vector<uint8_t> rest(static_cast<size_t>(n), 0);
  std::vector<uint8_t> present(static_cast<size_t>(surfaces.count() + 1), 0);
  for (int64_t i = 0; i < n; ++i) {
    if (!near.hole[i]) continue;
    const int32_t l = partition.label[i];
    if (l == 0 || surfaces.isTexture(l)) {
      rest[i] = 1;
    } else {
      present[l] = 1;
    }
  }
  std::vector<inpaint::Role> role(static_cast<size_t>(n));
  for (int32_t l = 1; l <= surfaces.count(); ++l) {
    if (!present[l]) continue;
    for (int64_t i = 0; i < n; ++i) {
      if (near.hole[i]) {
        role[i] = partition.label[i] == l ? inpaint::Role::free : inpaint::Role::none;
      } else {
        role[i] = surfaces.label[i] == l ? inpaint::Role::fixed : inpaint::Role::none;
      }
    }
    if (!inpaint::fillMembrane(near.img, role, near.w, near.h)) {
      for (int64_t i = 0; i < n; ++i) {
        if (role[i] == inpaint::Role::free) rest[i] = 1;
      }
    }
  }
  smoothCarriedEdges(near, partition, rest);
  return rest;
}

// The known pixels of the crop that lie off the textured surfaces touching the hole: the
// synthesis may not copy from them. Empty when no textured surface touches it, or when the
// surfaces that do are too small to copy from.
std::vector<uint8_t> offTheTexture(const Level& crop) {
  const inpaint::Surfaces surfaces = inpaint::findSurfaces(crop);
  const int64_t w = crop.w;
  const int64_t h = crop.h;
  std::vector<uint8_t> touching(static_cast<size_t>(surfaces.count() + 1), 0);
  int64_t holes = 0;
  for (int64_t i = 0; i < crop.size(); ++i) {
    if (!crop.hole[i]) continue;
    ++holes;
    inpaint::forSquare(i % w, i / w, w, h, 3, [&](int64_t q) {
      if (surfaces.isTexture(surfaces.label[q])) touching[surfaces.label[q]] = 1;
    });
  }
  std::vector<uint8_t> outside(static_cast<size_t>(crop.size()), 0);
  int64_t on = 0;
  for (int64_t i = 0; i < crop.size(); ++i) {
    if (crop.hole[i]) continue;
    const int32_t l = surfaces.label[i];
    if (l > 0 && touching[l]) {
      ++on;
    } else {
      outside[i] = 1;
    }
  }
  // A texture is copied from a surface several times the hole's size; with less to go on the
  // whole crop serves.
  if (on < 4 * holes) return {};
  return outside;
}

}  // namespace

PixelRect Inpainter::workingRegion(const PixelMask& mask, int64_t canvasWidth,
                                   int64_t canvasHeight) {
  if (mask.isEmpty()) return {};
  const int64_t s = (mask.maxX() - mask.minX() + 1) + (mask.maxY() - mask.minY() + 1);
  return grown(mask, s <= 71 ? 24 : std::min<int64_t>(s / 3, 400), canvasWidth, canvasHeight);
}

bool Inpainter::heal(PixelCanvas& canvas, const PixelMask& mask) {
  // A mask of another size would be read out of step with the pixels (or out of bounds).
  if (mask.isEmpty() || mask.width() != canvas.width() || mask.height() != canvas.height()) {
    return false;
  }
  const PixelRect region = workingRegion(mask, canvas.width(), canvas.height());
  if (region.width < 14 || region.height < 14) return false;

  // First a close look: which surface each part of the hole continues. Plain and shaded ones
  // are filled from their own pixels around the hole, and need nothing further away.
  const PixelRect look = grown(mask, kLookMargin, canvas.width(), canvas.height());
  Level near = cropLevel(canvas, mask, look);
  // With every pixel of the crop painted there is nothing to take a fill from; writing one
  // anyway would replace the picture with black.
  if (!inpaint::hasKnownPixel(near)) return false;
  inpaint::Surfaces surfaces = inpaint::findSurfaces(near);
  const inpaint::HolePartition partition = inpaint::partitionHole(near, surfaces);
  const std::vector<uint8_t> rest = fillPlainParts(near, surfaces, partition);
  Level plain = near;
  for (int64_t i = 0; i < near.size(); ++i) plain.hole[i] = near.hole[i] && !rest[i];
  writeHole(canvas, plain, look);
  if (std::find(rest.begin(), rest.end(), 1) == rest.end()) return true;

  // What is left lies on a texture, or out of every surface's reach: patch synthesis over the
  // wider crop, copying only from the textured surfaces the hole sits on.
  Level crop = cropLevel(canvas, mask, region);
  for (int64_t y = 0; y < region.height; ++y) {
    for (int64_t x = 0; x < region.width; ++x) {
      const int64_t lx = region.x + x - look.x;
      const int64_t ly = region.y + y - look.y;
      const bool inLook = lx >= 0 && ly >= 0 && lx < look.width && ly < look.height;
      crop.hole[y * region.width + x] = inLook && rest[ly * look.width + lx] ? 1 : 0;
    }
  }
  crop.outside = offTheTexture(crop);
  const bool ok = synthesizeHole(crop);
  writeHole(canvas, crop, region);
  return ok;
}

}  // namespace corvalin::retouch
