// Rendering, checked by probing the pixels that matter. Shapes are placed in image space (y up);
// probes read pixel rows (y down), so every probe also checks the mapping between the two. Then
// the filters on their own.
#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

#include "editor/annotation_renderer.h"
#include "editor/image_filters.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

using testing::colorDistance;
using testing::filled;

class Render : public ::testing::Test {
 protected:
  // In the default colour.
  Shape shape(ToolKind kind, QPointF a, QPointF b, double width = 4) const {
    return testing::shapeOf(kind, a, b, width);
  }
  QImage draw(const QImage& base, const std::vector<Shape>& shapes) const {
    return flatten(base, shapes, fonts);
  }
  bool near(QRgb a, QRgb b, int tolerance = 24) const { return colorDistance(a, b) <= tolerance; }

  const AnnotationFonts fonts;
};

TEST_F(Render, PixelateShowsTheMosaicOfTheBaseOnly) {
  QImage base(200, 100, QImage::Format_ARGB32_Premultiplied);
  for (int i = 0; i < 200 * 100; ++i)
    base.setPixel(i % 200, i / 200, qRgb(i % 200, i % 97, i % 251));
  Shape cover = shape(ToolKind::rect, {30, 20}, {110, 60}, 8);
  cover.color = Qt::green;
  const Shape mosaic = shape(ToolKind::pixelate, {20, 10}, {120, 70});  // 100 × 60: scale 5
  const QImage out = draw(base, {cover, mosaic});
  const QRect px = pixelRect(mosaic.rect(), 100);  // rows 30…89
  const QImage expected = pixelate(base.copy(px), 5, QPointF(50, 30));
  for (int y = 0; y < px.height(); ++y)
    for (int x = 0; x < px.width(); ++x)
      ASSERT_EQ(out.pixel(px.x() + x, px.y() + y), expected.pixel(x, y)) << x << "," << y;
  EXPECT_EQ(out.pixel(10, 50), base.pixel(10, 50));  // outside the region: untouched
}

// The panel shows the source enlarged and upright: the source's upper half (green) fills the
// panel's upper half.
TEST_F(Render, TheMagnifierShowsItsSourceUprightAndConnectsToIt) {
  QImage base = filled(300, 300, Qt::blue);
  QPainter(&base).fillRect(0, 0, 300, 150, Qt::green);
  Shape mag = shape(ToolKind::magnifier, {130, 130}, {170, 170}, 3);
  mag.color = Qt::black;
  mag.tail = QPointF(150, 60);  // panel 100 × 100, image y 10…110: rows 190…290
  const QImage out = draw(base, {mag});
  EXPECT_TRUE(near(out.pixel(150, 215), qRgb(0, 255, 0), 40));
  EXPECT_TRUE(near(out.pixel(150, 265), qRgb(0, 0, 255), 40));
  EXPECT_TRUE(near(out.pixel(150, 180), qRgb(0, 0, 0), 40));  // connector between the two
}

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

}  // namespace
}  // namespace corvalin
