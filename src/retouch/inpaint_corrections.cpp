#include "retouch/inpaint_corrections.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "retouch/dado.h"

namespace corvalin::retouch::inpaint {
namespace {

// The value at position `at` of the values sorted ascending.
float orderStatistic(std::vector<float>& values, size_t at) {
  std::nth_element(values.begin(), values.begin() + static_cast<int64_t>(at), values.end());
  return values[at];
}

}  // namespace

std::vector<float> twiceBlurred(const Level& level) {
  std::vector<float> low = level.img;
  if (level.outside.empty()) {
    blur(low, level.w, level.h);
    blur(low, level.w, level.h);
    return low;
  }
  // Off the surface nothing may bleed into the fill's low frequencies: the blur is a weighted
  // one in which those pixels weigh nothing, the weights riding in the fourth lane.
  for (int64_t i = 0; i < level.size(); ++i) {
    const float weight = level.outside[i] ? 0.0f : 1.0f;
    float* p = low.data() + i * kLanes;
    for (int64_t k = 0; k < 3; ++k) p[k] *= weight;
    p[3] = weight;
  }
  blur(low, level.w, level.h);
  blur(low, level.w, level.h);
  for (int64_t i = 0; i < level.size(); ++i) {
    float* p = low.data() + i * kLanes;
    const float weight = p[3];
    for (int64_t k = 0; k < 3; ++k) p[k] = weight > 0 ? p[k] / weight : level.px(i)[k];
    p[3] = 0;
  }
  return low;
}

std::vector<float> detailOf(const Level& level, const std::vector<float>& low) {
  std::vector<float> detail(static_cast<size_t>(level.size()));
  for (int64_t i = 0; i < level.size(); ++i) {
    const float* p = level.px(i);
    const float* l = low.data() + i * kLanes;
    detail[i] = std::fabs(p[0] - l[0]) + std::fabs(p[1] - l[1]) + std::fabs(p[2] - l[2]);
  }
  return detail;
}

bool regularTexture(std::vector<float> known) {
  const size_t count = known.size();
  if (count < 257) return false;
  const size_t p95At = static_cast<size_t>(static_cast<double>(count) * 0.95);
  const float p95 = orderStatistic(known, p95At);
  // The median lies in the part nth_element left below the 95th percentile.
  known.resize(p95At);
  const float median = orderStatistic(known, count / 2);
  return p95 / std::max(median, 0.5f) < 12;
}

bool regularTexture(const Level& level) {
  const std::vector<float> detail = detailOf(level, twiceBlurred(level));
  std::vector<float> known;
  for (int64_t i = 0; i < level.size(); ++i) {
    if (level.usable(i)) known.push_back(detail[i]);
  }
  return regularTexture(std::move(known));
}

void blendSeams(Level& level) {
  const int64_t w = level.w;
  const int64_t h = level.h;
  const int64_t side = std::max(w, h);
  const int64_t c = side < 800 ? 4 : side / 200;
  const int64_t gw = (w + c - 1) / c;
  const int64_t gh = (h + c - 1) / c;
  if (gw < 3 || gh < 3) return;
  const int64_t cells = gw * gh;

  std::vector<uint8_t> inHole(static_cast<size_t>(cells), 0);
  std::vector<double> sums(static_cast<size_t>(cells * 3), 0.0);
  std::vector<int64_t> samples(static_cast<size_t>(cells), 0);
  for (int64_t y = 0; y < h; ++y) {
    for (int64_t x = 0; x < w; ++x) {
      const int64_t i = y * w + x;
      if (!level.hole[i]) continue;
      const int64_t cell = (y / c) * gw + x / c;
      inHole[cell] = 1;
      float step[3] = {0, 0, 0};
      int n = 0;
      auto add = [&](int64_t other) {
        if (!level.usable(other)) return;
        for (int64_t k = 0; k < 3; ++k) step[k] += level.px(other)[k] - level.px(i)[k];
        ++n;
      };
      if (x > 0) add(i - 1);
      if (x + 1 < w) add(i + 1);
      if (y > 0) add(i - w);
      if (y + 1 < h) add(i + w);
      if (n == 0) continue;
      for (int64_t k = 0; k < 3; ++k) sums[cell * 3 + k] += step[k] / static_cast<float>(n);
      ++samples[cell];
    }
  }

  std::vector<float> grid(static_cast<size_t>(cells * kLanes), 0.0f);
  std::vector<int64_t> free;
  bool anyFixed = false;
  for (int64_t cell = 0; cell < cells; ++cell) {
    if (samples[cell] > 0) {
      anyFixed = true;
      for (int64_t k = 0; k < 3; ++k) {
        grid[cell * kLanes + k] = static_cast<float>(sums[cell * 3 + k] / samples[cell]);
      }
    } else if (inHole[cell]) {
      free.push_back(cell);
    }
  }
  if (!anyFixed) return;
  for (int sweep = 0; sweep < 250; ++sweep) {
    for (const int64_t cell : free) {
      relaxCell(grid, cell, gw, gh, [&](int64_t other) { return inHole[other] != 0; });
    }
  }

  for (int64_t y = 0; y < h; ++y) {
    const GridSample sy = GridSample::at(y, c, gh);
    for (int64_t x = 0; x < w; ++x) {
      const int64_t i = y * w + x;
      if (!level.hole[i]) continue;
      float d[kLanes];
      bilinear(grid.data(), gw, GridSample::at(x, c, gw), sy, d);
      float* p = level.px(i);
      for (int64_t k = 0; k < 3; ++k) p[k] += d[k];
    }
  }
}

void transplantDetail(Level& level) {
  const int64_t w = level.w;
  const int64_t h = level.h;
  if (w < 33 || h < 33) return;
  const std::vector<float> low = twiceBlurred(level);
  const std::vector<float> detail = detailOf(level, low);

  std::vector<float> known;
  std::vector<int64_t> holes;
  double holeSum = 0;
  double knownSum = 0;
  for (int64_t i = 0; i < level.size(); ++i) {
    if (level.hole[i]) {
      holes.push_back(i);
      holeSum += detail[i];
    } else if (level.usable(i)) {
      known.push_back(detail[i]);
      knownSum += detail[i];
    }
  }
  const size_t knownCount = known.size();
  if (!regularTexture(std::move(known))) return;
  if (holes.size() <= 64 || knownCount <= 64) return;
  const double holeMean = holeSum / static_cast<double>(holes.size());
  const double knownMean = knownSum / static_cast<double>(knownCount);
  if (!(holeMean < 0.8 * knownMean)) return;

  std::vector<int64_t> samples;
  const size_t step = holes.size() < 800 ? 1 : holes.size() / 400;
  for (size_t k = 0; k < holes.size(); k += step) samples.push_back(holes[k]);

  Dado dado{0xD1B54A32D192ED03ull};
  const Divisor across(static_cast<uint64_t>(w));
  const Divisor down(static_cast<uint64_t>(h));
  double best = -1;
  int64_t bestDx = 0;
  int64_t bestDy = 0;
  for (int tries = 0; tries < 40; ++tries) {
    const int64_t dx = static_cast<int64_t>(across.remainder(dado.next())) - w / 2;
    const int64_t dy = static_cast<int64_t>(down.remainder(dado.next())) - h / 2;
    if (std::llabs(dx) < 9 && std::llabs(dy) < 9) continue;
    int64_t landed = 0;
    for (const int64_t p : samples) {
      const int64_t qx = p % w + dx;
      const int64_t qy = p / w + dy;
      if (qx >= 0 && qx < w && qy >= 0 && qy < h && level.usable(qy * w + qx)) ++landed;
    }
    const double frac = static_cast<double>(landed) / static_cast<double>(samples.size());
    if (frac > best) {
      best = frac;
      bestDx = dx;
      bestDy = dy;
    }
    if (frac > 0.99) break;
  }
  if (best <= 0.75) return;
  for (const int64_t p : holes) {
    const int64_t qx = p % w + bestDx;
    const int64_t qy = p / w + bestDy;
    if (qx < 0 || qx >= w || qy < 0 || qy >= h) continue;
    const int64_t q = qy * w + qx;
    if (!level.usable(q)) continue;
    float* out = level.px(p);
    const float* src = level.px(q);
    for (int64_t k = 0; k < 3; ++k) {
      out[k] = low[p * kLanes + k] + (src[k] - low[q * kLanes + k]);
    }
  }
}

void matchGrain(Level& level) {
  const int64_t w = level.w;
  const int64_t h = level.h;
  if (w < 9 || h < 9) return;
  const std::vector<float> low = twiceBlurred(level);

  std::vector<uint8_t> edge(static_cast<size_t>(level.size()), 0);
  for (int64_t y = 0; y < h; ++y) {
    for (int64_t x = 0; x < w; ++x) {
      const int64_t i = y * w + x;
      if (!level.hole[i]) continue;
      const bool onBorder = x == 0 || y == 0 || x == w - 1 || y == h - 1;
      edge[i] = onBorder || !level.hole[i - 1] || !level.hole[i + 1] || !level.hole[i - w] ||
                !level.hole[i + w];
    }
  }
  const std::vector<uint8_t> near = dilate(edge, w, h, 18);
  const std::vector<float> detail = detailOf(level, low);
  std::vector<float> inHole;
  std::vector<float> inRing;
  for (int64_t i = 0; i < level.size(); ++i) {
    if (level.hole[i]) {
      inHole.push_back(detail[i]);
    } else if (near[i] && level.usable(i)) {
      inRing.push_back(detail[i]);
    }
  }
  if (inHole.size() < 17 || inRing.size() < 17) return;
  const float mh = orderStatistic(inHole, inHole.size() / 2);
  const float mr = orderStatistic(inRing, inRing.size() / 2);
  if (!(mh > 0.01f && mh < mr)) return;
  const float gain = std::min(mr / mh, 2.0f);
  for (int64_t i = 0; i < level.size(); ++i) {
    if (!level.hole[i]) continue;
    float* p = level.px(i);
    const float* l = low.data() + i * kLanes;
    for (int64_t k = 0; k < 3; ++k) p[k] = l[k] + gain * (p[k] - l[k]);
  }
}

}  // namespace corvalin::retouch::inpaint
