// Creation values, keep-or-discard, boxes, handles and hit testing.
#include <gtest/gtest.h>

#include "editor/annotation_paths.h"
#include "editor/shape.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

using testing::FakeMeasurer;
using testing::shapeOf;
using testing::textOf;

TEST(ShapeCreation, SizesChosenOnScreenAreDividedByTheDisplayScale) {
  const CreationStyle style{QColor(Qt::red), QColor(Qt::black), 4, 2};
  const Shape pencil = Shape::create(ToolKind::pencil, {5, 6}, style, 7);
  EXPECT_EQ(pencil.points, (std::vector<QPointF>{{5, 6}}));
  EXPECT_DOUBLE_EQ(pencil.width, 2);
  EXPECT_DOUBLE_EQ(pencil.fontSize, 12);  // max(16, 24) / 2
  EXPECT_EQ(pencil.textColor, QColor(Qt::white));
  const Shape counter = Shape::create(ToolKind::counter, {0, 0}, style, 7);
  EXPECT_DOUBLE_EQ(counter.fontSize, 11);  // max(17, 22) / 2
  EXPECT_EQ(counter.textColor, QColor(Qt::black));
  const Shape thin = Shape::create(ToolKind::text, {0, 0}, {Qt::red, Qt::black, 1, 1}, 7);
  EXPECT_DOUBLE_EQ(thin.fontSize, 16);
  const Shape sticker = Shape::create(ToolKind::sticker, {0, 0}, style, 7, QStringLiteral("X"));
  EXPECT_EQ(sticker.text, QStringLiteral("X"));
  EXPECT_TRUE(sticker.points.empty());
  EXPECT_NE(randomSeed(), 0u);
}

TEST(ShapeCreation, CountersNumberOnFromTheHighest) {
  const auto numbered = [](ToolKind kind, std::int64_t n) {
    Shape s = shapeOf(kind);
    s.number = n;
    return s;
  };
  EXPECT_EQ(nextCounterNumber({}), 1);
  EXPECT_EQ(nextCounterNumber({numbered(ToolKind::counter, 7), numbered(ToolKind::counter, 3),
                               numbered(ToolKind::rect, 40)}),
            8);
}

TEST(ShapeKeep, ClicksAndSliversAreDiscarded) {
  EXPECT_FALSE(shapeOf(ToolKind::arrow, {10, 10}, {10, 10}).isMeaningful());
  EXPECT_FALSE(shapeOf(ToolKind::rect, {0, 0}, {3, 3}).isMeaningful());
  EXPECT_TRUE(shapeOf(ToolKind::rect, {0, 0}, {4, 3}).isMeaningful());
  EXPECT_TRUE(shapeOf(ToolKind::line, {0, 0}, {0, -4}).isMeaningful());
  EXPECT_FALSE(shapeOf(ToolKind::magnifier, {0, 0}, {8, 20}).isMeaningful());
  EXPECT_TRUE(shapeOf(ToolKind::magnifier, {0, 0}, {9, 9}).isMeaningful());
  EXPECT_FALSE(shapeOf(ToolKind::crop, {0, 0}, {20, 8}).isMeaningful());
  // A click with the pencil or the highlighter is one point: not a stroke.
  for (ToolKind freehand : {ToolKind::pencil, ToolKind::highlight}) {
    Shape pencil = shapeOf(freehand, {}, {});
    pencil.points = {{1, 1}};
    EXPECT_FALSE(pencil.isMeaningful());
    pencil.points.push_back({1, 1});
    EXPECT_TRUE(pencil.isMeaningful());
  }
  Shape sticker = shapeOf(ToolKind::sticker, {0, 0}, {5, 5});
  EXPECT_FALSE(sticker.isMeaningful());
  sticker.text = QStringLiteral("\U0001F525");
  EXPECT_TRUE(sticker.isMeaningful());
  sticker.end = {4, 40};
  EXPECT_FALSE(sticker.isMeaningful());
  Shape pasted = shapeOf(ToolKind::image, {0, 0}, {50, 50});
  EXPECT_FALSE(pasted.isMeaningful());
  pasted.image = testing::filled(2, 2, Qt::red);
  EXPECT_TRUE(pasted.isMeaningful());
  EXPECT_FALSE(textOf(ToolKind::text, {0, 0}, QString(), 16).isMeaningful());
  EXPECT_TRUE(textOf(ToolKind::text, {0, 0}, QStringLiteral("a"), 16).isMeaningful());
  EXPECT_TRUE(shapeOf(ToolKind::counter, {0, 0}, {0, 0}).isMeaningful());
}

TEST(ShapeBoxes, CalloutPaddingGrowsWithLargeText) {
  const FakeMeasurer m;
  // An empty callout measures one space: ceil(0.5 × 15 + 0.3) = 8 by ceil(18.1) = 19.
  const QRectF small = textOf(ToolKind::text, {10, 20}, QString(), 15).calloutBox(m);
  EXPECT_EQ(small, QRectF(10, 20, 8 + 12, 19 + 12));
  const QRectF large = textOf(ToolKind::text, {0, 0}, QStringLiteral("ab"), 20).calloutBox(m);
  EXPECT_EQ(large.size(), QSizeF(21 + 16, 25 + 16));
  // Line breaks stay: two lines, the widest one counts.
  const QRectF two = textOf(ToolKind::text, {0, 0}, QStringLiteral("abcd\nab"), 10).calloutBox(m);
  EXPECT_EQ(two.size(), QSizeF(21 + 12, 25 + 12));
}

TEST(ShapeBoxes, ANarrowCounterIsAPillOfAtLeastItsMinimumWidth) {
  const FakeMeasurer m;
  Shape c = textOf(ToolKind::counter, {3, 4}, QString(), 20);
  c.number = 7;  // "7": ceil(10.3) = 11 wide, ceil(24.1) = 25 tall
  const QRectF one = c.counterBubble(m);
  EXPECT_DOUBLE_EQ(one.height(), 25 * 1.61);
  EXPECT_DOUBLE_EQ(one.width(), 1.34 * 25 * 1.61);
  EXPECT_EQ(one.topLeft(), QPointF(3, 4));
  c.number = 12345;  // 5 digits: ceil(50.3) = 51 wide
  EXPECT_DOUBLE_EQ(c.counterBubble(m).width(), 51 * 1.5 + 0.25 * 20);
  EXPECT_EQ(c.boundingBox(m), c.counterBubble(m));
}

TEST(ShapeBoxes, FreehandBoxesFollowThePoints) {
  const FakeMeasurer m;
  Shape pencil = shapeOf(ToolKind::pencil, {0, 0}, {100, 100});
  pencil.points = {{5, 7}};
  EXPECT_EQ(pencil.boundingBox(m), QRectF(5, 7, 0, 0));
  pencil.points = {{5, 7}, {-3, 20}, {9, 1}};
  EXPECT_EQ(pencil.boundingBox(m), QRectF(-3, 1, 12, 19));
  pencil.points.clear();
  EXPECT_EQ(pencil.boundingBox(m), QRectF(0, 0, 100, 100));
}

TEST(ShapeBoxes, TheMagnifierPanelSitsRightOfItsSourceUnlessPlaced) {
  const FakeMeasurer m;
  Shape mag = shapeOf(ToolKind::magnifier, {110, 40}, {10, 80});  // S = (10, 40, 100, 40)
  mag.zoom = 2;
  EXPECT_EQ(mag.magnifierPanel(), QRectF(110 + 24, 60 - 40, 200, 80));
  EXPECT_EQ(mag.boundingBox(m), QRectF(10, 20, 324, 80));
  EXPECT_EQ(mag.handleBox(m), QRectF(10, 40, 100, 40));
  mag.tail = QPointF(0, 0);
  EXPECT_EQ(mag.magnifierPanel(), QRectF(-100, -40, 200, 80));
}

TEST(ShapeHandles, EachKindOffersItsOwnGrabPoints) {
  const FakeMeasurer m;
  EXPECT_TRUE(shapeOf(ToolKind::select, {0, 0}, {9, 9}).handles(m).empty());
  EXPECT_TRUE(shapeOf(ToolKind::crop, {0, 0}, {9, 9}).handles(m).empty());

  const auto rect = shapeOf(ToolKind::rect, {10, 50}, {0, 20}).handles(m);
  EXPECT_EQ(rect, (std::vector<Handle>{{0, {0, 20}}, {1, {10, 20}}, {2, {10, 50}}, {3, {0, 50}}}));

  EXPECT_EQ(shapeOf(ToolKind::line, {1, 2}, {3, 4}).handles(m),
            (std::vector<Handle>{{4, {1, 2}}, {5, {3, 4}}}));

  Shape arrow = shapeOf(ToolKind::arrow, {0, 0}, {100, 0});
  EXPECT_EQ(arrow.handles(m).back(), (Handle{7, {50, 0}}));
  // A bent arrow's bend handle is on the curve, at half its parameter.
  arrow.control = QPointF(50, 80);
  const std::vector<QPointF> curve = arrowCurve(arrow, 2);
  EXPECT_EQ(arrow.handles(m).back(), (Handle{7, curve[1]}));
  EXPECT_EQ(curve[1], QPointF(50, 40));

  Shape callout = textOf(ToolKind::text, {0, 0}, QStringLiteral("hi"), 10);
  EXPECT_EQ(callout.handles(m).size(), 4u);
  callout.tail = QPointF(0, -100);
  const auto withTail = callout.handles(m);
  ASSERT_EQ(withTail.size(), 5u);
  EXPECT_EQ(withTail[4].id, 6);
  EXPECT_EQ(withTail[4].point, *callout.calloutTailTip(m));

  Shape mag = shapeOf(ToolKind::magnifier, {0, 0}, {10, 10});
  const auto magHandles = mag.handles(m);
  ASSERT_EQ(magHandles.size(), 5u);
  EXPECT_EQ(magHandles[2].point, QPointF(10, 10));  // corners of the source, not the panel
  EXPECT_EQ(magHandles[4], (Handle{6, mag.magnifierPanel().center()}));

  Shape counter = textOf(ToolKind::counter, {5, 5}, QString(), 20);
  EXPECT_EQ(counter.handles(m)[2].point, counter.counterBubble(m).bottomRight());
  Shape hand = textOf(ToolKind::handText, {5, 5}, QStringLiteral("abc"), 20);
  EXPECT_EQ(hand.handles(m)[2].point, QPointF(5 + 31, 5 + 25));
}

TEST(ShapeHitTest, BoxesAreHitInsideAndStrokesWithinTheToleranceOrTheirWidth) {
  const FakeMeasurer m;
  const Shape rect = shapeOf(ToolKind::rect, {0, 0}, {100, 50});
  EXPECT_TRUE(rect.hitTest({50, 25}, 9, m));
  EXPECT_TRUE(rect.hitTest({108.9, 25}, 9, m));
  EXPECT_TRUE(rect.hitTest({50, -9}, 9, m));
  EXPECT_FALSE(rect.hitTest({109.1, 25}, 9, m));
  EXPECT_FALSE(rect.hitTest({50, 59.2}, 9, m));
  EXPECT_FALSE(shapeOf(ToolKind::crop, {0, 0}, {100, 50}).hitTest({50, 25}, 9, m));
  EXPECT_FALSE(shapeOf(ToolKind::select, {0, 0}, {100, 50}).hitTest({50, 25}, 9, m));
  const Shape thin = shapeOf(ToolKind::line, {0, 0}, {100, 0}, 1);
  EXPECT_TRUE(thin.hitTest({50, 8.9}, 9, m));
  EXPECT_FALSE(thin.hitTest({50, 9}, 9, m));
  EXPECT_FALSE(thin.hitTest({109.5, 0}, 9, m));
  const Shape thick = shapeOf(ToolKind::line, {0, 0}, {100, 0}, 10);
  EXPECT_TRUE(thick.hitTest({50, 19.5}, 9, m));
  EXPECT_FALSE(thick.hitTest({50, 20.5}, 9, m));
  Shape pencil = shapeOf(ToolKind::pencil, {}, {}, 5);
  pencil.points = {{0, 0}};
  EXPECT_FALSE(pencil.hitTest({0, 0}, 9, m));
  pencil.points = {{0, 0}, {100, 0}, {100, 100}};
  EXPECT_TRUE(pencil.hitTest({95, 50}, 1, m));   // second segment, within 2 × 5
  EXPECT_FALSE(pencil.hitTest({50, 50}, 9, m));  // inside the corner, far from both segments
  Shape marker = pencil;
  marker.kind = ToolKind::highlight;
  EXPECT_FALSE(pencil.hitTest({50, 12}, 1, m));
  EXPECT_TRUE(marker.hitTest({50, 12}, 1, m));  // a highlighter is wider than its pen
}

// A bent arrow along its curve, not its chord; a callout on its bubble, its tail and near its
// tip; a magnifier on its source and its panel but not between.
TEST(ShapeHitTest, CurvesTailsAndPanelsAreHitWhereTheyAreDrawn) {
  const FakeMeasurer m;
  Shape arrow = shapeOf(ToolKind::arrow, {0, 0}, {200, 0}, 2);
  arrow.control = QPointF(100, 200);  // the curve peaks at y = 100
  EXPECT_TRUE(arrow.hitTest({100, 100}, 9, m));
  EXPECT_TRUE(arrow.hitTest({100, 92}, 9, m));
  EXPECT_FALSE(arrow.hitTest({100, 0}, 9, m));
  Shape callout = textOf(ToolKind::text, {0, 100}, QStringLiteral("abcdef"), 20);
  const QRectF box = callout.calloutBox(m);
  callout.tail = QPointF(box.center().x(), -100);
  EXPECT_TRUE(callout.hitTest(box.center(), 9, m));
  EXPECT_TRUE(callout.hitTest({box.center().x() + 12, -95}, 9, m));  // 1.5 × t from the tip
  EXPECT_TRUE(callout.hitTest({box.center().x() - 2, 50}, 9, m));    // on the tail's body
  EXPECT_FALSE(callout.hitTest({box.center().x() + 60, 0}, 9, m));
  callout.tail.reset();
  EXPECT_FALSE(callout.hitTest({box.center().x(), -95}, 9, m));
  Shape mag = shapeOf(ToolKind::magnifier, {0, 0}, {40, 40});
  mag.tail = QPointF(300, 20);
  EXPECT_TRUE(mag.hitTest({20, 20}, 9, m));
  EXPECT_TRUE(mag.hitTest({300, 20}, 9, m));
  EXPECT_FALSE(mag.hitTest({130, 20}, 9, m));  // inside the bounding box only
}

}  // namespace
}  // namespace corvalin
