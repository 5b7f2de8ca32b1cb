// Automatic enhancement on the pictures that tell its parts apart: flat, dark, washed out,
// colour-cast and already good.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "retouch/auto_enhance.h"
#include "retouch_test_support.h"

namespace corvalin::retouch {
namespace {

using testing::paintedCanvas;
using testing::rgba;

double meanLuma(const PixelCanvas& c) {
  double sum = 0;
  for (size_t i = 0; i < c.data().size(); i += 4)
    sum += 0.2126 * c.data()[i] + 0.7152 * c.data()[i + 1] + 0.0722 * c.data()[i + 2];
  return sum / double(c.width() * c.height());
}

// Greys drawn from `lo` … `hi` with a little colour noise around them.
PixelCanvas greys(int64_t w, int64_t h, int lo, int hi, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> level(lo, hi), tint(-3, 3);
  return paintedCanvas(w, h, [&](int64_t, int64_t, uint8_t* p) {
    const int v = level(rng);
    for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::clamp(v + tint(rng), 0, 255));
  });
}

TEST(AutoEnhance, FlatGreyFallsBackToFullLevelsAndStaysGrey) {
  PixelCanvas canvas = testing::flatCanvas(64, 64, 128, 128, 128);
  const AutoEnhance::Report report = AutoEnhance::apply(canvas);
  EXPECT_NEAR(report.luz, -0.16095035424354248, 1e-12);
  EXPECT_NEAR(report.contraste, 10, 1e-9);
  EXPECT_NEAR(report.color, 18, 1e-9);
  EXPECT_EQ(report.summary(), "Mejorada — luz -0.2 EV, contraste +10 %, color +18 %");
  // The median lands on 118; the colour mix has nothing to spread in a grey.
  for (int64_t y = 0; y < 64; y += 7)
    for (int64_t x = 0; x < 64; x += 7)
      ASSERT_EQ(rgba(canvas, x, y), (std::vector<uint8_t>{118, 118, 118, 255}));
}

TEST(AutoEnhance, TooLittleToAnalyseLeavesThePictureAlone) {
  PixelCanvas sixteen = testing::noiseCanvas(4, 4, 1);
  const PixelCanvas before = sixteen;
  EXPECT_FALSE(AutoEnhance::analyse(sixteen));
  EXPECT_EQ(AutoEnhance::apply(sixteen), AutoEnhance::Report{});
  EXPECT_TRUE(testing::sameBytes(sixteen, before));
  EXPECT_TRUE(AutoEnhance::analyse(testing::noiseCanvas(17, 1, 1)));
}

TEST(AutoEnhance, TransparentMarginsDoNotCountAsBlack) {
  PixelCanvas framed = *PixelCanvas::create(100, 100);
  PixelCanvas plain = greys(60, 60, 60, 200, 3);
  for (int64_t y = 0; y < 60; ++y)
    std::copy_n(plain.data().data() + y * 60 * 4, 60 * 4,
                framed.data().data() + ((y + 20) * 100 + 20) * 4);
  const AutoEnhance::Report a = AutoEnhance::apply(framed);
  const AutoEnhance::Report b = AutoEnhance::apply(plain);
  EXPECT_EQ(a, b);
  EXPECT_EQ(rgba(framed, 5, 5), (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(rgba(framed, 20, 20), rgba(plain, 0, 0));
}

TEST(AutoEnhance, DarkPictureIsLiftedAndBrightened) {
  // Mostly shadows with a few highlights: the full range is used, the median sits near 32.
  std::mt19937 rng(4);
  std::uniform_real_distribution<double> u(0, 1);
  PixelCanvas canvas = paintedCanvas(200, 150, [&](int64_t, int64_t, uint8_t* p) {
    p[0] = p[1] = p[2] = uint8_t(255 * std::pow(u(rng), 3));
  });
  const double before = meanLuma(canvas);
  const AutoEnhance::Report report = AutoEnhance::apply(canvas);
  EXPECT_NEAR(report.luz, -std::log2(0.72), 1e-12) << "the gamma is clamped at 0.72";
  EXPECT_NEAR(report.sombras, 35, 1e-9) << "over a third of the samples are below 13: capped";
  EXPECT_GT(meanLuma(canvas), before + 30);
}

TEST(AutoEnhance, WashedOutPictureIsStretchedToFullRange) {
  PixelCanvas canvas = greys(200, 150, 150, 200, 5);
  AutoEnhance::apply(canvas);
  std::vector<uint8_t> green;
  for (size_t i = 1; i < canvas.data().size(); i += 4) green.push_back(canvas.data()[i]);
  EXPECT_LE(*std::min_element(green.begin(), green.end()), 3);
  EXPECT_GE(*std::max_element(green.begin(), green.end()), 252);
}

TEST(AutoEnhance, ColourCastInTheHighlightsIsBalanced) {
  // Neutral overall means; the brightest tenth is blue, the rest slightly warm to compensate.
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 3000; ++i) {
    if (i % 10 == 0) {
      bytes.insert(bytes.end(), {200, 205, 230, 255});
    } else {
      const int v = 40 + (i * 7) % 120;
      const int r = v + (i % 3 == 0 ? 4 : 3), g = v + (i % 9 < 7 ? 3 : 2);
      bytes.insert(bytes.end(), {uint8_t(r), uint8_t(g), uint8_t(v), 255});
    }
  }
  const PixelCanvas canvas = *PixelCanvas::fromRgba(60, 50, std::move(bytes));
  const auto plan = AutoEnhance::analyse(canvas);
  ASSERT_TRUE(plan);
  EXPECT_GT(plan->gain[0], 1.0);
  EXPECT_LT(plan->gain[2], 1.0);
  for (double g : plan->gain) EXPECT_TRUE(g >= 0.88 && g <= 1.12) << g;
  EXPECT_GE(plan->report.blancos, 1);
}

TEST(AutoEnhance, GoodPictureOnlyGetsTheStandingCurve) {
  // Lumas from 13 to 254 with the median where the gamma leaves it, colourful, no cast.
  const int64_t w = 300, h = 200, n = w * h;
  PixelCanvas canvas = paintedCanvas(w, h, [&](int64_t x, int64_t y, uint8_t* p) {
    const int64_t i = y * w + x;
    const double u = (double(i) + 0.5) / double(n);
    const double l = 13 + 241 * std::pow(u, 1.1117);
    const double hue = std::fmod(double(i) * 0.6180339887, 1.0) * 2 * M_PI;
    const double chroma = 0.35 * std::min(l - 13, 255 - l);
    const double rgb[3] = {l + chroma * std::cos(hue), l + chroma * std::cos(hue - 2.0944),
                           l + chroma * std::cos(hue + 2.0944)};
    for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::clamp(std::lround(rgb[c]), 0L, 255L));
  });
  const PixelCanvas before = canvas;
  const AutoEnhance::Report report = AutoEnhance::apply(canvas);
  const std::vector<AutoEnhance::Report::Item> items = report.items();
  ASSERT_EQ(items.size(), 1u) << report.summary();
  EXPECT_LT(report.contraste, 12);
  // The black point moves from 13 to 0 and the curve bends a little; nothing more.
  int worst = 0;
  double total = 0;
  for (size_t i = 0; i < canvas.data().size(); ++i) {
    const int change = std::abs(int(canvas.data()[i]) - int(before.data()[i]));
    worst = std::max(worst, change);
    total += change;
  }
  EXPECT_LE(worst, 16);
  EXPECT_LT(total / double(canvas.data().size()), 6);
}

TEST(AutoEnhance, LargePicturesAreSampled) {
  EXPECT_EQ(AutoEnhance::samplingStride(399999), 1);

  // 500 000 pixels: every second one is analysed, so the others may hold anything.
  PixelCanvas a = greys(1000, 500, 30, 220, 6);
  PixelCanvas b = a;
  std::mt19937 rng(8);
  for (size_t i = 4; i < b.data().size(); i += 8)
    for (int c = 0; c < 3; ++c) b.data()[i + c] = uint8_t(rng());
  const auto pa = AutoEnhance::analyse(a), pb = AutoEnhance::analyse(b);
  ASSERT_TRUE(pa && pb);
  EXPECT_EQ(pa->report, pb->report);
  EXPECT_EQ(pa->tables, pb->tables);
}

}  // namespace
}  // namespace corvalin::retouch
