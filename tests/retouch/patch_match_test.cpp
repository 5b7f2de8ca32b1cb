// The pieces of the fill under the patch search: the remainder by multiplication against the %
// operator, the pyramid's halving, and search and vote rebuilding a texture that repeats. Whether
// the fast search still makes the plain search's choices shows in the fill's recorded bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "retouch/dado.h"
#include "retouch/inpaint_level.h"
#include "retouch/patch_match.h"

namespace corvalin::retouch::inpaint {
namespace {

TEST(Divisor, GivesTheRemainderOfTheOperator) {
  std::mt19937_64 rng(5);
  std::vector<uint64_t> divisors = {1, 2, 3, 7, 31, 33, 41, 2 * 1921 + 1, 6001, 12001};
  const uint64_t top = std::numeric_limits<uint64_t>::max();
  divisors.insert(divisors.end(), {uint64_t(1) << 32, (uint64_t(1) << 32) + 1, top, top - 1});
  for (int i = 0; i < 2000; ++i) divisors.push_back(1 + rng() % 100000);
  for (int i = 0; i < 200; ++i) divisors.push_back(rng() | 1);
  for (const uint64_t d : divisors) {
    const Divisor divisor(d);
    std::vector<uint64_t> numbers = {0, 1, top, top - 1, uint64_t(1) << 63};
    for (int k = 0; k < 300; ++k) numbers.push_back(rng());
    // Just below and at a multiple, where a remainder computed by multiplication goes wrong.
    for (const uint64_t n : std::vector(numbers))
      numbers.insert(numbers.end(), {n - n % d, n - n % d - 1});
    for (const uint64_t n : numbers) ASSERT_EQ(divisor.remainder(n), n % d) << n << " % " << d;
  }
}

TEST(Pyramid, HalvesWithHolesSpreadingAndMeansOfKnownPixelsOnly) {
  Level fine(5, 3);
  for (int64_t i = 0; i < fine.size(); ++i) fine.px(i)[0] = float(i);
  fine.hole[1] = 1;  // (1, 0)
  const Level coarse = downsample(fine);
  ASSERT_EQ(coarse.size(), 2);  // under 4 rows: one
  EXPECT_EQ(coarse.hole[0], 1);
  EXPECT_EQ(coarse.hole[1], 0);
  EXPECT_FLOAT_EQ(coarse.px(0)[0], (0 + 5 + 6) / 3.0f);      // the hole pixel is left out
  EXPECT_FLOAT_EQ(coarse.px(1)[0], (2 + 3 + 7 + 8) / 4.0f);  // column 4 is never read
  EXPECT_EQ(coarse.px(1)[3], 0);
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
}

}  // namespace
}  // namespace corvalin::retouch::inpaint
