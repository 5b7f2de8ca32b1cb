#include "retouch/spot_cleaner.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "retouch/inpainter.h"
#include "retouch/pixel_canvas.h"
#include "retouch/pixel_mask.h"

namespace corvalin::retouch {
namespace {

// The maximum (or minimum) over [i − r, i + r], clipped to the line, at every position of a
// line of `count` positions holding `lanes` values each, in place. Van Herk and Gil-Werman: the
// line is padded with r identity values at both ends and cut into blocks of 2r + 1; every window
// is then one block's tail joined with the next block's head, so the cost does not grow with r.
// The extremes are exact, so this equals the direct definition.
template <bool kMax>
void slideExtreme(float* data, int64_t count, int64_t lanes, int64_t r, std::vector<float>& ahead,
                  std::vector<float>& behind) {
  const int64_t k = 2 * r + 1;
  const int64_t padded = count + 2 * r;
  const float identity =
      kMax ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
  auto pick = [](float a, float b) { return kMax ? (a > b ? a : b) : (a < b ? a : b); };
  auto at = [&](int64_t j, int64_t lane) {
    return j < r || j >= r + count ? identity : data[(j - r) * lanes + lane];
  };
  ahead.resize(static_cast<size_t>(padded * lanes));
  behind.resize(static_cast<size_t>(padded * lanes));
  for (int64_t j = 0; j < padded; ++j) {
    float* g = ahead.data() + j * lanes;
    if (j % k == 0) {
      for (int64_t l = 0; l < lanes; ++l) g[l] = at(j, l);
    } else {
      const float* prev = g - lanes;
      for (int64_t l = 0; l < lanes; ++l) g[l] = pick(prev[l], at(j, l));
    }
  }
  for (int64_t j = padded - 1; j >= 0; --j) {
    float* hh = behind.data() + j * lanes;
    if (j % k == k - 1 || j == padded - 1) {
      for (int64_t l = 0; l < lanes; ++l) hh[l] = at(j, l);
    } else {
      const float* next = hh + lanes;
      for (int64_t l = 0; l < lanes; ++l) hh[l] = pick(next[l], at(j, l));
    }
  }
  for (int64_t i = 0; i < count; ++i) {
    const float* tail = behind.data() + i * lanes;
    const float* head = ahead.data() + (i + 2 * r) * lanes;
    float* out = data + i * lanes;
    for (int64_t l = 0; l < lanes; ++l) out[l] = pick(tail[l], head[l]);
  }
}

// A (2r + 1)-square maximum or minimum of a w × h grid: along the rows, then down the columns.
template <bool kMax>
void squareExtreme(std::vector<float>& grid, int64_t w, int64_t h, int64_t r,
                   std::vector<float>& ahead, std::vector<float>& behind) {
  for (int64_t y = 0; y < h; ++y) slideExtreme<kMax>(grid.data() + y * w, w, 1, r, ahead, behind);
  slideExtreme<kMax>(grid.data(), h, w, r, ahead, behind);
}

// 8-connected groups of the set pixels, discovered in row-major order and grown with a stack,
// at most `limit` of them.
std::vector<SpotCleaner::Blob> components(const std::vector<uint8_t>& on, int64_t w, int64_t h,
                                          size_t limit) {
  std::vector<SpotCleaner::Blob> blobs;
  std::vector<uint8_t> seen(on.size(), 0);
  std::vector<int64_t> stack;
  for (int64_t start = 0; start < w * h && blobs.size() < limit; ++start) {
    if (!on[start] || seen[start]) continue;
    SpotCleaner::Blob blob;
    blob.caja = {start % w, start / w, start % w, start / w};
    seen[start] = 1;
    stack.push_back(start);
    while (!stack.empty()) {
      const int64_t p = stack.back();
      stack.pop_back();
      blob.pixeles.push_back(p);
      const int64_t x = p % w;
      const int64_t y = p / w;
      blob.caja.minX = std::min(blob.caja.minX, x);
      blob.caja.minY = std::min(blob.caja.minY, y);
      blob.caja.maxX = std::max(blob.caja.maxX, x);
      blob.caja.maxY = std::max(blob.caja.maxY, y);
      for (int64_t ny = std::max<int64_t>(y - 1, 0); ny <= std::min(y + 1, h - 1); ++ny) {
        for (int64_t nx = std::max<int64_t>(x - 1, 0); nx <= std::min(x + 1, w - 1); ++nx) {
          const int64_t q = ny * w + nx;
          if (!on[q] || seen[q]) continue;
          seen[q] = 1;
          stack.push_back(q);
        }
      }
    }
    blobs.push_back(std::move(blob));
  }
  return blobs;
}

int64_t widthOf(const SpotCleaner::Caja& c) {
  return c.maxX - c.minX + 1;
}
int64_t heightOf(const SpotCleaner::Caja& c) {
  return c.maxY - c.minY + 1;
}

}  // namespace

float SpotCleaner::threshold(double sensitivity) {
  if (!(sensitivity > 0)) return 60;
  return static_cast<float>((1 - std::min(sensitivity, 1.0)) * 52 + 8);
}

bool SpotCleaner::enRenglon(std::span<const Blob> blobs, size_t index) {
  const Caja& b = blobs[index].caja;
  const int64_t h = heightOf(b);
  const int64_t w = widthOf(b);
  const int64_t tol = 35 * h >= 200 ? (35 * h) / 100 : 2;
  const int64_t cx2 = b.minX + b.maxX;
  const int64_t cy2 = b.minY + b.maxY;
  int mates = 0;
  for (size_t j = 0; j < blobs.size(); ++j) {
    if (j == index) continue;
    const Caja& o = blobs[j].caja;
    const int64_t hj = heightOf(o);
    if (100 * hj < 35 * h || 100 * h < 35 * hj) continue;
    if (std::llabs(o.minY - b.minY) > tol && std::llabs(o.maxY - b.maxY) > tol) continue;
    if (std::llabs(o.minX + o.maxX - cx2) / 2 > 10 * std::max(h, w)) continue;
    if (std::llabs(o.minY + o.maxY - cy2) / 2 > h) continue;
    if (++mates >= 2) return true;
  }
  return false;
}

bool SpotCleaner::pegadoATexto(std::span<const Blob> blobs, size_t index) {
  const Caja& b = blobs[index].caja;
  const int64_t h = heightOf(b);
  const int64_t cx = (b.minX + b.maxX) / 2;
  const int64_t cy = (b.minY + b.maxY) / 2;
  // "Half as tall again", in whole pixels. For a blob one pixel high the halving alone would
  // let another one-pixel speck count as the bigger character, so two specks side by side
  // would hide each other; the other blob must be taller in any case.
  const int64_t taller = std::max((3 * h) / 2, h + 1);
  for (size_t j = 0; j < blobs.size(); ++j) {
    if (j == index) continue;
    const Caja& o = blobs[j].caja;
    const int64_t hj = heightOf(o);
    if (hj < taller) continue;
    const int64_t px = hj < 3 ? 6 : 2 * hj;
    const int64_t py = 90 * hj < 500 ? 5 : (90 * hj) / 100;
    if (o.minX - px <= cx && cx <= o.maxX + px && o.minY - py <= cy && cy <= o.maxY + py) {
      return true;
    }
  }
  return false;
}

std::vector<SpotCleaner::Spot> SpotCleaner::spots(const PixelCanvas& in, const PixelMask& region,
                                                  int64_t radius, double sensitivity) {
  if (region.isEmpty()) return {};
  const int64_t r = std::min<int64_t>(std::max<int64_t>(radius, 1), 24);
  const int64_t pad = r + 2;
  const int64_t x0 = std::max<int64_t>(region.minX() - pad, 0);
  const int64_t x1 = std::min(in.width() - 1, region.maxX() + pad);
  const int64_t y0 = std::max<int64_t>(region.minY() - pad, 0);
  const int64_t y1 = std::min(in.height() - 1, region.maxY() + pad);
  const int64_t w = x1 - x0 + 1;
  const int64_t h = y1 - y0 + 1;
  if (w < 3 || h < 3) return {};

  std::vector<float> luma(static_cast<size_t>(w * h));
  const uint8_t* bytes = in.data().data();
  for (int64_t y = 0; y < h; ++y) {
    const uint8_t* p = bytes + ((y0 + y) * in.width() + x0) * 4;
    for (int64_t x = 0; x < w; ++x, p += 4) {
      luma[y * w + x] = 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2];
    }
  }
  std::vector<float> closed = luma;
  std::vector<float> ahead;
  std::vector<float> behind;
  squareExtreme<true>(closed, w, h, r, ahead, behind);
  squareExtreme<false>(closed, w, h, r, ahead, behind);

  const float t = threshold(sensitivity);
  std::vector<uint8_t> candidate(luma.size(), 0);
  for (int64_t y = 0; y < h; ++y) {
    for (int64_t x = 0; x < w; ++x) {
      const int64_t i = y * w + x;
      candidate[i] = closed[i] - luma[i] >= t && region.bit(x0 + x, y0 + y);
    }
  }
  const std::vector<Blob> blobs = components(candidate, w, h, kMaxBlobs);

  std::vector<float> marked(luma.size(), 0.0f);
  bool any = false;
  for (size_t i = 0; i < blobs.size(); ++i) {
    const int64_t bw = widthOf(blobs[i].caja);
    const int64_t bh = heightOf(blobs[i].caja);
    if (bw > 2 * r + 1 || bh > 2 * r + 1 || std::max(bw, bh) > 4 * std::min(bw, bh)) continue;
    if (enRenglon(blobs, i) || pegadoATexto(blobs, i)) continue;
    for (const int64_t p : blobs[i].pixeles) marked[p] = 1;
    any = true;
  }
  if (!any) return {};
  const int64_t grow = radius < 6 ? 1 : r / 6;
  squareExtreme<true>(marked, w, h, grow, ahead, behind);
  std::vector<uint8_t> finalMask(marked.size(), 0);
  for (size_t i = 0; i < marked.size(); ++i) finalMask[i] = marked[i] > 0.5f;

  std::vector<Spot> found;
  for (Blob& blob : components(finalMask, w, h, kMaxSpots)) {
    Spot spot{
        blob.caja.minX + x0, blob.caja.minY + y0, blob.caja.maxX + x0, blob.caja.maxY + y0, {}};
    spot.pixels.reserve(blob.pixeles.size());
    for (const int64_t p : blob.pixeles) {
      spot.pixels.push_back((p / w + y0) * in.width() + p % w + x0);
    }
    found.push_back(std::move(spot));
  }
  return found;
}

int64_t SpotCleaner::remove(PixelCanvas& canvas, std::span<const Spot> spots) {
  PixelMask mask(canvas);
  int64_t healed = 0;
  for (const Spot& spot : spots) {
    mask.clear();
    for (const int64_t p : spot.pixels) mask.set(p % canvas.width(), p / canvas.width());
    if (Inpainter::heal(canvas, mask)) ++healed;
  }
  return healed;
}

}  // namespace corvalin::retouch
