#include "retouch/inpaint_level.h"

#include <algorithm>
#include <cmath>

namespace corvalin::retouch::inpaint {
namespace {

int64_t ceilDiv(int64_t a, int64_t b) {
  return (a + b - 1) / b;
}

// Mean colour of the known pixels of each c × c cell (the last ones partial); `known` says
// which cells have one.
void cellMeans(const Level& level, int64_t c, int64_t gw, int64_t gh, std::vector<double>& means,
               std::vector<uint8_t>& known) {
  std::vector<double> sums(static_cast<size_t>(gw * gh * 3), 0.0);
  std::vector<int64_t> counts(static_cast<size_t>(gw * gh), 0);
  for (int64_t y = 0; y < level.h; ++y) {
    const int64_t row = (y / c) * gw;
    for (int64_t x = 0; x < level.w; ++x) {
      const int64_t i = y * level.w + x;
      if (!level.usable(i)) continue;
      const int64_t cell = row + x / c;
      const float* p = level.px(i);
      sums[cell * 3] += p[0];
      sums[cell * 3 + 1] += p[1];
      sums[cell * 3 + 2] += p[2];
      ++counts[cell];
    }
  }
  means.assign(sums.size(), 0.0);
  known.assign(counts.size(), 0);
  for (size_t cell = 0; cell < counts.size(); ++cell) {
    if (counts[cell] == 0) continue;
    known[cell] = 1;
    for (size_t k = 0; k < 3; ++k) means[cell * 3 + k] = sums[cell * 3 + k] / counts[cell];
  }
}

}  // namespace

std::vector<uint8_t> dilate(const std::vector<uint8_t>& bits, int64_t w, int64_t h,
                            int64_t radius) {
  std::vector<int32_t> across(bits.size(), 0);
  for (int64_t y = 0; y < h; ++y) {
    const uint8_t* in = bits.data() + y * w;
    int32_t* out = across.data() + y * w;
    int32_t run = 0;
    for (int64_t x = 0; x < std::min(radius, w); ++x) run += in[x] != 0;
    for (int64_t x = 0; x < w; ++x) {
      if (x + radius < w) run += in[x + radius] != 0;
      out[x] = run;
      if (x - radius >= 0) run -= in[x - radius] != 0;
    }
  }
  std::vector<int32_t> run(static_cast<size_t>(w), 0);
  for (int64_t y = 0; y < std::min(radius, h); ++y) {
    for (int64_t x = 0; x < w; ++x) run[x] += across[y * w + x];
  }
  std::vector<uint8_t> grown(bits.size(), 0);
  for (int64_t y = 0; y < h; ++y) {
    if (y + radius < h) {
      for (int64_t x = 0; x < w; ++x) run[x] += across[(y + radius) * w + x];
    }
    for (int64_t x = 0; x < w; ++x) grown[y * w + x] = run[x] > 0 ? 1 : 0;
    if (y - radius >= 0) {
      for (int64_t x = 0; x < w; ++x) run[x] -= across[(y - radius) * w + x];
    }
  }
  return grown;
}

bool hasKnownPixel(const Level& level) {
  return std::find(level.hole.begin(), level.hole.end(), 0) != level.hole.end();
}

bool shadingIsSmooth(const Level& level) {
  if (level.w < 33 || level.h < 33) return false;
  const int64_t gw = ceilDiv(level.w, 8);
  const int64_t gh = ceilDiv(level.h, 8);
  std::vector<double> means;
  std::vector<uint8_t> known;
  cellMeans(level, 8, gw, gh, means, known);

  // Neighbours across as well as down: a picture made of horizontal bands (a title bar over a
  // panel, a rule) has no step between cells side by side, yet is anything but a smooth shading.
  std::vector<double> steps;
  int64_t big = 0;
  auto compare = [&](int64_t a, int64_t b) {
    if (!known[a] || !known[b]) return;
    const double d = std::fabs(means[a * 3] - means[b * 3]) +
                     std::fabs(means[a * 3 + 1] - means[b * 3 + 1]) +
                     std::fabs(means[a * 3 + 2] - means[b * 3 + 2]);
    steps.push_back(d);
    if (d > 40) ++big;
  };
  for (int64_t gy = 0; gy < gh; ++gy) {
    for (int64_t gx = 0; gx < gw; ++gx) {
      if (gx + 1 < gw) compare(gy * gw + gx, gy * gw + gx + 1);
      if (gy + 1 < gh) compare(gy * gw + gx, (gy + 1) * gw + gx);
    }
  }
  const int64_t n = static_cast<int64_t>(steps.size());
  if (n == 0 || static_cast<double>(big) / static_cast<double>(n) > 0.005 || n < 33) return false;
  const auto at = steps.begin() + static_cast<int64_t>(static_cast<double>(n) * 0.9);
  std::nth_element(steps.begin(), at, steps.end());
  return *at < 24;
}

std::vector<float> smoothField(const Level& level) {
  const int64_t side = std::max(level.w, level.h);
  const int64_t c = side < 1200 ? 8 : side / 150;
  const int64_t gw = ceilDiv(level.w, c);
  const int64_t gh = ceilDiv(level.h, c);
  std::vector<double> means;
  std::vector<uint8_t> known;
  cellMeans(level, c, gw, gh, means, known);
  std::vector<float> field(static_cast<size_t>(level.size() * kLanes), 0.0f);
  const int64_t cells = gw * gh;
  if (std::find(known.begin(), known.end(), 1) == known.end()) return field;

  std::vector<float> grid(static_cast<size_t>(cells * kLanes), 0.0f);
  double total[3] = {0, 0, 0};
  int64_t knownCount = 0;
  for (int64_t cell = 0; cell < cells; ++cell) {
    if (!known[cell]) continue;
    for (int64_t k = 0; k < 3; ++k) {
      grid[cell * kLanes + k] = static_cast<float>(means[cell * 3 + k]);
      total[k] += grid[cell * kLanes + k];
    }
    ++knownCount;
  }
  std::vector<int64_t> unknown;
  for (int64_t cell = 0; cell < cells; ++cell) {
    if (known[cell]) continue;
    unknown.push_back(cell);
    for (int64_t k = 0; k < 3; ++k) {
      grid[cell * kLanes + k] = static_cast<float>(total[k] / static_cast<double>(knownCount));
    }
  }
  for (int sweep = 0; sweep < 160; ++sweep) {
    for (const int64_t cell : unknown) relaxCell(grid, cell, gw, gh, [](int64_t) { return true; });
  }
  blur(grid, gw, gh);
  blur(grid, gw, gh);

  std::vector<GridSample> columns(static_cast<size_t>(level.w));
  for (int64_t x = 0; x < level.w; ++x) columns[x] = GridSample::at(x, c, gw);
  for (int64_t y = 0; y < level.h; ++y) {
    const GridSample sy = GridSample::at(y, c, gh);
    for (int64_t x = 0; x < level.w; ++x) {
      bilinear(grid.data(), gw, columns[x], sy, field.data() + (y * level.w + x) * kLanes);
    }
  }
  return field;
}

void blur(std::vector<float>& values, int64_t w, int64_t h) {
  if (w <= 0 || h <= 0) return;
  const int64_t row = w * kLanes;
  std::vector<float> columns(static_cast<size_t>(row));
  std::vector<float> out(values.size());
  for (int64_t y = 0; y < h; ++y) {
    const float* mid = values.data() + y * row;
    const float* up = y > 0 ? mid - row : nullptr;
    const float* down = y + 1 < h ? mid + row : nullptr;
    float* col = columns.data();
    if (up && down) {
      for (int64_t i = 0; i < row; ++i) col[i] = (up[i] + mid[i]) + down[i];
    } else if (up) {
      for (int64_t i = 0; i < row; ++i) col[i] = up[i] + mid[i];
    } else if (down) {
      for (int64_t i = 0; i < row; ++i) col[i] = mid[i] + down[i];
    } else {
      std::copy(mid, mid + row, col);
    }
    const float rows = static_cast<float>(1 + (up != nullptr) + (down != nullptr));
    float* o = out.data() + y * row;
    if (w == 1) {
      for (int64_t k = 0; k < kLanes; ++k) o[k] = col[k] / rows;
      continue;
    }
    for (int64_t k = 0; k < kLanes; ++k) o[k] = (col[k] + col[kLanes + k]) / (rows * 2);
    const float full = rows * 3;
    for (int64_t i = kLanes; i < row - kLanes; ++i) {
      o[i] = ((col[i - kLanes] + col[i]) + col[i + kLanes]) / full;
    }
    for (int64_t i = row - kLanes; i < row; ++i) o[i] = (col[i - kLanes] + col[i]) / (rows * 2);
  }
  values.swap(out);
}

Level downsample(const Level& level) {
  const int64_t w = level.w < 4 ? 1 : level.w / 2;
  const int64_t h = level.h < 4 ? 1 : level.h / 2;
  Level out(w, h);
  if (!level.outside.empty()) out.outside.assign(static_cast<size_t>(w * h), 0);
  for (int64_t j = 0; j < h; ++j) {
    const int64_t ys[2] = {std::min(2 * j, level.h - 1), std::min(2 * j + 1, level.h - 1)};
    for (int64_t i = 0; i < w; ++i) {
      const int64_t xs[2] = {std::min(2 * i, level.w - 1), std::min(2 * i + 1, level.w - 1)};
      float sum[kLanes] = {0, 0, 0, 0};
      int n = 0;
      bool hole = false;
      for (const int64_t y : ys) {
        for (const int64_t x : xs) {
          const int64_t p = y * level.w + x;
          if (!level.outside.empty() && level.outside[p]) out.outside[j * w + i] = 1;
          if (level.hole[p]) {
            hole = true;
            continue;
          }
          const float* c = level.px(p);
          for (int64_t k = 0; k < kLanes; ++k) sum[k] += c[k];
          ++n;
        }
      }
      const int64_t q = j * w + i;
      out.hole[q] = hole ? 1 : 0;
      if (n == 0) continue;
      for (int64_t k = 0; k < kLanes; ++k) out.px(q)[k] = sum[k] / static_cast<float>(n);
    }
  }
  return out;
}

void diffuse(Level& level) {
  double sum[3] = {0, 0, 0};
  int64_t known = 0;
  std::vector<int64_t> holes;
  for (int64_t i = 0; i < level.size(); ++i) {
    if (level.hole[i]) {
      holes.push_back(i);
      continue;
    }
    for (int64_t k = 0; k < 3; ++k) sum[k] += level.px(i)[k];
    ++known;
  }
  if (known == 0) return;
  for (const int64_t i : holes) {
    for (int64_t k = 0; k < 3; ++k) level.px(i)[k] = static_cast<float>(sum[k] / known);
  }
  const int64_t w = level.w;
  for (int sweep = 0; sweep < 240; ++sweep) {
    for (const int64_t i : holes) {
      const int64_t x = i % w;
      const int64_t y = i / w;
      float acc[3] = {0, 0, 0};
      int n = 0;
      auto add = [&](int64_t other) {
        const float* c = level.px(other);
        for (int64_t k = 0; k < 3; ++k) acc[k] += c[k];
        ++n;
      };
      if (x > 0) add(i - 1);
      if (x + 1 < w) add(i + 1);
      if (y > 0) add(i - w);
      if (y + 1 < level.h) add(i + w);
      if (n == 0) continue;
      for (int64_t k = 0; k < 3; ++k) level.px(i)[k] = acc[k] / static_cast<float>(n);
    }
  }
}

void upsampleFill(const Level& coarse, Level& fine) {
  const float maxX = static_cast<float>(coarse.w - 1);
  const float maxY = static_cast<float>(coarse.h - 1);
  for (int64_t y = 0; y < fine.h; ++y) {
    const float fy = std::clamp((static_cast<float>(y) - 0.5f) * 0.5f, 0.0f, maxY);
    const int64_t y0 = static_cast<int64_t>(fy);
    const int64_t y1 = std::min(coarse.h - 1, y0 + 1);
    const float ty = fy - static_cast<float>(y0);
    for (int64_t x = 0; x < fine.w; ++x) {
      const int64_t i = y * fine.w + x;
      if (!fine.hole[i]) continue;
      const float fx = std::clamp((static_cast<float>(x) - 0.5f) * 0.5f, 0.0f, maxX);
      const int64_t x0 = static_cast<int64_t>(fx);
      const int64_t x1 = std::min(coarse.w - 1, x0 + 1);
      const float tx = fx - static_cast<float>(x0);
      const float* a = coarse.px(y0 * coarse.w + x0);
      const float* b = coarse.px(y0 * coarse.w + x1);
      const float* c = coarse.px(y1 * coarse.w + x0);
      const float* d = coarse.px(y1 * coarse.w + x1);
      float* out = fine.px(i);
      for (int64_t k = 0; k < kLanes; ++k) {
        out[k] = (1 - ty) * ((1 - tx) * a[k] + tx * b[k]) + ty * ((1 - tx) * c[k] + tx * d[k]);
      }
    }
  }
}

}  // namespace corvalin::retouch::inpaint
