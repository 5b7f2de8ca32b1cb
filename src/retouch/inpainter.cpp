#include "retouch/inpainter.h"

#include <algorithm>
#include <vector>

#include "retouch/dab_kernel.h"
#include "retouch/inpaint_corrections.h"
#include "retouch/inpaint_level.h"
#include "retouch/patch_match.h"
#include "retouch/pixel_canvas.h"
#include "retouch/pixel_mask.h"

namespace corvalin::retouch {
namespace {

using inpaint::Level;

constexpr size_t kMaxLevels = 8;
constexpr int64_t kMaxSynthesisSide = 6000;

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

}  // namespace

PixelRect Inpainter::workingRegion(const PixelMask& mask, int64_t canvasWidth,
                                   int64_t canvasHeight) {
  if (mask.isEmpty()) return {};
  const int64_t s = (mask.maxX() - mask.minX() + 1) + (mask.maxY() - mask.minY() + 1);
  const int64_t m = s <= 71 ? 24 : std::min<int64_t>(s / 3, 400);
  const int64_t x0 = std::max<int64_t>(mask.minX() - m, 0);
  const int64_t x1 = std::min(canvasWidth - 1, mask.maxX() + m);
  const int64_t y0 = std::max<int64_t>(mask.minY() - m, 0);
  const int64_t y1 = std::min(canvasHeight - 1, mask.maxY() + m);
  if (x1 < x0 || y1 < y0) return {};
  return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

bool Inpainter::heal(PixelCanvas& canvas, const PixelMask& mask) {
  // A mask of another size would be read out of step with the pixels (or out of bounds).
  if (mask.isEmpty() || mask.width() != canvas.width() || mask.height() != canvas.height()) {
    return false;
  }
  const PixelRect region = workingRegion(mask, canvas.width(), canvas.height());
  if (region.width < 14 || region.height < 14) return false;

  std::vector<Level> levels;
  levels.push_back(cropLevel(canvas, mask, region));
  // With every pixel of the crop painted there is nothing to take a fill from; writing one
  // anyway would replace the picture with black.
  if (!inpaint::hasKnownPixel(levels[0])) return false;

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
  return ok;
}

}  // namespace corvalin::retouch
