// Warp and pinch: the field each dab leaves, the areas they report, and the resampling at the
// picture's borders.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "retouch/pixel_canvas.h"
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

bool allZero(const WarpField& f) {
  for (size_t i = 0; i < f.dx().size(); ++i)
    if (f.dx()[i] != 0 || f.dy()[i] != 0) return false;
  return true;
}

// White with a black column at x = 50.
PixelCanvas lineCanvas() {
  PixelCanvas canvas = testing::flatCanvas(100, 64, 255, 255, 255);
  for (int64_t y = 0; y < 64; ++y) {
    uint8_t* p = canvas.data().data() + (y * 100 + 50) * 4;
    p[0] = p[1] = p[2] = 0;
  }
  return canvas;
}

TEST(WarpField, PushDragsThePictureAlong) {
  PixelCanvas canvas = lineCanvas();
  WarpField field(canvas);
  const RectD r = field.push({50, 32}, {60, 32}, kWarp);
  EXPECT_EQ(r, (RectD{28, 10, 54, 44}));
  EXPECT_EQ(fieldX(field, 15, 8), -10.0f);  // the node under the brush centre
  EXPECT_FLOAT_EQ(fieldX(field, 13, 8), -10 * 0.648f);
  EXPECT_EQ(fieldX(field, 10, 8), 0.0f);  // 20 pixels away: on the rim
  EXPECT_EQ(field.dy()[size_t(8 * field.cols() + 15)], 0.0f);

  field.resample(canvas, r);
  EXPECT_EQ(rgba(canvas, 60, 32), kBlack);
  EXPECT_EQ(rgba(canvas, 50, 32), kWhite);
  EXPECT_EQ(rgba(canvas, 50, 2), kBlack) << "outside the brush the line stays";

  const std::pair<float, float> atNode = field.desplazamiento(52, 32);
  EXPECT_EQ(atNode.first, fieldX(field, 13, 8));
  const float between = field.desplazamiento(50, 32).first;
  EXPECT_FLOAT_EQ(between, 0.5f * (fieldX(field, 12, 8) + fieldX(field, 13, 8)));
}

TEST(WarpField, MovesThatCannotBeMadeChangeNothing) {
  const PixelCanvas canvas = lineCanvas();
  WarpField field(canvas);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(field.push({30, 30}, {30, 30}, kWarp), RectD{});
  EXPECT_EQ(field.push({30, 30}, {nan, 30}, kWarp), RectD{});
  EXPECT_EQ(field.push({-inf, 30}, {30, 30}, kWarp), RectD{});
  EXPECT_EQ(field.push({0, 0}, {1e300, 0}, kWarp), RectD{}) << "a move past float range";
  EXPECT_EQ(field.pinch({30, 30}, Brush{1, 0, 1}, 0.9f, true), RectD{});
  EXPECT_EQ(field.pinch({30, 30}, Brush{0.5, 0, 1}, 0.9f, true), RectD{});
  EXPECT_EQ(field.pinch({30, 30}, kWarp, 0.0f, true), RectD{});
  EXPECT_EQ(field.pinch({30, 30}, Brush{inf, 0, 1}, 0.9f, true), RectD{});
  EXPECT_EQ(field.pinch({30, 30}, kWarp, std::numeric_limits<float>::quiet_NaN(), true), RectD{});
  EXPECT_EQ(field.pinch({-500, -500}, kWarp, 0.9f, true), RectD{});
  EXPECT_TRUE(allZero(field));
}

TEST(WarpField, PinchPullsTowardTheCentreAndBulgeIsItsMirror) {
  // A horizontal ramp: each pixel's red is its column.
  PixelCanvas ramp = *PixelCanvas::create(80, 80);
  for (int64_t y = 0; y < 80; ++y)
    for (int64_t x = 0; x < 80; ++x) {
      uint8_t* p = ramp.data().data() + (y * 80 + x) * 4;
      p[0] = static_cast<uint8_t>(x * 3);
      p[3] = 255;
    }
  WarpField pinch(ramp), bulge(ramp);
  EXPECT_EQ(pinch.pinch({40, 40}, kWarp, 0.9f, true), (RectD{18, 18, 44, 44}));
  bulge.pinch({40, 40}, kWarp, 0.9f, false);
  EXPECT_EQ(fieldX(pinch, 10, 10), 0.0f) << "the node at the centre never moves";
  EXPECT_FLOAT_EQ(fieldX(pinch, 11, 10), 0.9f * 0.896f * 0.4f);
  for (size_t i = 0; i < pinch.dx().size(); ++i) {
    ASSERT_EQ(pinch.dx()[i], -bulge.dx()[i]);
    ASSERT_EQ(pinch.dy()[i], -bulge.dy()[i]);
  }
  // Held for a second: thirty ticks, the effect keeps growing.
  for (int tick = 1; tick < 30; ++tick) pinch.pinch({40, 40}, kWarp, 0.9f, true);
  EXPECT_NEAR(fieldX(pinch, 11, 10), 30 * 0.9f * 0.896f * 0.4f, 1e-4);

  PixelCanvas out = ramp;
  pinch.resample(out, {18, 18, 44, 44});
  // Right of the centre the picture shows content from farther right, left of it from farther
  // left: it contracts toward the centre.
  EXPECT_GT(rgba(out, 48, 40)[0], 48 * 3);
  EXPECT_LT(rgba(out, 32, 40)[0], 32 * 3);
  EXPECT_EQ(rgba(out, 40, 40), rgba(ramp, 40, 40));
  // A centre within half a pixel of a node leaves that node alone.
  WarpField near(ramp);
  near.pinch({40.3, 40.2}, kWarp, 0.9f, true);
  EXPECT_EQ(fieldX(near, 10, 10), 0.0f);
}

TEST(WarpField, SamplesBeyondTheBordersRepeatTheEdge) {
  PixelCanvas canvas = testing::flatCanvas(64, 48, 255, 255, 255);
  for (int64_t y = 0; y < 48; ++y) {
    uint8_t* p = canvas.data().data() + y * 64 * 4;
    p[1] = p[2] = 0;
  }
  WarpField field(canvas);
  const RectD r = field.push({2, 24}, {12, 24}, Brush{16, 0, 1});
  field.resample(canvas, r);
  for (int64_t x = 0; x <= 8; ++x)
    EXPECT_EQ(rgba(canvas, x, 24), (std::vector<uint8_t>{255, 0, 0, 255})) << x;
  EXPECT_EQ(rgba(canvas, 12, 24), kWhite);

  const std::vector<uint8_t> corner = rgba(canvas, 63, 47);
  uint8_t sample[4];
  field.muestrear(std::numeric_limits<float>::quiet_NaN(), 3, sample);
  EXPECT_EQ(sample[0], 255);
  EXPECT_EQ(sample[1], 0);
  field.muestrear(1e30f, 1e30f, sample);
  EXPECT_EQ(std::vector<uint8_t>(sample, sample + 4), corner);
}

TEST(WarpField, TinyAndHugeRadii) {
  const PixelCanvas start = testing::noiseCanvas(64, 48, 21);
  PixelCanvas canvas = start;
  WarpField tiny(canvas);
  const RectD r = tiny.push({20, 20}, {20.1, 20}, Brush{0.3, 0, 1});
  EXPECT_LT(fieldX(tiny, 5, 5), 0.0f);
  EXPECT_GT(fieldX(tiny, 5, 5), -0.1f);
  tiny.resample(canvas, r);
  EXPECT_EQ(testing::changedOutside(start, canvas, 17, 17, 23, 23), 0);

  // A brush far larger than the picture moves all of it by the drag.
  canvas = start;
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

TEST(WarpField, ResampleLeavesForeignCanvasesAndEmptyAreasAlone) {
  const PixelCanvas start = testing::noiseCanvas(40, 40, 41, false);
  PixelCanvas canvas = start;
  WarpField field(canvas);
  field.push({10, 10}, {20, 20}, kWarp);
  field.resample(canvas, RectD{});
  field.resample(canvas, RectD{5, 5, 0, 10});
  field.resample(canvas, RectD{std::nan(""), 0, 10, 10});
  EXPECT_TRUE(testing::sameBytes(canvas, start));
  PixelCanvas other = testing::noiseCanvas(41, 40, 42);
  const PixelCanvas otherStart = other;
  field.resample(other, {0, 0, 41, 40});
  EXPECT_TRUE(testing::sameBytes(other, otherStart));
}

}  // namespace
}  // namespace corvalin::retouch
