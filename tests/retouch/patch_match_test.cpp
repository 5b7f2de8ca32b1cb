// The pieces of the fill whose speed comes from rewriting them: the patch distance against a
// plain loop, the remainder by multiplication against the % operator, and the pyramid steps.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "retouch/dado.h"
#include "retouch/inpaint_level.h"
#include "retouch/patch_match.h"

namespace corvalin::retouch::inpaint {
namespace {

// The patch cost written the obvious way: per-channel sums over the 49 pixels in row-major
// order, then (R + G) + B, then the penalty.
float referenceCost(const Level& level, int64_t a, int64_t b, float penalty) {
  float r = 0, g = 0, bl = 0;
  for (int64_t dy = -3; dy <= 3; ++dy) {
    for (int64_t dx = -3; dx <= 3; ++dx) {
      const float* pa = level.px(a + dy * level.w + dx);
      const float* pb = level.px(b + dy * level.w + dx);
      const float dr = pa[0] - pb[0], dg = pa[1] - pb[1], db = pa[2] - pb[2];
      r += dr * dr;
      g += dg * dg;
      bl += db * db;
    }
  }
  return ((r + g) + bl) + penalty;
}

// Costs of a batch are the plain sums; a candidate stopped early reports a partial cost above
// the limit and its plain cost lies above the limit too, so that no decision of the search can
// differ.
TEST(CandidateBatch, CostsAreThePlainSumsAndStopOnlyWhenTheCandidateWouldLose) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> value(-60, 320), unit(0, 1);
  Level level(41, 37);
  for (int64_t i = 0; i < level.size(); ++i) {
    for (int k = 0; k < 3; ++k) level.px(i)[k] = value(rng);
  }
  // Rows 20 … 27 nearly repeat rows 0 … 7, so that some costs sit right at the limit.
  for (int64_t i = 0; i < level.w * 8; ++i) {
    for (int k = 0; k < 3; ++k) level.px(i + level.w * 20)[k] = level.px(i)[k] + unit(rng) * 0.01f;
  }
  std::vector<float> castigo(static_cast<size_t>(level.size()));
  for (float& c : castigo) c = rng() % 2 ? 0.0f : unit(rng) * 5000;
  auto centre = [&] {
    return int64_t(3 + rng() % uint32_t(level.h - 6)) * level.w +
           int64_t(3 + rng() % uint32_t(level.w - 6));
  };

  CandidateBatch batch(12);
  int64_t stopped = 0, full = 0;
  for (int i = 0; i < 40000; ++i) {
    const bool twin = i % 3 == 0;
    const int64_t t = twin ? 4 * level.w + 3 + int64_t(rng() % 30) : centre();
    int64_t sources[12];
    const size_t count = 1 + rng() % 12;
    for (size_t k = 0; k < count; ++k) sources[k] = twin && k % 2 ? t + 20 * level.w : centre();
    float reference[12];
    for (size_t k = 0; k < count; ++k) {
      reference[k] = referenceCost(level, t, sources[k], castigo[sources[k]]);
    }
    const float pick = reference[rng() % count];
    const float limits[] = {pick, std::nextafter(pick, 0.0f), pick * unit(rng),
                            pick * (1 + unit(rng)), std::numeric_limits<float>::infinity()};
    for (const float limit : limits) {
      float costs[12];
      batch.evaluate(level.img.data(), level.w, t, sources, count, castigo.data(), limit, costs);
      for (size_t k = 0; k < count; ++k) {
        if (costs[k] == reference[k]) {
          ++full;
        } else {
          ASSERT_GT(costs[k], limit);
          ASSERT_GT(reference[k], limit);
          ASSERT_LT(costs[k], reference[k]);
          ++stopped;
        }
      }
    }
  }
  EXPECT_GT(stopped, 10000);  // both outcomes are exercised
  EXPECT_GT(full, 10000);
}

// The search as its steps read, one candidate at a time with every cost in full and plain
// remainders, against the engine's: the same matches, costs and generator state after two
// calls with a vote between them.
void plainPatchMatch(PatchSearch& s, const Level& level, Dado& dado) {
  const int64_t w = level.w, h = level.h, n = level.size();
  for (int sweep = 0; sweep < 4; ++sweep) {
    const int64_t step = sweep % 2 == 0 ? 1 : -1;
    const int64_t count = int64_t(s.destinos.size());
    for (int64_t k = 0; k < count; ++k) {
      const int64_t t = s.destinos[step > 0 ? k : count - 1 - k];
      int64_t bestSource = s.nnf[t];
      float best = referenceCost(level, t, bestSource, s.castigo[bestSource]);
      auto consider = [&](int64_t c) {
        const float cost = referenceCost(level, t, c, s.castigo[c]);
        if (cost < best) best = cost, bestSource = c;
      };
      for (const int64_t offset : {step, step * w}) {
        const int64_t nb = t - offset;
        if (nb < 0 || nb >= n || !s.esDestino[nb] || s.nnf[nb] < 0) continue;
        const int64_t c = s.nnf[nb] + offset;
        if (c >= 0 && c < n && s.esOrigen[c]) consider(c);
      }
      const int64_t sx = bestSource % w, sy = bestSource / w;
      for (int64_t r = std::max(w, h); r >= 1; r /= 2) {
        const int64_t cx = sx + int64_t(dado.next() % uint64_t(2 * r + 1)) - r;
        const int64_t cy = sy + int64_t(dado.next() % uint64_t(2 * r + 1)) - r;
        if (cx >= 3 && cx < w - 3 && cy >= 3 && cy < h - 3 && s.esOrigen[cy * w + cx]) {
          consider(cy * w + cx);
        }
      }
      s.nnf[t] = bestSource;
      s.distancias[t] = best;
    }
  }
}

TEST(PatchMatch, MakesTheSameChoicesAsThePlainSearch) {
  std::mt19937 rng(17);
  Level level(90, 70);
  for (int64_t y = 0; y < level.h; ++y) {
    for (int64_t x = 0; x < level.w; ++x) {
      for (int k = 0; k < 3; ++k) {
        level.px(y * level.w + x)[k] =
            float(100 + 40 * std::sin(0.3 * x + k) * std::cos(0.2 * y) + rng() % 20);
      }
      level.hole[y * level.w + x] = x >= 30 && x < 55 && y >= 20 && y < 40;
    }
  }
  PatchSearch fast;
  ASSERT_TRUE(fast.classify(level));
  fast.castigo = smoothnessPenalty(level, fast.origenes);
  fast.nnf.assign(size_t(level.size()), -1);
  fast.distancias.assign(size_t(level.size()), kUnmatched);
  for (size_t k = 0; k < fast.destinos.size(); ++k) {
    fast.nnf[fast.destinos[k]] = fast.origenes[(k * 7919) % fast.origenes.size()];
  }
  PatchSearch plain = fast;
  Level fastLevel = level, plainLevel = level;
  Dado fastDado{0x9E3779B97F4A7C15ull}, plainDado = fastDado;
  for (int round = 0; round < 2; ++round) {
    patchMatch(fast, fastLevel, fastDado);
    plainPatchMatch(plain, plainLevel, plainDado);
    ASSERT_EQ(fast.nnf, plain.nnf) << "round " << round;
    ASSERT_EQ(fast.distancias, plain.distancias) << "round " << round;
    ASSERT_EQ(fastDado.state, plainDado.state);
    vote(fastLevel, fast);
    vote(plainLevel, plain);
  }
}

TEST(Divisor, GivesTheRemainderOfTheOperator) {
  std::mt19937_64 rng(5);
  std::vector<uint64_t> divisors = {1,
                                    2,
                                    3,
                                    7,
                                    31,
                                    33,
                                    41,
                                    2 * 1921 + 1,
                                    6001,
                                    12001,
                                    uint64_t(1) << 32,
                                    (uint64_t(1) << 32) + 1,
                                    std::numeric_limits<uint64_t>::max(),
                                    std::numeric_limits<uint64_t>::max() - 1};
  for (int i = 0; i < 2000; ++i) divisors.push_back(1 + rng() % 100000);
  for (int i = 0; i < 200; ++i) divisors.push_back(rng() | 1);
  const uint64_t edges[] = {0, 1, std::numeric_limits<uint64_t>::max(),
                            std::numeric_limits<uint64_t>::max() - 1, uint64_t(1) << 63};
  for (const uint64_t d : divisors) {
    const Divisor divisor(d);
    for (const uint64_t n : edges) ASSERT_EQ(divisor.remainder(n), n % d) << n << " % " << d;
    for (int k = 0; k < 300; ++k) {
      const uint64_t n = rng();
      ASSERT_EQ(divisor.remainder(n), n % d) << n << " % " << d;
      const uint64_t multiple = n - n % d;
      ASSERT_EQ(divisor.remainder(multiple), 0u);
      if (multiple <= std::numeric_limits<uint64_t>::max() - (d - 1)) {
        ASSERT_EQ(divisor.remainder(multiple + d - 1), d - 1);
      }
    }
  }
}

TEST(Pyramid, HalvesWithHolesSpreadingAndMeansOfKnownPixelsOnly) {
  Level fine(5, 3);
  for (int64_t i = 0; i < fine.size(); ++i) fine.px(i)[0] = float(i);
  fine.hole[1] = 1;  // (1, 0)
  const Level coarse = downsample(fine);
  ASSERT_EQ(coarse.w, 2);
  ASSERT_EQ(coarse.h, 1);  // under 4 rows: one
  EXPECT_EQ(coarse.hole[0], 1);
  EXPECT_EQ(coarse.hole[1], 0);
  EXPECT_FLOAT_EQ(coarse.px(0)[0], (0 + 5 + 6) / 3.0f);      // the hole pixel is left out
  EXPECT_FLOAT_EQ(coarse.px(1)[0], (2 + 3 + 7 + 8) / 4.0f);  // column 4 is never read
  EXPECT_EQ(coarse.px(1)[3], 0);

  // Upsampling writes hole pixels only, at the coarse position under their centre.
  Level up(4, 2);
  for (int64_t i = 0; i < up.size(); ++i) up.px(i)[0] = -1;
  up.hole[2] = up.hole[3] = 1;
  upsampleFill(coarse, up);
  EXPECT_EQ(up.px(0)[0], -1);
  EXPECT_FLOAT_EQ(up.px(2)[0], 0.25f * coarse.px(0)[0] + 0.75f * coarse.px(1)[0]);
  EXPECT_FLOAT_EQ(up.px(3)[0], coarse.px(1)[0]);

  // The box mean counts only the cells inside the grid: 4 at a corner, 6 on an edge.
  std::vector<float> grid(3 * 3 * kLanes, 0.0f);
  grid[0] = 9;
  blur(grid, 3, 3);
  EXPECT_FLOAT_EQ(grid[0], 9 / 4.0f);
  EXPECT_FLOAT_EQ(grid[1 * kLanes], 9 / 6.0f);
  EXPECT_FLOAT_EQ(grid[4 * kLanes], 1.0f);
  EXPECT_EQ(grid[8 * kLanes], 0);
}

// A periodic texture has exact matches for every patch, so search and vote must rebuild a hole
// in it exactly; a fault in propagation, search bounds or voting shows up as wrong pixels.
TEST(Synthesize, RebuildsAPeriodicTextureExactly) {
  std::mt19937 rng(3);
  float tile[7][9][3];
  for (auto& row : tile) {
    for (auto& px : row) {
      for (float& v : px) v = float(rng() % 200);
    }
  }
  Level level(120, 100);
  for (int64_t y = 0; y < level.h; ++y) {
    for (int64_t x = 0; x < level.w; ++x) {
      std::copy(tile[y % 7][x % 9], tile[y % 7][x % 9] + 3, level.px(y * level.w + x));
    }
  }
  const Level truth = level;
  for (int64_t y = 40; y < 70; ++y) {
    for (int64_t x = 50; x < 80; ++x) {
      level.hole[y * level.w + x] = 1;
      level.px(y * level.w + x)[0] = level.px(y * level.w + x)[1] = 128;
      level.px(y * level.w + x)[2] = 128;
    }
  }
  ASSERT_TRUE(synthesize(level, true, true));
  int64_t wrong = 0;
  for (int64_t i = 0; i < level.size(); ++i) {
    for (int k = 0; k < 3; ++k) wrong += std::fabs(level.px(i)[k] - truth.px(i)[k]) > 0.5f;
  }
  EXPECT_EQ(wrong, 0);

  // Too small, or nothing left to copy from: untouched and false.
  Level tiny(14, 40);
  tiny.hole[5 * 14 + 5] = 1;
  EXPECT_FALSE(synthesize(tiny, true, true));
  Level allHole(40, 40);
  std::fill(allHole.hole.begin(), allHole.hole.end(), 1);
  EXPECT_FALSE(synthesize(allHole, false, true));
}

}  // namespace
}  // namespace corvalin::retouch::inpaint
