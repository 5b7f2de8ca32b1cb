// Dust removal: which dark blobs count as specks, what is left alone as text, and the specks
// actually gone after removal.
#include <gtest/gtest.h>

#include <limits>

#include "inpaint_test_support.h"
#include "retouch/spot_cleaner.h"

namespace corvalin::retouch {
namespace {

using testing::rectMask;

constexpr int64_t kW = 120;
constexpr int64_t kH = 90;

void darken(PixelCanvas& canvas, int64_t x0, int64_t y0, int64_t w, int64_t h, int by) {
  for (int64_t y = y0; y < y0 + h; ++y) {
    for (int64_t x = x0; x < x0 + w; ++x) {
      uint8_t* p = canvas.data().data() + (y * canvas.width() + x) * 4;
      for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(std::max(0, p[k] - by));
    }
  }
}

PixelCanvas light() {
  return testing::flatCanvas(kW, kH, 200, 200, 200);
}
const PixelMask& swept() {
  static const PixelMask mask = rectMask(kW, kH, 4, 4, kW - 8, kH - 8);
  return mask;
}

TEST(SpotCleaner, DarkDotIsOneSpotGrownByOnePixel) {
  PixelCanvas canvas = light();
  darken(canvas, 30, 40, 3, 3, 100);
  const auto spots = SpotCleaner::spots(canvas, swept(), 4, 0.6);
  ASSERT_EQ(spots.size(), 1u);
  EXPECT_EQ((std::vector{spots[0].minX, spots[0].minY, spots[0].maxX, spots[0].maxY}),
            (std::vector<int64_t>{29, 39, 33, 43}));
  EXPECT_EQ(spots[0].pixels.size(), 25u);
  // Inside the swept box but not under the brush: not looked at.
  PixelMask elsewhere = rectMask(kW, kH, 10, 10, 1, 1);
  elsewhere.set(60, 60);
  EXPECT_TRUE(SpotCleaner::spots(canvas, elsewhere, 4, 0.6).empty());
}

TEST(SpotCleaner, SensitivitySetsHowFaintASpeckMayBe) {
  EXPECT_EQ(SpotCleaner::threshold(std::numeric_limits<double>::quiet_NaN()), 60);
  PixelCanvas faint = light();
  darken(faint, 30, 40, 3, 3, 20);
  EXPECT_TRUE(SpotCleaner::spots(faint, swept(), 4, 0.6).empty());
  EXPECT_EQ(SpotCleaner::spots(faint, swept(), 4, 1).size(), 1u);
}

TEST(SpotCleaner, LinesAndBigBlobsAreNotSpecks) {
  PixelCanvas canvas = light();
  darken(canvas, 10, 10, 12, 2, 120);   // longer than 2r + 1
  darken(canvas, 10, 30, 8, 1, 120);    // fits, but more than 4 : 1
  darken(canvas, 10, 50, 10, 10, 120);  // bigger than 2r + 1
  darken(canvas, 60, 60, 8, 2, 120);    // 4 : 1 exactly: a speck
  const auto spots = SpotCleaner::spots(canvas, swept(), 4, 0.6);
  ASSERT_EQ(spots.size(), 1u);
  EXPECT_EQ(std::pair(spots[0].minX, spots[0].minY), (std::pair<int64_t, int64_t>(59, 59)));
}

TEST(SpotCleaner, RowsOfThreeAndDotsOnTallerMarksLookLikeText) {
  PixelCanvas pair = light();
  darken(pair, 30, 40, 3, 3, 100);
  darken(pair, 38, 40, 3, 3, 100);
  EXPECT_EQ(SpotCleaner::spots(pair, swept(), 4, 0.6).size(), 2u);  // one row-mate each

  PixelCanvas row = pair;
  darken(row, 46, 41, 3, 3, 100);
  EXPECT_TRUE(SpotCleaner::spots(row, swept(), 4, 0.6).empty());

  // The dot of an "i": a dot above a thin stroke at least half as tall again.
  PixelCanvas i = light();
  darken(i, 40, 30, 2, 2, 120);
  darken(i, 40, 34, 2, 10, 120);
  EXPECT_TRUE(SpotCleaner::spots(i, swept(), 4, 0.6).empty());
}

// Text with specks strewn below it, on plain and on textured paper: every speck is found and
// removed, and nothing of the text (the dots of its i's, its periods and commas) is taken for one.
TEST(SpotCleaner, SpecksAmongTextAreRemovedAndTheTextIsLeft) {
  const PixelCanvas texture = testing::photoTexture(320, 160, 31);
  // The foliage texture toned down to paper: pale, with a fifth of its contrast.
  const testing::ColourAt textured = [&](int64_t x, int64_t y, uint8_t* p) {
    const uint8_t* t = testing::pixel(texture, x, y);
    for (int k = 0; k < 3; ++k) p[k] = testing::clampByte(215 + (double(t[1]) - 120) * 0.2);
  };
  const std::vector<std::string> words = {"Mini iris in Hawaii. It is fine, ok.",
                                          "Lorem ipsum dolor sit amet. Fin."};
  const int64_t specks[][3] = {{30, 90, 3},   {92, 121, 2}, {150, 84, 4}, {212, 140, 3},
                               {270, 103, 2}, {58, 146, 3}, {243, 76, 2}, {300, 150, 3}};
  for (const auto& [under, tolerance] : {std::pair<testing::ColourAt, int>{nullptr, 6},
                                         std::pair<testing::ColourAt, int>{textured, 14}}) {
    SCOPED_TRACE(under ? "textured paper" : "plain paper");
    const PixelCanvas clean = testing::textPicture(320, 160, words, 16, under);
    PixelCanvas dusty = clean;
    for (const auto& [x, y, size] : specks) darken(dusty, x, y, size, size, 110);
    const auto spots = SpotCleaner::spots(dusty, rectMask(320, 160, 0, 0, 320, 160), 4, 0.6);
    ASSERT_EQ(spots.size(), std::size(specks));
    for (const auto& [x, y, size] : specks) {
      EXPECT_TRUE(std::any_of(spots.begin(), spots.end(),
                              [&](const auto& spot) {
                                return spot.minX <= x && spot.minY <= y &&
                                       spot.maxX >= x + size - 1 && spot.maxY >= y + size - 1;
                              }))
          << x << "," << y;
    }
    PixelCanvas canvas = dusty;
    EXPECT_EQ(SpotCleaner::remove(canvas, spots), static_cast<int64_t>(std::size(specks)));
    PixelMask spotPixels(320, 160);
    for (const auto& spot : spots) {
      for (const int64_t p : spot.pixels) spotPixels.set(p % 320, p / 320);
    }
    EXPECT_TRUE(testing::onlyMaskChangedAndOpaque(dusty, canvas, spotPixels));
    const testing::FillError e = testing::fillError(clean, canvas, spotPixels, tolerance);
    EXPECT_GT(e.within, 0.95) << "rms " << e.rms;
  }
}

}  // namespace
}  // namespace corvalin::retouch
