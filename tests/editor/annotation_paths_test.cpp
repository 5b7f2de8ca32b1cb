// The geometric pieces of the drawings: arrow, callout tail and hand-drawn jitter.
#include <gtest/gtest.h>

#include "editor/annotation_paths.h"
#include "editor/point_math.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

Shape arrowFrom(QPointF a, QPointF b, double width = 2) {
  return testing::shapeOf(ToolKind::arrow, a, b, width);
}

TEST(ArrowGeometry, TheShaftStopsInsideTheHeadButKeepsFourPoints) {
  const auto longArrow = arrowGeometry(arrowFrom({0, 0}, {300, 0}, 4));  // head 16
  ASSERT_TRUE(longArrow);
  EXPECT_GE(length(QPointF(300, 0) - longArrow->shaft.back()), 0.78 * 16);
  EXPECT_LT(length(QPointF(300, 0) - longArrow->shaft.back()), 0.78 * 16 + 10);
  const auto shortArrow = arrowGeometry(arrowFrom({0, 0}, {8, 0}, 2));  // shorter than its head
  ASSERT_TRUE(shortArrow);
  EXPECT_EQ(shortArrow->shaft.size(), 4u);
  // A tiny arrow draws nothing.
  EXPECT_FALSE(arrowGeometry(arrowFrom({0, 0}, {0.6, 0.6})));
  EXPECT_TRUE(arrowGeometry(arrowFrom({0, 0}, {1.1, 0})));
}

TEST(CalloutTail, AFarTipIsTheApexAndTheBaseSitsOnTheNearestEdge) {
  const QRectF b(0, 100, 100, 40);
  const double r = calloutCornerRadius(b, 20);
  const auto t = calloutTail(b, r, {60, 0});  // below: leaves through the bottom edge
  EXPECT_EQ(t[2], QPointF(60, 0));
  EXPECT_DOUBLE_EQ(t[1].y(), 101);  // one unit into the bubble
  EXPECT_DOUBLE_EQ(t[1].x(), 60);
  const auto side = calloutTail(b, r, {400, 125});  // far right: the right edge
  EXPECT_DOUBLE_EQ(side[1].x(), 99);
}

TEST(CalloutTail, ATailAimedAtACornerStaysOnTheStraightEdge) {
  const QRectF b(0, 100, 100, 40);
  const double r = calloutCornerRadius(b, 20);  // min(7.6, 4)
  const auto t = calloutTail(b, r, {-200, 0});
  const double s = 50 - r - 2;
  for (int i = 0; i < 2; ++i) {
    EXPECT_GE(t[i].x(), 50 - s - 1e-9);
    EXPECT_LE(t[i].x(), 50 + s + 1e-9);
  }
  // A bubble too narrow for a straight part gets its tail from the middle.
  const QRectF narrow(0, 0, 8, 40);
  const auto n = calloutTail(narrow, calloutCornerRadius(narrow, 20), {4, -100});
  EXPECT_DOUBLE_EQ(n[0].x(), 4);
  EXPECT_DOUBLE_EQ(n[1].x(), 4);
}

TEST(SketchOval, TheSeedDecidesTheCircleAndItsJitterWhichStaysWithinItsAmplitude) {
  Shape oval = testing::shapeOf(ToolKind::sketchOval, {0, 0}, {204, 104}, 4);
  oval.seed = 1234;
  const auto a = sketchOvalPoints(oval, 64);
  EXPECT_EQ(a, sketchOvalPoints(oval, 64));
  Shape other = oval;
  other.seed = 98765;
  EXPECT_GT(length(sketchOvalPoints(other, 64).front() - a.front()), 5);
  // The hand-drawn jitter follows the seed too, grows in from nothing and stays within its
  // amplitude.
  EXPECT_EQ(aMano(a, 2, 5, 1234), aMano(a, 2, 5, 1234));
  EXPECT_NE(aMano(a, 2, 5, 1234), aMano(a, 2, 5, 98765));
  std::vector<QPointF> straight;
  for (int i = 0; i < 30; ++i) straight.emplace_back(i * 10, 0);
  const QPainterPath path = aMano(straight, 3, 5, 77);
  EXPECT_EQ(path.elementAt(0), QPointF(0, 0));  // no jitter at the very start
  EXPECT_LE(path.boundingRect().height(), 6 + 1e-9);
  EXPECT_GT(path.boundingRect().height(), 0.5);
}

}  // namespace
}  // namespace corvalin
