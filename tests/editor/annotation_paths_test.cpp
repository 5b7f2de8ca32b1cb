// The geometric pieces of the drawings: arrow, callout tail, connector, hand-drawn jitter and
// sticker fitting.
#include <gtest/gtest.h>

#include <cmath>

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

TEST(ArrowGeometry, TheHeadFollowsTheDirectionAtTheTip) {
  Shape bent = arrowFrom({0, 0}, {100, 0}, 2);
  bent.control = QPointF(100, 100);  // arrives straight down
  const auto curved = arrowGeometry(bent);
  ASSERT_TRUE(curved);
  const QPointF mid = (curved->head[0] + curved->head[2]) / 2;
  EXPECT_NEAR(mid.x(), 100, 1e-9);  // the head points straight down
  EXPECT_GT(mid.y(), 0);
}

TEST(CalloutTail, AFarTipIsTheApexAndTheBaseSitsOnTheNearestEdge) {
  const QRectF b(0, 100, 100, 40);
  const double r = calloutCornerRadius(b, 20);
  const auto t = calloutTail(b, r, {60, 0});  // below: leaves through the bottom edge
  EXPECT_EQ(t[2], QPointF(60, 0));
  EXPECT_DOUBLE_EQ(t[0].y(), 101);  // one unit into the bubble
  EXPECT_DOUBLE_EQ(t[1].y(), 101);
  EXPECT_DOUBLE_EQ(t[1].x(), 60);
  const auto side = calloutTail(b, r, {400, 125});  // far right: the right edge
  EXPECT_DOUBLE_EQ(side[1].x(), 99);
  EXPECT_EQ(side[2], QPointF(400, 125));
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

TEST(MagnifierConnector, JoinsTheRoundedOutlinesAndVanishesWhenTheyOverlap) {
  const QRectF source(0, 0, 100, 50);
  const QRectF panel(300, 0, 100, 50);
  const auto line = connectorLine(source, panel);
  ASSERT_TRUE(line);
  EXPECT_EQ((*line)[0], QPointF(100, 25));
  EXPECT_EQ((*line)[1], QPointF(300, 25));
  EXPECT_FALSE(connectorLine(source, QRectF(50, 10, 100, 50)));
  // Along a diagonal the line starts on the rounded corner, not the square one.
  const QRectF square(0, 0, 100, 100);
  const QPointF corner = boundary(square, QPointF(1, 1) / std::sqrt(2.0));
  const QPointF arcCentre(70, 70);
  EXPECT_NEAR(length(corner - arcCentre), 30, 1e-9);
  EXPECT_LT(corner.x(), 100);
}

TEST(SketchOval, TheSameSeedDrawsTheSameCircleAndOthersStartElsewhere) {
  Shape oval = testing::shapeOf(ToolKind::sketchOval, {0, 0}, {204, 104}, 4);
  oval.seed = 1234;
  const auto a = sketchOvalPoints(oval, 64);
  EXPECT_EQ(a, sketchOvalPoints(oval, 64));
  Shape other = oval;
  other.seed = 98765;
  EXPECT_GT(length(sketchOvalPoints(other, 64).front() - a.front()), 5);
  EXPECT_EQ(aMano(a, 2, 5, 1234), aMano(a, 2, 5, 1234));
  EXPECT_NE(aMano(a, 2, 5, 1234), aMano(a, 2, 5, 98765));
}

TEST(SketchOval, TheJitterGrowsInAndStaysWithinItsAmplitude) {
  std::vector<QPointF> straight;
  for (int i = 0; i < 30; ++i) straight.emplace_back(i * 10, 0);
  const QPainterPath path = aMano(straight, 3, 5, 77);
  EXPECT_EQ(path.elementAt(0), QPointF(0, 0));  // no jitter at the very start
  EXPECT_LE(path.boundingRect().height(), 6 + 1e-9);
  EXPECT_GT(path.boundingRect().height(), 0.5);
}

TEST(StickerFit, FitsTheLimitingSideAndCentres) {
  const auto fit = stickerFit(QRectF(0, 0, 300, 100), QSizeF(120, 120));
  ASSERT_TRUE(fit);
  EXPECT_NEAR(fit->fontSize, 100 * 100.0 / 120, 1e-9);
  EXPECT_NEAR(fit->rect.height(), 100, 1e-9);
  EXPECT_NEAR(fit->rect.center().x(), 150, 1e-9);
  EXPECT_FALSE(stickerFit(QRectF(0, 0, 300, 1), QSizeF(120, 120)));
}

}  // namespace
}  // namespace corvalin
