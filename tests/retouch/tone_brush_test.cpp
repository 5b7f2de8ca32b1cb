// Dodge and burn: the amount laid down, its ceiling, and the tonal ranges.
#include <gtest/gtest.h>

#include <cmath>

#include "retouch/tone_brush.h"
#include "retouch_test_support.h"

namespace corvalin::retouch {
namespace {

using testing::rgba;

// A core wider than the picture: every pixel is covered fully by one dab.
const Brush kEverywhere{1000, 0.96, 1};

// Columns of greys 0, 40, 128, 220 and 255, eight pixels each.
PixelCanvas greyStripes() {
  return testing::paintedCanvas(40, 4, [](int64_t x, int64_t, uint8_t* p) {
    const uint8_t greys[] = {0, 40, 128, 220, 255};
    p[0] = p[1] = p[2] = greys[x / 8];
  });
}

std::vector<int> stripeValues(const PixelCanvas& canvas) {
  std::vector<int> values;
  for (int64_t x = 4; x < 40; x += 8) values.push_back(rgba(canvas, x, 2)[0]);
  return values;
}

TEST(ToneBrush, OneFullDabPerRangeAndDirection) {
  struct Case {
    ToneRange range;
    bool lighten;
    std::vector<int> expected;  // for greys 0, 40, 128, 220, 255
  };
  // One full dab lays down 55: a = 0.55 × 55 ÷ 255, then weighted by exp(−z²).
  const Case cases[] = {
      {ToneRange::all, true, {30, 66, 143, 224, 255}},
      {ToneRange::all, false, {0, 35, 113, 194, 225}},
      {ToneRange::highlights, true, {0, 41, 136, 224, 255}},
      {ToneRange::highlights, false, {0, 40, 120, 194, 225}},
      {ToneRange::midtones, true, {1, 46, 143, 221, 255}},
      {ToneRange::midtones, false, {0, 39, 113, 215, 254}},
      {ToneRange::shadows, true, {30, 66, 135, 220, 255}},
      {ToneRange::shadows, false, {0, 35, 121, 220, 255}},
  };
  for (const Case& c : cases) {
    PixelCanvas canvas = greyStripes();
    ToneBrush brush(canvas, c.lighten, c.range);
    EXPECT_EQ(brush.dab(canvas, 20, 2, kEverywhere), (PixelRect{0, 0, 40, 4}));
    EXPECT_EQ(stripeValues(canvas), c.expected)
        << "range " << static_cast<int>(c.range) << (c.lighten ? " dodge" : " burn");
    EXPECT_EQ(rgba(canvas, 0, 0)[3], 255);
  }
}

TEST(ToneBrush, RepeatedDabsSaturateInsteadOfCompounding) {
  PixelCanvas white = testing::flatCanvas(8, 8, 255, 255, 255);
  ToneBrush burn(white, false, ToneRange::all);
  std::vector<std::vector<uint8_t>> after;
  for (int i = 0; i < 6; ++i) {
    burn.dab(white, 4, 4, kEverywhere);
    after.push_back(rgba(white, 3, 3));
  }
  // 255 × 0.45 = 114.75: the ceiling, reached on the fifth pass and never passed.
  EXPECT_EQ(after[4], (std::vector<uint8_t>{115, 115, 115, 255}));
  EXPECT_EQ(after[5], after[4]);
  for (int i = 1; i < 5; ++i) EXPECT_LT(after[i][0], after[i - 1][0]) << "pass " << i;
}

TEST(ToneBrush, DabsStayInsideTheirScanRectangleAndTheImage) {
  PixelCanvas canvas = testing::noiseCanvas(90, 70, 5, false);
  const PixelCanvas before = canvas;
  ToneBrush brush(canvas, true, ToneRange::midtones);
  EXPECT_EQ(brush.dab(canvas, std::nan(""), 4, Brush{10, 0.55, 1}), PixelRect{});
  EXPECT_TRUE(testing::sameBytes(canvas, before));

  const PixelRect r = brush.dab(canvas, 85.2, -2.7, Brush{12, 0.55, 1});
  EXPECT_EQ(r, (PixelRect{73, 0, 17, 11}));
  EXPECT_EQ(testing::changedOutside(before, canvas, 73, 0, 89, 10), 0);
  for (size_t i = 3; i < canvas.data().size(); i += 4)
    ASSERT_EQ(canvas.data()[i], before.data()[i]);

  // A canvas of another size than the snapshot is left alone.
  PixelCanvas other = testing::noiseCanvas(30, 30, 6);
  const PixelCanvas otherBefore = other;
  EXPECT_EQ(brush.dab(other, 15, 15, Brush{10, 0.55, 1}), PixelRect{});
  EXPECT_TRUE(testing::sameBytes(other, otherBefore));
}

}  // namespace
}  // namespace corvalin::retouch
