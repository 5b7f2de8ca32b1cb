// Rendering, checked by probing the pixels that matter. Shapes are placed in image space (y up);
// probes read pixel rows (y down), so every probe also checks the mapping between the two.
#include <gtest/gtest.h>

#include <QPainter>

#include "editor/annotation_paths.h"
#include "editor/annotation_renderer.h"
#include "editor/image_filters.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

using testing::colorDistance;
using testing::filled;

const QRgb kRed = qRgb(0xFF, 0x3B, 0x30);

class Render : public ::testing::Test {
 protected:
  // In the default colour, kRed.
  Shape shape(ToolKind kind, QPointF a, QPointF b, double width = 4) const {
    return testing::shapeOf(kind, a, b, width);
  }
  QImage draw(const QImage& base, const std::vector<Shape>& shapes) const {
    return flatten(base, shapes, fonts);
  }
  bool near(QRgb a, QRgb b, int tolerance = 24) const { return colorDistance(a, b) <= tolerance; }

  const AnnotationFonts fonts;
};

TEST_F(Render, AHighlighterMultipliesSoDarkStaysDarkAndLightTakesItsColour) {
  QImage base = filled(200, 100, Qt::white);
  QPainter(&base).fillRect(0, 0, 100, 100, QColor(40, 40, 40));
  Shape marker = shape(ToolKind::highlight, {}, {}, 5);
  marker.color = QColor(255, 204, 0);
  marker.points = {{10, 50}, {190, 50}};
  const QImage out = draw(base, {marker});
  // 40 % of the colour multiplied in: white × (0.6 + 0.4 × c).
  EXPECT_LE(colorDistance(out.pixel(150, 50), qRgb(255, 235, 153)), 3);
  EXPECT_LE(colorDistance(out.pixel(50, 50), qRgb(40, 37, 24)), 3);
}

TEST_F(Render, PixelateShowsTheMosaicOfTheBaseOnly) {
  QImage base(200, 100, QImage::Format_ARGB32_Premultiplied);
  for (int i = 0; i < 200 * 100; ++i)
    base.setPixel(i % 200, i / 200, qRgb(i % 200, i % 97, i % 251));
  Shape cover = shape(ToolKind::rect, {30, 20}, {110, 60}, 8);
  cover.color = Qt::green;
  const Shape mosaic = shape(ToolKind::pixelate, {20, 10}, {120, 70});  // 100 × 60: scale 5
  const QImage out = draw(base, {cover, mosaic});
  const QRect px = pixelRect(mosaic.rect(), 100);  // rows 30…89
  ASSERT_EQ(px, QRect(20, 30, 100, 60));
  const QImage expected = pixelate(base.copy(px), 5, QPointF(50, 30));
  for (int y = 0; y < px.height(); ++y) {
    for (int x = 0; x < px.width(); ++x) {
      ASSERT_EQ(out.pixel(px.x() + x, px.y() + y), expected.pixel(x, y)) << x << "," << y;
    }
  }
  EXPECT_EQ(out.pixel(10, 50), base.pixel(10, 50));  // outside the region: untouched
}

TEST_F(Render, BlurSmoothsItsRegionAndLeavesTheRestAlone) {
  QImage base = filled(200, 100, Qt::white);
  QPainter(&base).fillRect(0, 0, 100, 100, Qt::black);
  const Shape blur = shape(ToolKind::blur, {40, 20}, {160, 80});  // 120 wide: radius 10
  const QImage out = draw(base, {blur});
  const QRect px = pixelRect(blur.rect(), 100);
  const QImage expected = gaussianBlur(base.copy(px), 10);
  for (int x = px.left(); x <= px.right(); ++x) {
    EXPECT_LE(colorDistance(out.pixel(x, 50), expected.pixel(x - px.x(), 50 - px.y())), 1);
  }
  EXPECT_EQ(qRed(out.pixel(41, 50)), 0);     // the edge extends: no white creeps in
  EXPECT_EQ(qRed(out.pixel(158, 50)), 255);  // nor black
  EXPECT_EQ(out.pixel(100, 10), base.pixel(100, 10));
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

TEST_F(Render, APastedPictureIsDrawnUpright) {
  QImage picture = filled(20, 10, Qt::blue);
  QPainter(&picture).fillRect(0, 0, 20, 5, Qt::red);
  Shape pasted = shape(ToolKind::image, {10, 10}, {110, 60});
  pasted.image = picture;
  const QImage out = draw(filled(120, 100, Qt::white), {pasted});  // rows 40…89
  EXPECT_TRUE(near(out.pixel(60, 43), qRgb(255, 0, 0), 8));
  EXPECT_TRUE(near(out.pixel(60, 86), qRgb(0, 0, 255), 8));
}

TEST_F(Render, AnOpaqueCalloutFillsItsBubbleAndTail) {
  Shape callout = shape(ToolKind::text, {40, 120}, {});
  callout.text = QStringLiteral("Hola");
  callout.fontSize = 20;
  callout.tail = QPointF(60, 20);
  const QImage out = draw(filled(260, 200, Qt::white), {callout});
  const QRect box = pixelRect(callout.calloutBox(fonts), 200);
  EXPECT_TRUE(near(out.pixel(box.left() + 3, box.top() + 3), kRed));
  const QRectF bubble = callout.calloutBox(fonts);
  const auto tail = calloutTail(bubble, calloutCornerRadius(bubble, 20), *callout.tail);
  const QPointF middle = (tail[0] + tail[1] + tail[2]) / 3;
  EXPECT_TRUE(
      near(out.pixel(static_cast<int>(middle.x()), 200 - static_cast<int>(middle.y())), kRed));
  int ink = 0;  // white letters inside the bubble
  for (int y = box.top(); y <= box.bottom(); ++y)
    for (int x = box.left(); x <= box.right(); ++x) ink += qGreen(out.pixel(x, y)) > 200;
  EXPECT_GT(ink, 40);
}

TEST_F(Render, ShapesThatShowNothingLeaveThePictureAlone) {
  const QImage base = filled(100, 100, QColor(10, 200, 30));
  std::vector<Shape> none;
  // Tools that draw nothing, and a text, emoji or picture left empty.
  for (ToolKind k : {ToolKind::select, ToolKind::crop, ToolKind::repair, ToolKind::text,
                     ToolKind::handText, ToolKind::sticker, ToolKind::image})
    none.push_back(shape(k, {10, 10}, {90, 90}));
  none.push_back(shape(ToolKind::arrow, {10, 10}, {11, 10}));
  none.push_back(shape(ToolKind::rect, {10, 10}, {13, 60}));  // thinner than its stroke
  none.push_back(shape(ToolKind::pixelate, {10, 10}, {11, 60}));
  const QImage out = draw(base, none);
  EXPECT_EQ(out.convertToFormat(base.format()), base);
}

}  // namespace
}  // namespace corvalin
