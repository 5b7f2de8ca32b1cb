#include "retouch/fill_surfaces.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "retouch/fill_geometry.h"

namespace corvalin::retouch::inpaint {
namespace {

float largestStep(const float* a, const float* b) {
  return std::max({std::fabs(a[0] - b[0]), std::fabs(a[1] - b[1]), std::fabs(a[2] - b[2])});
}

float secondDifference(const float* before, const float* at, const float* after) {
  float m = 0;
  for (int64_t k = 0; k < 3; ++k) m = std::max(m, std::fabs(2 * at[k] - before[k] - after[k]));
  return m;
}

// Pixels joined with their right and lower neighbours where every channel steps by at most
// kSurfaceStep; returns each known pixel's root, −1 in the hole.
std::vector<int32_t> similarRuns(const Level& level) {
  const int64_t w = level.w;
  const int64_t n = level.size();
  UnionFind runs(static_cast<size_t>(n));
  for (int64_t i = 0; i < n; ++i) {
    if (level.hole[i]) continue;
    const int64_t x = i % w;
    if (x + 1 < w && !level.hole[i + 1] &&
        largestStep(level.px(i), level.px(i + 1)) <= kSurfaceStep) {
      runs.join(static_cast<size_t>(i), static_cast<size_t>(i + 1));
    }
    if (i + w < n && !level.hole[i + w] &&
        largestStep(level.px(i), level.px(i + w)) <= kSurfaceStep) {
      runs.join(static_cast<size_t>(i), static_cast<size_t>(i + w));
    }
  }
  std::vector<int32_t> root(static_cast<size_t>(n), -1);
  for (int64_t i = 0; i < n; ++i) {
    if (!level.hole[i]) root[i] = static_cast<int32_t>(runs.root(static_cast<size_t>(i)));
  }
  return root;
}

// Which runs are plain: large enough, and smooth along their own extent (the second difference
// of three pixels in a row or a column that all belong to the run).
std::vector<uint8_t> plainRuns(const Level& level, const std::vector<int32_t>& root) {
  const int64_t w = level.w;
  const int64_t h = level.h;
  const int64_t n = level.size();
  std::vector<int64_t> size(static_cast<size_t>(n), 0);
  std::vector<double> rough(static_cast<size_t>(n), 0.0);
  std::vector<int64_t> samples(static_cast<size_t>(n), 0);
  for (int64_t i = 0; i < n; ++i) {
    const int32_t r = root[i];
    if (r < 0) continue;
    ++size[r];
    const int64_t x = i % w;
    const int64_t y = i / w;
    if (x > 0 && x + 1 < w && root[i - 1] == r && root[i + 1] == r) {
      rough[r] += secondDifference(level.px(i - 1), level.px(i), level.px(i + 1));
      ++samples[r];
    }
    if (y > 0 && y + 1 < h && root[i - w] == r && root[i + w] == r) {
      rough[r] += secondDifference(level.px(i - w), level.px(i), level.px(i + w));
      ++samples[r];
    }
  }
  std::vector<uint8_t> plain(static_cast<size_t>(n), 0);
  for (int64_t r = 0; r < n; ++r) {
    if (size[r] < kSurfaceMinPixels) continue;
    const double roughness = samples[r] > 0 ? rough[r] / static_cast<double>(samples[r]) : 0.0;
    plain[r] = roughness <= kPlainRoughness ? 1 : 0;
  }
  return plain;
}

// Known pixels outside every plain surface where plain pixels are scarce around them: grain,
// foliage, a photograph. Letters and edges keep plenty of their background within the window.
std::vector<uint8_t> texturedPixels(const Level& level, const std::vector<uint8_t>& onPlain) {
  constexpr int64_t kRadius = 4;
  constexpr double kPlainShare = 0.15;
  const int64_t w = level.w;
  const int64_t h = level.h;
  // Summed-area tables of known and plain pixels, with a row and a column of zeros in front.
  std::vector<int32_t> known(static_cast<size_t>((w + 1) * (h + 1)), 0);
  std::vector<int32_t> plain(known.size(), 0);
  for (int64_t y = 0; y < h; ++y) {
    int32_t rowKnown = 0;
    int32_t rowPlain = 0;
    for (int64_t x = 0; x < w; ++x) {
      rowKnown += level.hole[y * w + x] ? 0 : 1;
      rowPlain += onPlain[y * w + x];
      known[(y + 1) * (w + 1) + x + 1] = known[y * (w + 1) + x + 1] + rowKnown;
      plain[(y + 1) * (w + 1) + x + 1] = plain[y * (w + 1) + x + 1] + rowPlain;
    }
  }
  auto box = [&](const std::vector<int32_t>& t, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    return t[(y1 + 1) * (w + 1) + x1 + 1] - t[y0 * (w + 1) + x1 + 1] - t[(y1 + 1) * (w + 1) + x0] +
           t[y0 * (w + 1) + x0];
  };
  std::vector<uint8_t> textured(static_cast<size_t>(w * h), 0);
  for (int64_t y = 0; y < h; ++y) {
    const int64_t y0 = std::max<int64_t>(y - kRadius, 0);
    const int64_t y1 = std::min(h - 1, y + kRadius);
    for (int64_t x = 0; x < w; ++x) {
      const int64_t i = y * w + x;
      if (level.hole[i] || onPlain[i]) continue;
      const int64_t x0 = std::max<int64_t>(x - kRadius, 0);
      const int64_t x1 = std::min(w - 1, x + kRadius);
      const int32_t k = box(known, x0, y0, x1, y1);
      textured[i] = static_cast<double>(box(plain, x0, y0, x1, y1)) < kPlainShare * k ? 1 : 0;
    }
  }
  return textured;
}

}  // namespace

void Surfaces::merge(int32_t into, int32_t from) {
  if (into == from || into <= 0 || from <= 0) return;
  for (int32_t& l : label) l = l == from ? into : l;
  for (int32_t& l : edgeLabel) l = l == from ? into : l;
  SurfaceInfo& a = info[static_cast<size_t>(into)];
  SurfaceInfo& b = info[static_cast<size_t>(from)];
  const int64_t total = a.pixels + b.pixels;
  if (total > 0) {
    for (int64_t k = 0; k < 3; ++k) {
      a.mean[k] = static_cast<float>(
          (static_cast<double>(a.mean[k]) * a.pixels + static_cast<double>(b.mean[k]) * b.pixels) /
          static_cast<double>(total));
    }
  }
  a.pixels = total;
  b = SurfaceInfo{};
}

Surfaces findSurfaces(const Level& level) {
  const int64_t w = level.w;
  const int64_t h = level.h;
  const int64_t n = level.size();
  Surfaces s;
  s.w = w;
  s.h = h;
  s.label.assign(static_cast<size_t>(n), 0);
  s.info.resize(1);

  const std::vector<int32_t> root = similarRuns(level);
  const std::vector<uint8_t> plainRoot = plainRuns(level, root);
  std::vector<uint8_t> onPlain(static_cast<size_t>(n), 0);
  s.run.assign(static_cast<size_t>(n), -1);
  for (int64_t i = 0; i < n; ++i) {
    onPlain[i] = root[i] >= 0 && plainRoot[root[i]] ? 1 : 0;
    if (onPlain[i]) s.run[i] = root[i];
  }

  // Plain surfaces take labels in the order their first pixel is met.
  std::vector<int32_t> labelOfRoot(static_cast<size_t>(n), 0);
  for (int64_t i = 0; i < n; ++i) {
    if (level.hole[i]) {
      s.label[i] = -1;
      continue;
    }
    if (!onPlain[i]) continue;
    int32_t& l = labelOfRoot[root[i]];
    if (l == 0) {
      s.info.emplace_back();
      l = s.count();
    }
    s.label[i] = l;
  }

  // Textured regions: connected textured pixels, eight ways, large enough to be one.
  const std::vector<uint8_t> textured = texturedPixels(level, onPlain);
  std::vector<int32_t> region(static_cast<size_t>(n), 0);
  std::vector<int64_t> stack;
  std::vector<int64_t> members;
  for (int64_t i = 0; i < n; ++i) {
    if (!textured[i] || region[i] != 0) continue;
    members.clear();
    stack.push_back(i);
    region[i] = -1;
    while (!stack.empty()) {
      const int64_t p = stack.back();
      stack.pop_back();
      members.push_back(p);
      forSquare(p % w, p / w, w, h, 1, [&](int64_t q) {
        if (!textured[q] || region[q] != 0) return;
        region[q] = -1;
        stack.push_back(q);
      });
    }
    if (static_cast<int64_t>(members.size()) < kSurfaceMinPixels) continue;
    s.info.emplace_back();
    s.info.back().texture = true;
    std::sort(members.begin(), members.end());
    for (const int64_t p : members) s.label[p] = s.count();
  }

  // A texture's outermost pixels see too much of the plain surface beside them to pass the
  // test above; they join the texture unless they match a plain neighbour in colour.
  for (int round = 0; round < 4; ++round) {
    std::vector<std::pair<int64_t, int32_t>> joining;
    for (int64_t i = 0; i < n; ++i) {
      if (s.label[i] != 0) continue;
      int32_t texture = 0;
      bool likePlain = false;
      forSquare(i % w, i / w, w, h, 1, [&](int64_t q) {
        const int32_t l = s.label[q];
        if (l <= 0) return;
        if (s.info[static_cast<size_t>(l)].texture) {
          texture = texture == 0 ? l : texture;
        } else if (largestStep(level.px(i), level.px(q)) <= kSurfaceStep) {
          likePlain = true;
        }
      });
      if (texture != 0 && !likePlain) joining.emplace_back(i, texture);
    }
    if (joining.empty()) break;
    for (const auto& [i, l] : joining) s.label[i] = l;
  }

  // Colour statistics, and the lightest and darkest of each channel per label.
  std::vector<float> low(s.info.size() * 3, 255.0f);
  std::vector<float> high(s.info.size() * 3, 0.0f);
  for (int64_t i = 0; i < n; ++i) {
    const int32_t l = s.label[i];
    if (l <= 0) continue;
    SurfaceInfo& info = s.info[static_cast<size_t>(l)];
    ++info.pixels;
    for (int64_t k = 0; k < 3; ++k) {
      const float v = level.px(i)[k];
      info.mean[k] += v;
      low[l * 3 + k] = std::min(low[l * 3 + k], v);
      high[l * 3 + k] = std::max(high[l * 3 + k], v);
    }
  }
  for (SurfaceInfo& info : s.info) {
    if (info.pixels == 0) continue;
    for (float& m : info.mean) m /= static_cast<float>(info.pixels);
  }
  // Flat surfaces of one colour are one surface, though letters or rules that run out of the
  // crop cut them apart here: a paragraph's paper between its lines, a pane either side of a
  // tall letter.
  auto flatAt = [&](int32_t l) {
    if (s.info[static_cast<size_t>(l)].texture || s.info[static_cast<size_t>(l)].pixels == 0)
      return false;
    for (int64_t k = 0; k < 3; ++k) {
      if (high[l * 3 + k] - low[l * 3 + k] > kSurfaceStep) return false;
    }
    return true;
  };
  std::vector<int32_t> flat;
  for (int32_t l = 1; l <= s.count(); ++l) {
    if (flatAt(l)) flat.push_back(l);
  }
  auto meanOf = [&](int32_t l, int64_t k) { return s.info[static_cast<size_t>(l)].mean[k]; };
  std::stable_sort(flat.begin(), flat.end(),
                   [&](int32_t a, int32_t b) { return meanOf(a, 0) < meanOf(b, 0); });
  UnionFind same(s.info.size());
  auto rootOf = [&](int32_t l) { return static_cast<int32_t>(same.root(static_cast<size_t>(l))); };
  for (size_t i = 0; i < flat.size(); ++i) {
    for (size_t j = i + 1; j < flat.size() && meanOf(flat[j], 0) - meanOf(flat[i], 0) <= 1.5f;
         ++j) {
      if (std::fabs(meanOf(flat[i], 1) - meanOf(flat[j], 1)) > 1.5f ||
          std::fabs(meanOf(flat[i], 2) - meanOf(flat[j], 2)) > 1.5f) {
        continue;
      }
      same.join(static_cast<size_t>(flat[i]), static_cast<size_t>(flat[j]));
    }
  }
  for (int32_t& l : s.label) l = l > 0 ? rootOf(l) : l;
  for (int32_t l = 1; l <= s.count(); ++l) {
    const int32_t r = rootOf(l);
    if (r == l) continue;
    SurfaceInfo& a = s.info[static_cast<size_t>(r)];
    SurfaceInfo& b = s.info[static_cast<size_t>(l)];
    for (int64_t k = 0; k < 3; ++k) {
      a.mean[k] =
          static_cast<float>((static_cast<double>(a.mean[k]) * static_cast<double>(a.pixels) +
                              static_cast<double>(b.mean[k]) * static_cast<double>(b.pixels)) /
                             static_cast<double>(a.pixels + b.pixels));
    }
    a.pixels += b.pixels;
    b = SurfaceInfo{};
  }

  s.edgeLabel = s.label;
  for (int64_t i = 0; i < n; ++i) {
    if (s.label[i] != 0) continue;
    float best = 0;
    for (int64_t radius = 1; radius <= 2 && s.edgeLabel[i] == 0; ++radius) {
      forSquare(i % w, i / w, w, h, radius, [&](int64_t q) {
        if (s.label[q] <= 0) return;
        const float* a = level.px(i);
        const float* b = level.px(q);
        const float d = std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]);
        if (s.edgeLabel[i] == 0 || d < best) {
          s.edgeLabel[i] = s.label[q];
          best = d;
        }
      });
    }
  }
  return s;
}

}  // namespace corvalin::retouch::inpaint
