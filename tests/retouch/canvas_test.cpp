// The brush curve, the scan rectangle, the clone stamp and the stroke mask.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "retouch/brush.h"
#include "retouch/dab_kernel.h"
#include "retouch/pixel_mask.h"
#include "retouch_test_support.h"

namespace corvalin::retouch {
namespace {

using testing::changedOutside;
using testing::noiseCanvas;
using testing::rgba;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(BrushCoverage, HardCoreSmoothRimAndClampedHardness) {
  const Brush brush{10, 0.5, 1};
  EXPECT_EQ(brushCoverage(5, brush), 1);
  EXPECT_DOUBLE_EQ(brushCoverage(7.5, brush), 0.5);  // t = 0.5 is the smoothstep's middle
  EXPECT_EQ(brushCoverage(10, brush), 0);
  // Above 0.96 the core stops growing, so even a "hard" brush keeps a soft rim.
  EXPECT_EQ(brushCoverage(9.6, Brush{10, 5, 1}), 1);
  EXPECT_LT(brushCoverage(9.7, Brush{10, 5, 1}), 1);
}

// The dab loops compute hypot inline so that they vectorise; any difference from the C
// library's would move coverage off its definition.
TEST(BrushCoverage, InlineDistanceIsTheLibrarysHypot) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> centre(-4000, 4000), ratio(-60, 0);
  for (int i = 0; i < 200000; ++i) {
    const double cx = centre(rng), cy = centre(rng);
    const double a = std::floor(cx) + 0.5 - cx + double(rng() % 700) - 350;
    const double b = std::floor(cy) + 0.5 - cy + double(rng() % 700) - 350;
    ASSERT_EQ(detail::hypotInline(a, b), std::hypot(a, b)) << a << ", " << b;
    const double c = a * std::ldexp(1.0, int(ratio(rng)));  // very unequal sides
    ASSERT_EQ(detail::hypotInline(a, c), std::hypot(a, c)) << a << ", " << c;
  }
  // A centre so far away that the squares overflow is measured by the library instead.
  const detail::DabShape far(-1e300, 0.5, Brush{1e301, 0.5, 1});
  double d[4];
  far.distanceRow(0, 0, 4, d);
  EXPECT_EQ(d[3], std::hypot(3.5 + 1e300, 0.0));
}

TEST(ScanRect, TruncatesTowardZeroAndClipsToTheImage) {
  EXPECT_EQ(scanRect(-3, -3, 5, 100, 100).rect(), (PixelRect{0, 0, 4, 4}));
  EXPECT_EQ(scanRect(97.5, 50.2, 5, 100, 60).rect(), (PixelRect{92, 45, 8, 12}));
  // Bad coordinates never overflow the conversion: empty, or the whole picture.
  EXPECT_TRUE(scanRect(kNaN, 5, 5, 100, 100).isEmpty());
  EXPECT_EQ(scanRect(5, 5, kInf, 100, 80).rect(), (PixelRect{0, 0, 100, 80}));
}

// The clone dab computed straight from its definition, pixel by pixel, without the fast paths
// and chunking of the engine.
PixelCanvas stampByDefinition(PixelCanvas canvas, const std::vector<uint8_t>& from, int64_t dx,
                              int64_t dy, double cx, double cy, const Brush& brush) {
  const int64_t w = canvas.width(), h = canvas.height();
  const ScanRect s = scanRect(cx, cy, brush.radius, w, h);
  for (int64_t y = s.firstY; y <= s.lastY; ++y) {
    for (int64_t x = s.firstX; x <= s.lastX; ++x) {
      if (brush.radius <= 0) continue;
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      const double o = std::clamp(brush.opacity, 0.0, 1.0);
      const double wgt = brushCoverage(d, brush) * o;
      if (!(wgt > 0.002)) continue;
      const int64_t sx = x + dx, sy = y + dy;
      if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
      uint8_t* p = canvas.data().data() + (y * w + x) * 4;
      const uint8_t* q = from.data() + (sy * w + sx) * 4;
      for (int c = 0; c < 3; ++c) {
        const float v = std::round((float(q[c]) - float(p[c])) * float(wgt) + float(p[c]));
        p[c] = static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f));
      }
      p[3] = 255;
    }
  }
  return canvas;
}

TEST(Stamp, MatchesItsDefinitionAndTouchesOnlyItsScanRectangle) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> pos(-20, 140), radius(0.3, 45), unit(0, 1);
  for (int round = 0; round < 60; ++round) {
    PixelCanvas canvas = noiseCanvas(120, 90, 100 + round, round % 2 == 0);
    const std::vector<uint8_t> from = canvas.snapshot();
    const Brush brush{radius(rng), unit(rng), unit(rng) * 1.2};
    const double cx = pos(rng), cy = pos(rng);
    const int64_t dx = int64_t(rng() % 61) - 30, dy = int64_t(rng() % 61) - 30;
    const PixelCanvas expected = stampByDefinition(canvas, from, dx, dy, cx, cy, brush);
    const PixelCanvas before = canvas;
    const PixelRect r = canvas.stamp(from, dx, dy, cx, cy, brush);
    ASSERT_TRUE(testing::sameBytes(canvas, expected)) << "round " << round;
    EXPECT_EQ(r, scanRect(cx, cy, brush.radius, 120, 90).rect());
    EXPECT_EQ(changedOutside(before, canvas, r.x, r.y, r.x + r.width - 1, r.y + r.height - 1), 0);
  }
}

TEST(Stamp, DabsAtAndBeyondTheEdges) {
  PixelCanvas canvas = noiseCanvas(40, 30, 3);
  const std::vector<uint8_t> from = noiseCanvas(40, 30, 4).snapshot();
  const PixelCanvas before = canvas;
  // Only pixel (0, 0) lies inside the disc, 4.95 from its centre: in a hard brush's rim.
  EXPECT_EQ(canvas.stamp(from, 0, 0, -3, -3, Brush{5, 0.96, 1}), (PixelRect{0, 0, 4, 4}));
  EXPECT_NE(rgba(canvas, 0, 0), rgba(before, 0, 0));
  EXPECT_EQ(changedOutside(before, canvas, 0, 0, 3, 3), 0);

  canvas = before;
  // Sources off the canvas leave their destinations alone, whatever the offset's size.
  const int64_t huge = std::numeric_limits<int64_t>::max();
  EXPECT_FALSE(canvas.stamp(from, huge, 0, 20, 15, Brush{8, 0.55, 1}).isEmpty());
  canvas.stamp(from, -huge, -huge, 20, 15, Brush{8, 0.55, 1});
  // A source of the wrong size would be read out of bounds: nothing happens.
  const std::vector<uint8_t> small(16, 9);
  EXPECT_EQ(canvas.stamp(small, 0, 0, 20, 15, Brush{8, 0.55, 1}), PixelRect{});
  EXPECT_TRUE(testing::sameBytes(canvas, before));
}

TEST(PixelCanvas, RefusesSizesItCannotHold) {
  EXPECT_FALSE(PixelCanvas::create(10, -1));
  EXPECT_FALSE(PixelCanvas::create(std::numeric_limits<int64_t>::max(), 2));
  EXPECT_FALSE(PixelCanvas::create(int64_t{1} << 31, int64_t{1} << 31));
  EXPECT_FALSE(PixelCanvas::fromRgba(2, 2, std::vector<uint8_t>(15)));
  EXPECT_EQ(PixelCanvas::create(3, 2)->data().size(), 24u);
}

// Which bits a set of dabs must set, straight from the rule: centre strictly inside.
std::vector<uint8_t> bitsByDefinition(int64_t w, int64_t h,
                                      const std::vector<std::pair<PointD, double>>& dabs) {
  std::vector<uint8_t> bits(static_cast<size_t>(w * h), 0);
  for (const auto& [c, r] : dabs) {
    const ScanRect s = scanRect(c.x, c.y, r, w, h);
    for (int64_t y = s.firstY; y <= s.lastY; ++y)
      for (int64_t x = s.firstX; x <= s.lastX; ++x)
        if (std::hypot(x + 0.5 - c.x, y + 0.5 - c.y) < r) bits[size_t(y * w + x)] = 1;
  }
  return bits;
}

TEST(PixelMask, BitsFollowTheRimAndTheBoxFollowsTheScanRectangles) {
  PixelMask mask(64, 48);
  EXPECT_TRUE(mask.isEmpty());
  mask.paint(10.5, 10.5, Brush{0.5, 0.55, 1});
  EXPECT_TRUE(mask.bit(10, 10));
  EXPECT_EQ(std::count(mask.bits().begin(), mask.bits().end(), 1), 1);
  // One bit set, but the box is the whole scan rectangle.
  EXPECT_EQ(mask.box(), (PixelRect{10, 10, 3, 3}));

  // Neighbours exactly one radius away are on the rim and stay unset, whatever the hardness.
  PixelMask rim(64, 48);
  rim.paint(20.5, 20.5, Brush{1, 0.96, 1});
  EXPECT_EQ(std::count(rim.bits().begin(), rim.bits().end(), 1), 1);

  std::mt19937 rng(11);
  std::uniform_real_distribution<double> pos(-15, 75), radius(0.2, 20);
  std::vector<std::pair<PointD, double>> dabs;
  PixelMask soft(64, 48), hard(64, 48);
  PixelRect box;
  for (int i = 0; i < 80; ++i) {
    const PointD c{pos(rng), pos(rng)};
    const double r = radius(rng);
    dabs.push_back({c, r});
    soft.paint(c.x, c.y, Brush{r, 0, 1});
    hard.paint(c.x, c.y, Brush{r, 0.96, 1});
    box = box.united(scanRect(c.x, c.y, r, 64, 48).rect());
  }
  const std::vector<uint8_t> expected = bitsByDefinition(64, 48, dabs);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), soft.bits().begin()));
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), hard.bits().begin()));
  EXPECT_EQ(soft.box(), box);
}

TEST(PixelMask, MissedDabsAndClear) {
  PixelMask mask(30, 20);
  mask.paint(-10, -10, Brush{5, 0.55, 1});
  mask.paint(kNaN, 3, Brush{5, 0.55, 1});
  EXPECT_TRUE(mask.isEmpty());
  mask.paint(29, 19, Brush{4, 0.55, 1});
  mask.paint(2, 2, Brush{3, 0.55, 1});
  EXPECT_EQ(mask.box(), (PixelRect{0, 0, 30, 20}));
  mask.clear();
  EXPECT_EQ(std::count(mask.bits().begin(), mask.bits().end(), 1), 0);
  mask.paint(15, 10, Brush{2, 0.55, 1});
  EXPECT_EQ(mask.box(), (PixelRect{13, 8, 6, 6}));

  PixelMask huge(5, 5);
  huge.paint(2, 2, Brush{1e300, 0.55, 1});
  EXPECT_EQ(std::count(huge.bits().begin(), huge.bits().end(), 1), 25);
}

}  // namespace
}  // namespace corvalin::retouch
