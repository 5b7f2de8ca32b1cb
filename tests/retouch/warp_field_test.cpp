// Warp and pinch: the field each dab leaves, the areas they report, and the resampling at the
// picture's borders.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "retouch/warp_field.h"
#include "retouch_test_support.h"

namespace corvalin::retouch {
namespace {

using testing::rgba;

const Brush kWarp{20, 0, 1};
const std::vector<uint8_t> kBlack{0, 0, 0, 255};
const std::vector<uint8_t> kWhite{255, 255, 255, 255};

float fieldX(const WarpField& f, int64_t gx, int64_t gy) {
  return f.dx()[size_t(gy * f.cols() + gx)];
}

bool allFinite(const WarpField& f) {
  for (size_t i = 0; i < f.dx().size(); ++i)
    if (!std::isfinite(f.dx()[i]) || !std::isfinite(f.dy()[i])) return false;
  return true;
}

// White with a black column at x = 50.
PixelCanvas lineCanvas() {
  return testing::paintedCanvas(
      100, 64, [](int64_t x, int64_t, uint8_t* p) { p[0] = p[1] = p[2] = x == 50 ? 0 : 255; });
}

TEST(WarpField, PushDragsThePictureAlong) {
  PixelCanvas canvas = lineCanvas();
  WarpField field(canvas);
  const RectD r = field.push({50, 32}, {60, 32}, kWarp);
  EXPECT_EQ(r, (RectD{28, 10, 54, 44}));
  EXPECT_EQ(fieldX(field, 15, 8), -10.0f);  // the node under the brush centre
  EXPECT_FLOAT_EQ(fieldX(field, 13, 8), -10 * 0.648f);
  EXPECT_EQ(fieldX(field, 10, 8), 0.0f);  // 20 pixels away: on the rim

  field.resample(canvas, r);
  EXPECT_EQ(rgba(canvas, 60, 32), kBlack);
  EXPECT_EQ(rgba(canvas, 50, 32), kWhite);
  EXPECT_EQ(rgba(canvas, 50, 2), kBlack) << "outside the brush the line stays";
}

TEST(WarpField, MovesThatCannotBeMadeChangeNothing) {
  const PixelCanvas canvas = lineCanvas();
  WarpField field(canvas);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(field.push({30, 30}, {30, 30}, kWarp), RectD{});
  EXPECT_EQ(field.push({30, 30}, {nan, 30}, kWarp), RectD{});
  EXPECT_EQ(field.push({0, 0}, {1e300, 0}, kWarp), RectD{}) << "a move past float range";
  EXPECT_EQ(field.pinch({30, 30}, Brush{1, 0, 1}, 0.9f, true), RectD{});
  EXPECT_EQ(field.pinch({30, 30}, Brush{inf, 0, 1}, 0.9f, true), RectD{});
  EXPECT_EQ(field.pinch({30, 30}, kWarp, std::numeric_limits<float>::quiet_NaN(), true), RectD{});
  const std::vector<float> zeros(field.dx().size());
  EXPECT_TRUE(std::ranges::equal(field.dx(), zeros) && std::ranges::equal(field.dy(), zeros));
  // Resampling an empty area, or a canvas of another size, changes nothing.
  field.push({10, 10}, {20, 20}, kWarp);
  PixelCanvas same = canvas;
  field.resample(same, RectD{std::nan(""), 0, 10, 10});
  EXPECT_TRUE(testing::sameBytes(same, canvas));
  PixelCanvas other = testing::noiseCanvas(41, 40, 42);
  const PixelCanvas otherStart = other;
  field.resample(other, {0, 0, 41, 40});
  EXPECT_TRUE(testing::sameBytes(other, otherStart));
}

TEST(WarpField, PinchPullsTowardTheCentreAndBulgeIsItsMirror) {
  // A horizontal ramp: each pixel's red is its column.
  const PixelCanvas ramp = testing::paintedCanvas(
      80, 80, [](int64_t x, int64_t, uint8_t* p) { p[0] = static_cast<uint8_t>(x * 3); });
  WarpField pinch(ramp), bulge(ramp);
  EXPECT_EQ(pinch.pinch({40, 40}, kWarp, 0.9f, true), (RectD{18, 18, 44, 44}));
  bulge.pinch({40, 40}, kWarp, 0.9f, false);
  EXPECT_FLOAT_EQ(fieldX(pinch, 11, 10), 0.9f * 0.896f * 0.4f);
  for (size_t i = 0; i < pinch.dx().size(); ++i) {
    ASSERT_EQ(pinch.dx()[i], -bulge.dx()[i]);
    ASSERT_EQ(pinch.dy()[i], -bulge.dy()[i]);
  }

  PixelCanvas out = ramp;
  pinch.resample(out, {18, 18, 44, 44});
  // Right of the centre the picture shows content from farther right, left of it from farther
  // left: it contracts toward the centre.
  EXPECT_GT(rgba(out, 48, 40)[0], 48 * 3);
  EXPECT_LT(rgba(out, 32, 40)[0], 32 * 3);
  EXPECT_EQ(rgba(out, 40, 40), rgba(ramp, 40, 40));
}

TEST(WarpField, HugeRadii) {
  // A brush far larger than the picture moves all of it by the drag.
  const PixelCanvas start = testing::noiseCanvas(64, 48, 21);
  PixelCanvas canvas = start;
  WarpField huge(canvas);
  const RectD all = huge.push({30, 20}, {33, 20}, Brush{1e6, 0, 1});
  huge.resample(canvas, all);
  for (int64_t y = 0; y < 48; y += 5)
    for (int64_t x = 3; x < 64; x += 3)
      for (int c = 0; c < 3; ++c)
        ASSERT_NEAR(rgba(canvas, x, y)[c], rgba(start, x - 3, y)[c], 1) << x << "," << y;

  WarpField absurd(canvas);
  absurd.resample(canvas, absurd.push({0, 0}, {1, 1}, Brush{1e300, 0, 1}));
  absurd.resample(canvas, absurd.pinch({10, 10}, Brush{1e300, 0, 1}, 1, false));
  absurd.resample(
      canvas, absurd.push({0, 0}, {1, 1}, Brush{std::numeric_limits<double>::infinity(), 0, 1}));
  EXPECT_TRUE(allFinite(absurd));
}

TEST(WarpField, ReportedAreasHoldEveryChangeAndResampleStaysInside) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> pos(-30, 150), radius(0.2, 60), step(-9, 9);
  const PixelCanvas start = testing::noiseCanvas(120, 90, 31);
  PixelCanvas canvas = start;
  WarpField field(canvas);
  for (int i = 0; i < 120; ++i) {
    const PointD at{pos(rng), pos(rng)};
    const Brush brush{radius(rng), 0, 1};
    RectD r;
    if (i % 3 == 0) {
      r = field.pinch(at, brush, 0.9f, i % 2 == 0);
    } else {
      r = field.push({at.x - step(rng), at.y - step(rng)}, at, brush);
    }
    if (r.isEmpty()) continue;
    const PixelCanvas before = canvas;
    field.resample(canvas, r);
    const int64_t x0 = std::max<int64_t>(int64_t(r.x), 0), y0 = std::max<int64_t>(int64_t(r.y), 0);
    const int64_t x1 = int64_t(r.x + r.width) + 1, y1 = int64_t(r.y + r.height) + 1;
    ASSERT_EQ(testing::changedOutside(before, canvas, x0, y0, x1, y1), 0) << "dab " << i;
  }
  // Resampling only the reported areas gave the same picture as resampling everything.
  PixelCanvas whole = start;
  field.resample(whole, {0, 0, 120, 90});
  EXPECT_TRUE(testing::sameBytes(canvas, whole));
}

}  // namespace
}  // namespace corvalin::retouch
