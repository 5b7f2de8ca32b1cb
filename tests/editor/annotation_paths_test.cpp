// The geometric pieces of the drawings: arrow, tails, connector, hand-drawn jitter, filter
// parameters and sticker fitting.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "editor/annotation_paths.h"
#include "editor/point_math.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

Shape arrowFrom(QPointF a, QPointF b, double width = 2) {
  return testing::shapeOf(ToolKind::arrow, a, b, width);
}

double angleOf(QPointF v) {
  return std::atan2(v.y(), v.x());
}

TEST(Jitter, MatchesTheSplitMixSequence) {
  EXPECT_DOUBLE_EQ(jitter(0, 0), -1.0);
  EXPECT_NEAR(jitter(1, 0), -0.924, 1e-12);
  EXPECT_NEAR(jitter(1, 9), 0.116, 1e-12);
  EXPECT_NEAR(jitter(42, 5), 0.030, 1e-12);
  EXPECT_NEAR(jitter(0xFFFFFFFFFFFFFFFFull, 3), -0.657, 1e-12);  // the sum wraps
  for (int j = 0; j < 500; ++j) {
    const double v = jitter(0xC0FFEE, j);
    ASSERT_GE(v, -1);
    ASSERT_LE(v, 1);
    EXPECT_NEAR(v * 1000, std::round(v * 1000), 1e-9);
  }
}

TEST(ArrowGeometry, ATinyArrowDrawsNothing) {
  EXPECT_FALSE(arrowGeometry(arrowFrom({0, 0}, {1, 0})));
  EXPECT_FALSE(arrowGeometry(arrowFrom({0, 0}, {0.6, 0.6})));
  EXPECT_TRUE(arrowGeometry(arrowFrom({0, 0}, {1.1, 0})));
}

TEST(ArrowGeometry, TheShaftStopsInsideTheHeadButKeepsFourPoints) {
  const auto longArrow = arrowGeometry(arrowFrom({0, 0}, {300, 0}, 4));  // head 16
  ASSERT_TRUE(longArrow);
  EXPECT_GE(length(QPointF(300, 0) - longArrow->shaft.back()), 0.78 * 16);
  EXPECT_LT(length(QPointF(300, 0) - longArrow->shaft.back()), 0.78 * 16 + 10);
  const auto shortArrow = arrowGeometry(arrowFrom({0, 0}, {8, 0}, 2));  // shorter than its head
  ASSERT_TRUE(shortArrow);
  EXPECT_EQ(shortArrow->shaft.size(), 4u);
}

TEST(ArrowGeometry, TheHeadFollowsTheDirectionAtTheTip) {
  const auto straight = arrowGeometry(arrowFrom({10, 10}, {110, 110}, 2));
  ASSERT_TRUE(straight);
  EXPECT_EQ(straight->head[1], QPointF(110, 110));
  const QPointF baseMid = (straight->head[0] + straight->head[2]) / 2;
  EXPECT_NEAR(angleOf(QPointF(110, 110) - baseMid), std::numbers::pi / 4, 1e-9);
  EXPECT_NEAR(length(straight->head[0] - QPointF(110, 110)), 14, 1e-9);
  EXPECT_NEAR(length(straight->head[2] - QPointF(110, 110)), 14, 1e-9);

  Shape bent = arrowFrom({0, 0}, {100, 0}, 2);
  bent.control = QPointF(100, 100);  // arrives straight down
  const auto curved = arrowGeometry(bent);
  ASSERT_TRUE(curved);
  const QPointF mid = (curved->head[0] + curved->head[2]) / 2;
  EXPECT_NEAR(angleOf(QPointF(100, 0) - mid), -std::numbers::pi / 2, 1e-9);
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

TEST(CalloutTail, ATipInsideOrJustOutsideGetsTheMinimumTail) {
  const QRectF b(0, 100, 100, 40);
  const double r = calloutCornerRadius(b, 20);
  const double minimum = 0.33 * 40;
  const auto below = calloutTail(b, r, {50, 97});  // 3 units under the bottom edge
  EXPECT_DOUBLE_EQ(below[2].y(), 100 - minimum);
  EXPECT_DOUBLE_EQ(below[2].x(), below[1].x() + 0);
  // Deep inside the bubble, nearer its bottom: still a visible tail straight down.
  const auto inside = calloutTail(b, r, {50, 102});
  EXPECT_DOUBLE_EQ(inside[2].y(), 100 - minimum);
  // Exactly at the centre the tail points down.
  const auto centre = calloutTail(b, r, b.center());
  EXPECT_DOUBLE_EQ(centre[2].y(), 100 - minimum);
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

TEST(CounterTail, HangsFromTheChosenCorner) {
  const QRectF c(100, 200, 60, 40);
  EXPECT_EQ(counterTailTip(c, false, false), QPointF(100 + 3.3, 200 - 12));
  EXPECT_EQ(counterTailTip(c, true, true), QPointF(100 + 56.7, 200 + 52));
  for (bool fx : {false, true}) {
    for (bool fy : {false, true}) {
      const QRectF tail = counterTail(c, fx, fy).boundingRect();
      const QPointF tip = counterTailTip(c, fx, fy);
      EXPECT_NEAR(fy ? tail.bottom() : tail.top(), tip.y(), 1e-9);
    }
  }
}

TEST(MagnifierConnector, JoinsTheRoundedOutlinesAndVanishesWhenTheyOverlap) {
  const QRectF source(0, 0, 100, 50);
  const QRectF panel(300, 0, 100, 50);
  const auto line = connectorLine(source, panel);
  ASSERT_TRUE(line);
  EXPECT_EQ((*line)[0], QPointF(100, 25));
  EXPECT_EQ((*line)[1], QPointF(300, 25));
  EXPECT_FALSE(connectorLine(source, QRectF(50, 10, 100, 50)));
  EXPECT_FALSE(connectorLine(source, source));
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
  ASSERT_EQ(a.size(), 65u);
  EXPECT_EQ(a, sketchOvalPoints(oval, 64));
  // Starts 6 % outside the inset ellipse, ends 8 % inside it.
  const QPointF c(102, 52);
  auto radial = [&](QPointF p) { return std::hypot((p.x() - c.x()) / 100, (p.y() - c.y()) / 50); };
  EXPECT_NEAR(radial(a.front()), 1.06, 1e-9);
  EXPECT_NEAR(radial(a.back()), 0.92, 1e-9);
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
  EXPECT_DOUBLE_EQ(sketchAmplitude(1), 1.12);
  EXPECT_DOUBLE_EQ(sketchAmplitude(5), 1.6 * 1.4);
  EXPECT_DOUBLE_EQ(sketchAmplitude(20), 3.2);
  const QPainterPath two = aMano({{0, 0}, {5, 5}}, 3, 5, 77);
  EXPECT_EQ(two.elementCount(), 2);
}

TEST(FilterParameters, FollowTheRegionSize) {
  EXPECT_DOUBLE_EQ(pixelateScale(10, 10), 4);
  EXPECT_DOUBLE_EQ(pixelateScale(200, 100), 10);
  EXPECT_DOUBLE_EQ(blurRadius(30, 30), 6);
  EXPECT_DOUBLE_EQ(blurRadius(240, 10), 20);
  EXPECT_DOUBLE_EQ(blurRadius(1200, 100), 60);
  EXPECT_EQ(roundedOut(QRectF(0.5, 1.2, 3, 2)), QRectF(0, 1, 4, 3));
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
