// Creation values, keep-or-discard, boxes, handles and hit testing.
#include <gtest/gtest.h>

#include "editor/annotation_paths.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

using testing::FakeMeasurer;
using testing::shapeOf;
using testing::textOf;

TEST(ShapeKeep, ClicksAndSliversAreDiscarded) {
  EXPECT_FALSE(shapeOf(ToolKind::arrow, {10, 10}, {10, 10}).isMeaningful());
  EXPECT_FALSE(shapeOf(ToolKind::rect, {0, 0}, {3, 3}).isMeaningful());
  EXPECT_TRUE(shapeOf(ToolKind::rect, {0, 0}, {4, 3}).isMeaningful());
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
  EXPECT_FALSE(textOf(ToolKind::text, {0, 0}, QString(), 16).isMeaningful());
  EXPECT_TRUE(shapeOf(ToolKind::counter, {0, 0}, {0, 0}).isMeaningful());
}

TEST(ShapeHandles, EachKindOffersItsOwnGrabPoints) {
  const FakeMeasurer m;
  Shape arrow = shapeOf(ToolKind::arrow, {0, 0}, {100, 0});
  // A bent arrow's bend handle is on the curve, at half its parameter.
  arrow.control = QPointF(50, 80);
  const std::vector<QPointF> curve = arrowCurve(arrow, 2);
  EXPECT_EQ(arrow.handles(m).back(), (Handle{7, curve[1]}));

  Shape callout = textOf(ToolKind::text, {0, 0}, QStringLiteral("hi"), 10);
  callout.tail = QPointF(0, -100);
  const auto withTail = callout.handles(m);
  ASSERT_EQ(withTail.size(), 5u);
  EXPECT_EQ(withTail[4], (Handle{6, *callout.calloutTailTip(m)}));

  Shape mag = shapeOf(ToolKind::magnifier, {0, 0}, {10, 10});
  const auto magHandles = mag.handles(m);
  ASSERT_EQ(magHandles.size(), 5u);
  EXPECT_EQ(magHandles[2].point, QPointF(10, 10));  // corners of the source, not the panel
  EXPECT_EQ(magHandles[4], (Handle{6, mag.magnifierPanel().center()}));
}

TEST(ShapeHitTest, BoxesAreHitInsideAndStrokesWithinTheToleranceOrTheirWidth) {
  const FakeMeasurer m;
  const Shape rect = shapeOf(ToolKind::rect, {0, 0}, {100, 50});
  EXPECT_TRUE(rect.hitTest({50, 25}, 9, m));
  EXPECT_TRUE(rect.hitTest({108.9, 25}, 9, m));
  EXPECT_FALSE(rect.hitTest({109.1, 25}, 9, m));
  const Shape thick = shapeOf(ToolKind::line, {0, 0}, {100, 0}, 10);
  EXPECT_TRUE(thick.hitTest({50, 19.5}, 9, m));
  EXPECT_FALSE(thick.hitTest({50, 20.5}, 9, m));
  Shape pencil = shapeOf(ToolKind::pencil, {}, {}, 5);
  pencil.points = {{0, 0}, {100, 0}, {100, 100}};
  EXPECT_TRUE(pencil.hitTest({95, 50}, 1, m));   // second segment, within 2 × 5
  EXPECT_FALSE(pencil.hitTest({50, 50}, 9, m));  // inside the corner, far from both segments
}

// A bent arrow along its curve, not its chord; a callout on its bubble, its tail and near its
// tip; a magnifier on its source and its panel but not between.
TEST(ShapeHitTest, CurvesTailsAndPanelsAreHitWhereTheyAreDrawn) {
  const FakeMeasurer m;
  Shape arrow = shapeOf(ToolKind::arrow, {0, 0}, {200, 0}, 2);
  arrow.control = QPointF(100, 200);  // the curve peaks at y = 100
  EXPECT_TRUE(arrow.hitTest({100, 92}, 9, m));
  EXPECT_FALSE(arrow.hitTest({100, 0}, 9, m));
  Shape callout = textOf(ToolKind::text, {0, 100}, QStringLiteral("abcdef"), 20);
  const QRectF box = callout.calloutBox(m);
  callout.tail = QPointF(box.center().x(), -100);
  EXPECT_TRUE(callout.hitTest(box.center(), 9, m));
  EXPECT_TRUE(callout.hitTest({box.center().x() + 12, -95}, 9, m));  // 1.5 × t from the tip
  EXPECT_FALSE(callout.hitTest({box.center().x() + 60, 0}, 9, m));
  Shape mag = shapeOf(ToolKind::magnifier, {0, 0}, {40, 40});
  mag.tail = QPointF(300, 20);
  EXPECT_TRUE(mag.hitTest({300, 20}, 9, m));
  EXPECT_FALSE(mag.hitTest({130, 20}, 9, m));  // inside the bounding box only
}

}  // namespace
}  // namespace corvalin
