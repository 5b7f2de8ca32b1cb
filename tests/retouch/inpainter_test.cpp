// Erase and fill: the cases where nothing may happen, and fills judged against the
// picture they erased. Interfaces and text are judged in the documents suite, the exact bytes
// (and with them determinism) in the bytes suite.
#include <gtest/gtest.h>

#include <QPainter>

#include "inpaint_test_support.h"
#include "retouch/inpainter.h"

namespace corvalin::retouch {
namespace {

using testing::FillError;
using testing::fillError;
using testing::meanGradient;
using testing::onlyMaskChangedAndOpaque;
using testing::rectMask;
using testing::sameBytes;

TEST(Inpainter, DoesNothingWhereThereIsNothingToDoOrNothingToCopyFrom) {
  const PixelCanvas original = testing::noiseCanvas(120, 90, 1);
  PixelCanvas canvas = original;
  EXPECT_FALSE(Inpainter::heal(canvas, PixelMask(120, 90)));
  // A crop under 14 pixels on a side.
  PixelCanvas strip = testing::noiseCanvas(200, 13, 2);
  const PixelCanvas stripBefore = strip;
  EXPECT_FALSE(Inpainter::heal(strip, rectMask(200, 13, 90, 4, 5, 5)));
  EXPECT_TRUE(sameBytes(strip, stripBefore));
  EXPECT_FALSE(Inpainter::heal(canvas, rectMask(60, 60, 10, 10, 5, 5)));  // another size
  // Everything painted: no surroundings to fill from, and the picture stays.
  EXPECT_FALSE(Inpainter::heal(canvas, rectMask(120, 90, 0, 0, 120, 90)));
  EXPECT_TRUE(sameBytes(canvas, original));
}

// Painting scattered over the whole crop leaves every coarse cell touching a painted pixel;
// the fill must still come from the colours around, not from black.
TEST(Inpainter, DensePaintingIsFilledFromItsSurroundings) {
  const PixelCanvas before = testing::flatCanvas(200, 160, 180, 190, 200);
  PixelMask mask(200, 160);
  for (int64_t y = 2; y < 158; y += 2) {
    for (int64_t x = 2; x < 198; x += 2) mask.set(x, y);
  }
  PixelCanvas canvas = testing::blackened(before, mask);
  Inpainter::heal(canvas, mask);
  const FillError e = fillError(before, canvas, mask, 3);
  EXPECT_GT(e.within, 0.99) << e.rms;
}

// A photograph-like texture cannot be rebuilt pixel for pixel, only continued. A flat fill at
// the truth's own mean would miss it by the texture's spread σ (about 20 here) and an unrelated
// patch of the same texture by about √2 σ; a fill that continues the surroundings' structure
// does better than σ, so 1.2 σ leaves room for the hole's content being partly unpredictable
// while a fill from the wrong place or a blur of the surroundings fails. The fill must keep the
// colour of its surroundings (the truth under a stroke may differ from them, so the ring is the
// reference) and be about as textured as they are.
TEST(InpainterQuality, PhotoTextureIsContinuedWithItsGrainAndColour) {
  const PixelCanvas truth = testing::photoTexture(320, 240, 21);
  for (const PixelMask& mask :
       {rectMask(320, 240, 120, 80, 60, 60), testing::strokeMask(320, 240, 40, 280, 170, 10)}) {
    PixelCanvas canvas = truth;
    EXPECT_TRUE(Inpainter::heal(canvas, mask));
    EXPECT_TRUE(onlyMaskChangedAndOpaque(truth, canvas, mask));
    const testing::Spread original = testing::spread(truth, mask);
    const PixelMask around = testing::ringAround(mask, 12);
    const testing::Spread ring = testing::spread(truth, around);
    const testing::Spread fill = testing::spread(canvas, mask);
    EXPECT_LT(fillError(truth, canvas, mask, 255).rms, 1.2 * original.sd[1]);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(fill.mean[k], ring.mean[k], 5) << k;
    const double ratio = meanGradient(canvas, mask) / meanGradient(canvas, around);
    EXPECT_GT(ratio, 0.8);
    EXPECT_LT(ratio, 1.25);
  }
}

// A slanted rule drawn antialiased, with a stamp over it: the rule runs on through the fill at
// its slant, its pixels shaded by how much of them it covers, as it is outside.
TEST(InpainterQuality, ASlantedRuleIsCarriedThroughWithItsAntialiasing) {
  auto draw = [](bool stamp) {
    QImage image(360, 240, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(250, 250, 250));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 90, 200), 3));
    p.drawLine(QPointF(20, 40), QPointF(340, 215));
    if (stamp) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(200, 30, 30));
      p.drawEllipse(QPointF(180, 128), 18, 12);
    }
    p.end();
    return *makeCanvas(image);
  };
  const PixelCanvas truth = draw(false);
  PixelCanvas canvas = draw(true);
  PixelMask mask(360, 240);
  mask.paint(180, 128, {24, 0.55, 1});
  const PixelCanvas stamped = canvas;
  EXPECT_TRUE(Inpainter::heal(canvas, mask));
  EXPECT_TRUE(onlyMaskChangedAndOpaque(stamped, canvas, mask));
  EXPECT_GT(fillError(truth, canvas, mask, 6).within, 0.95);
  EXPECT_GT(fillError(truth, canvas, mask, 24).within, 0.99);
}

// A caption that runs from the page into a photograph: the page part is the page again, the
// photograph part is texture from the photograph, never the page's white.
TEST(InpainterQuality, AStrokeFromThePageIntoAPhotoFillsEachFromItsOwnSide) {
  const PixelCanvas photo = testing::photoTexture(220, 160, 5);
  const PixelCanvas truth = testing::paintedCanvas(420, 200, [&](int64_t x, int64_t y, uint8_t* p) {
    const bool inPhoto = x >= 200 && y >= 20 && y < 180;
    const uint8_t* from = inPhoto ? testing::pixel(photo, x - 200, y - 20) : nullptr;
    for (int k = 0; k < 3; ++k) p[k] = inPhoto ? from[k] : 255;
  });
  const PixelMask stroke = testing::strokeMask(420, 200, 60, 330, 100, 12);
  const PixelCanvas painted = testing::blackened(truth, stroke);
  PixelCanvas canvas = painted;
  EXPECT_TRUE(Inpainter::heal(canvas, stroke));
  EXPECT_TRUE(onlyMaskChangedAndOpaque(painted, canvas, stroke));
  PixelMask page(420, 200), inPhoto(420, 200);
  for (int64_t y = 0; y < 200; ++y) {
    for (int64_t x = 0; x < 420; ++x) {
      if (!stroke.bit(x, y)) continue;
      if (x < 200) page.set(x, y);
      if (x >= 203) inPhoto.set(x, y);
    }
  }
  EXPECT_EQ(fillError(truth, canvas, page, 0).within, 1.0);
  const testing::Spread under = testing::spread(truth, inPhoto);
  const testing::Spread fill = testing::spread(canvas, inPhoto);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(fill.mean[k], under.mean[k], 8) << k;
  for (int64_t i = 0; i < 420 * 200; ++i) {
    if (inPhoto.bits()[i]) {
      EXPECT_LT(canvas.data()[i * 4 + 1], 215) << i % 420 << "," << i / 420;
    }
  }
  const double ratio = meanGradient(canvas, inPhoto) / meanGradient(truth, inPhoto);
  EXPECT_GT(ratio, 0.75);
  EXPECT_LT(ratio, 1.3);
}

}  // namespace
}  // namespace corvalin::retouch
