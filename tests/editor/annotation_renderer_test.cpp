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

TEST_F(Render, ImageSpaceGrowsUpwardsWhilePixelRowsGrowDownwards) {
  EXPECT_EQ(imageToPixels(100).map(QPointF(0, 0)), QPointF(0, 100));
  EXPECT_EQ(imageToPixels(100).map(QPointF(30, 90)), QPointF(30, 10));
  EXPECT_EQ(pixelRect(QRectF(10, 60, 20, 30), 100), QRect(10, 10, 20, 30));
  EXPECT_EQ(pixelRect(QRectF(10.5, 60.2, 19, 29), 100), QRect(10, 10, 20, 30));
  EXPECT_EQ(imageRect(QRect(10, 10, 20, 30), 100), QRectF(10, 60, 20, 30));
}

TEST_F(Render, AnArrowEndsInItsHeadAtTheTip) {
  const QImage out =
      draw(filled(200, 100, Qt::white), {shape(ToolKind::arrow, {20, 50}, {180, 50})});
  EXPECT_TRUE(near(out.pixel(40, 50), kRed));                     // shaft
  EXPECT_TRUE(near(out.pixel(177, 50), kRed));                    // just behind the tip
  EXPECT_TRUE(near(out.pixel(183, 50), qRgb(255, 255, 255), 8));  // past it
  EXPECT_TRUE(near(out.pixel(170, 46), kRed));  // the head is wider than the shaft
  EXPECT_TRUE(near(out.pixel(170, 53), kRed));
  EXPECT_TRUE(near(out.pixel(150, 45), qRgb(255, 255, 255), 8));
}

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
  // Square caps: the 20-unit wide stroke reaches 10 units past its last point.
  EXPECT_FALSE(near(out.pixel(198, 50), qRgb(255, 255, 255), 8));
  EXPECT_TRUE(near(out.pixel(150, 62), qRgb(255, 255, 255), 0));
}

TEST_F(Render, DrawingLeavesThePainterAsItWas) {
  QImage out = filled(50, 50, Qt::white);
  QPainter p(&out);
  p.setTransform(imageToPixels(50));
  Shape marker = shape(ToolKind::highlight, {}, {}, 2);
  marker.points = {{0, 0}, {40, 40}};
  drawShape(p, marker, out, fonts);
  EXPECT_EQ(p.compositionMode(), QPainter::CompositionMode_SourceOver);
  EXPECT_EQ(p.transform(), imageToPixels(50));
  EXPECT_EQ(p.pen(), QPen());
}

TEST_F(Render, PixelateShowsTheMosaicOfTheBaseOnly) {
  QImage base(200, 100, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) base.setPixel(x, y, qRgb(x, (y * 2) % 256, (x * y) % 256));
  }
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
  EXPECT_EQ(out.pixel(130, 50), base.pixel(130, 50));
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
  EXPECT_GT(qRed(out.pixel(105, 50)), 150);
  EXPECT_LT(qRed(out.pixel(105, 50)), 255);
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
  EXPECT_TRUE(near(out.pixel(131, 150), qRgb(0, 0, 0), 40));  // the source's frame
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

TEST_F(Render, ACounterCentresItsNumberInItsDisc) {
  Shape counter = shape(ToolKind::counter, {60, 60}, {});
  counter.fontSize = 40;
  counter.number = 8;
  counter.textColor = Qt::white;
  const QImage out = draw(filled(260, 200, QColor(90, 90, 90)), {counter});
  const QRect disc = pixelRect(counter.counterBubble(fonts), 200);
  const QRect inner =
      disc.adjusted(disc.height() / 6, disc.height() / 6, -disc.height() / 6, -disc.height() / 6);
  int x0 = 1 << 20, x1 = -1, y0 = 1 << 20, y1 = -1;
  for (int y = inner.top(); y <= inner.bottom(); ++y) {
    for (int x = inner.left(); x <= inner.right(); ++x) {
      if (qGreen(out.pixel(x, y)) > 200) {  // white ink on the red disc
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
    }
  }
  ASSERT_GE(x1, x0);
  const QRectF bubble = counter.counterBubble(fonts);
  EXPECT_NEAR((x0 + x1 + 1) / 2.0, bubble.center().x(), 1.5);
  EXPECT_NEAR((y0 + y1 + 1) / 2.0, 200 - bubble.center().y(), 1.5);
  EXPECT_TRUE(near(out.pixel(disc.left() + 6, disc.center().y()), kRed));
  // The tail reaches down to its tip; the shadow darkens the background under the disc.
  const QPointF tip = counterTailTip(bubble, false, false);
  EXPECT_TRUE(near(out.pixel(static_cast<int>(tip.x()) + 1, 200 - static_cast<int>(tip.y()) - 2),
                   kRed, 60));
  EXPECT_LT(qGreen(out.pixel(disc.center().x(), disc.bottom() + 3)), 85);
}

TEST_F(Render, AnOpaqueCalloutFillsItsBubbleAndTail) {
  Shape callout = shape(ToolKind::text, {40, 120}, {});
  callout.text = QStringLiteral("Hola");
  callout.fontSize = 20;
  callout.tail = QPointF(60, 20);
  const QImage out = draw(filled(260, 200, Qt::white), {callout});
  const QRect box = pixelRect(callout.calloutBox(fonts), 200);
  EXPECT_TRUE(near(out.pixel(box.left() + 3, box.top() + 3), kRed));
  EXPECT_TRUE(near(out.pixel(box.right() - 3, box.bottom() - 3), kRed));
  const QRectF bubble = callout.calloutBox(fonts);
  const auto tail = calloutTail(bubble, calloutCornerRadius(bubble, 20), *callout.tail);
  EXPECT_EQ(tail[2], QPointF(60, 20));
  const QPointF middle = (tail[0] + tail[1] + tail[2]) / 3;
  EXPECT_TRUE(
      near(out.pixel(static_cast<int>(middle.x()), 200 - static_cast<int>(middle.y())), kRed));
  int ink = 0;  // white letters inside the bubble
  for (int y = box.top(); y <= box.bottom(); ++y) {
    for (int x = box.left(); x <= box.right(); ++x) ink += qGreen(out.pixel(x, y)) > 200;
  }
  EXPECT_GT(ink, 40);
}

TEST_F(Render, ATransparentCalloutShowsShadowedTextAndNoBubble) {
  Shape callout = shape(ToolKind::text, {40, 80}, {});
  callout.text = QStringLiteral("Hola");
  callout.fontSize = 24;
  callout.color = QColor(255, 0, 0, 0);
  callout.textColor = Qt::white;
  callout.tail = QPointF(60, 10);
  const QColor grey(128, 128, 128);
  const QImage out = draw(filled(260, 200, grey), {callout});
  const QRect box = pixelRect(callout.calloutBox(fonts), 200);
  EXPECT_EQ(out.pixel(box.left() + 1, box.top() + 1), grey.rgb());  // no bubble, no tail
  EXPECT_EQ(out.pixel(60, 200 - 30), grey.rgb());
  int ink = 0, shade = 0;
  for (int y = box.top(); y <= box.bottom() + 6; ++y) {
    for (int x = box.left(); x <= box.right(); ++x) {
      ink += qGreen(out.pixel(x, y)) > 220;
      shade += qGreen(out.pixel(x, y)) < 110;
    }
  }
  EXPECT_GT(ink, 40);
  EXPECT_GT(shade, 40);
}

TEST_F(Render, HandwritingInksItsBoxWithASoftShadow) {
  Shape hand = shape(ToolKind::handText, {20, 40}, {});
  hand.text = QStringLiteral("nota");
  hand.fontSize = 40;
  hand.color = Qt::blue;
  const QImage out = draw(filled(300, 150, Qt::white), {hand});
  const QRect box = pixelRect(hand.handTextBox(fonts), 150);
  int ink = 0, outside = 0;
  for (int y = 0; y < 150; ++y) {
    for (int x = 0; x < 300; ++x) {
      const bool blue = qBlue(out.pixel(x, y)) > 180 && qRed(out.pixel(x, y)) < 90;
      if (!blue) continue;
      (box.adjusted(-6, -6, 6, 6).contains(x, y) ? ink : outside) += 1;
    }
  }
  EXPECT_GT(ink, 100);
  EXPECT_EQ(outside, 0);
}

TEST_F(Render, AStickerFitsItsRegionCentred) {
  Shape sticker = shape(ToolKind::sticker, {0, 0}, {300, 100});
  sticker.text = QStringLiteral("\U0001F7E5");  // a red square fills its glyph box
  const QImage out = draw(filled(300, 100, Qt::white), {sticker});
  int left = 300, right = -1;
  for (int x = 0; x < 300; ++x) {
    if (qGreen(out.pixel(x, 50)) < 128) left = std::min(left, x), right = std::max(right, x);
  }
  ASSERT_GE(right, left);
  EXPECT_NEAR((left + right) / 2.0, 150, 3);
  EXPECT_LE(right - left, 110);  // fitted to the 100 units of height, not the 300 of width
  EXPECT_GE(right - left, 60);
}

TEST_F(Render, ShapesThatShowNothingLeaveThePictureAlone) {
  const QImage base = filled(100, 100, QColor(10, 200, 30));
  const std::vector<Shape> none = {
      shape(ToolKind::select, {0, 0}, {90, 90}),
      shape(ToolKind::crop, {0, 0}, {90, 90}),
      shape(ToolKind::repair, {0, 0}, {90, 90}),
      shape(ToolKind::arrow, {10, 10}, {11, 10}),
      shape(ToolKind::rect, {10, 10}, {13, 60}),  // thinner than its stroke
      shape(ToolKind::magnifier, {10, 10}, {12, 60}),
      shape(ToolKind::pixelate, {10, 10}, {11, 60}),
      shape(ToolKind::text, {10, 10}, {}),  // no text
      shape(ToolKind::handText, {10, 10}, {}),
      shape(ToolKind::sticker, {0, 0}, {90, 90}),  // no emoji
      shape(ToolKind::image, {0, 0}, {90, 90})};   // no picture
  const QImage out = draw(base, none);
  EXPECT_EQ(out.convertToFormat(base.format()), base);
}

}  // namespace
}  // namespace corvalin
