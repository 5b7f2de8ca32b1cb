#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

#include "editor/image_filters.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

using testing::filled;

TEST(Pixelate, BlocksAreOneColourOnAGridCentredAndEdgeBlocksAverageWhatIsThere) {
  // Scale 10 on 24 pixels centred at 12: lines at 2, 12 and 22, so both ends get a partial
  // block of 2 pixels.
  QImage src = filled(24, 1, Qt::black);
  for (int x = 0; x < 24; ++x) src.setPixel(x, 0, qRgb(x * 10, 0, 0));
  const QImage out = pixelate(src, 10, QPointF(12, 0.5));
  EXPECT_EQ(qRed(out.pixel(1, 0)), 5);                                     // mean of 0 and 10
  for (int x = 2; x < 12; ++x) EXPECT_EQ(qRed(out.pixel(x, 0)), 65) << x;  // mean of 20…110
  EXPECT_EQ(qRed(out.pixel(12, 0)), 165);
  EXPECT_EQ(qRed(out.pixel(22, 0)), 225);
}

TEST(GaussianBlur, AStepBecomesTheGaussianRamp) {
  for (double radius : {6.0, 12.0, 40.0}) {
    const int w = 600, edge = 300;
    QImage src = filled(w, 8, Qt::white);
    QPainter(&src).fillRect(0, 0, edge, 8, Qt::black);  // black left of the edge
    const QImage out = gaussianBlur(src, radius);
    int previous = -1;
    for (int x = 0; x < w; ++x) {
      const int v = qRed(out.pixel(x, 4));
      ASSERT_GE(v, previous) << "ramp goes back at " << x << " radius " << radius;
      previous = v;
    }
    // At one standard deviation from the step the ramp has reached Φ(1) ≈ 84 %.
    const int k = static_cast<int>(std::lround(radius));
    const double above = qRed(out.pixel(edge + k, 4)) / 255.0;
    const double below = qRed(out.pixel(edge - 1 - k, 4)) / 255.0;
    EXPECT_NEAR(above, 0.84, 0.04) << radius;
    EXPECT_NEAR(below, 0.16, 0.04) << radius;
    // Beyond its edges the picture repeats them: the far ends stay pure black and opaque white,
    // where zero padding would darken or thin them.
    EXPECT_EQ(out.pixel(0, 7), qRgb(0, 0, 0)) << radius;
    EXPECT_EQ(out.pixel(w - 1, 0), qRgb(255, 255, 255)) << radius;
  }
}

TEST(GaussianBlur, PremultipliedAlphaStaysConsistent) {
  QImage src = filled(120, 60, Qt::transparent);
  QPainter(&src).fillRect(40, 20, 40, 20, QColor(255, 0, 0, 200));
  const QImage out = gaussianBlur(src, 8);
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 120; ++x) {
      const QRgb p = out.pixel(x, y);  // premultiplied, as stored
      EXPECT_EQ(qRed(p), qAlpha(p));   // still pure red wherever it reaches
      EXPECT_EQ(qGreen(p), 0);
    }
  }
  EXPECT_EQ(qAlpha(out.pixel(0, 0)), 0);
  EXPECT_GT(qAlpha(out.pixel(60, 30)), 150);
}

}  // namespace
}  // namespace corvalin
