// Moving, mirroring and resizing shapes.
#include <gtest/gtest.h>

#include "editor/shape.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

using testing::FakeMeasurer;
using testing::shapeOf;

Shape text(ToolKind kind, QPointF origin, double fontSize) {
  return testing::textOf(kind, origin, QStringLiteral("hola"), fontSize);
}

TEST(ShapeMove, TranslateCarriesEveryPoint) {
  Shape s = shapeOf(ToolKind::arrow, {1, 2}, {3, 4});
  s.tail = QPointF(5, 6);
  s.control = QPointF(7, 8);
  s.points = {{0, 0}, {9, 9}};
  s.translate({10, -1});
  EXPECT_EQ(std::tie(s.start, s.end, *s.tail, *s.control),
            std::make_tuple(QPointF(11, 1), QPointF(13, 3), QPointF(15, 5), QPointF(17, 7)));
  EXPECT_EQ(s.points, (std::vector<QPointF>{{10, -1}, {19, 8}}));
}

// Texts move as a block and keep reading left to right; a callout's tail still points at the
// mirrored spot.
TEST(ShapeMirror, TextsKeepTheirReadingDirection) {
  const FakeMeasurer m;
  Shape callout = text(ToolKind::text, {20, 30}, 10);
  callout.tail = QPointF(5, 5);
  const QRectF before = callout.calloutBox(m);
  callout.espejo(true, {300, 200}, m);
  const QRectF after = callout.calloutBox(m);
  EXPECT_EQ(after, QRectF(QPointF(300 - before.right(), before.top()), before.size()));
  EXPECT_EQ(*callout.tail, QPointF(295, 5));

  Shape hand = text(ToolKind::handText, {20, 30}, 10);
  const QRectF handBefore = hand.handTextBox(m);
  hand.espejo(false, {300, 200}, m);
  EXPECT_DOUBLE_EQ(hand.handTextBox(m).bottom(), 200 - handBefore.top());
}

// Each corner handle drags its corner while the opposite one stays, for the rectangle
// (0, 0)–(100, 50).
TEST(ShapeResize, EachCornerMovesAndTheOppositeStays) {
  const FakeMeasurer m;
  const Shape original = shapeOf(ToolKind::rect, {0, 0}, {100, 50});
  const std::tuple<int, QPointF, QRectF> cases[] = {
      {0, {10, 5}, QRectF(10, 5, 90, 45)},
      {1, {120, -10}, QRectF(0, -10, 120, 60)},
      {2, {130, 70}, QRectF(0, 0, 130, 70)},
      {3, {-20, 60}, QRectF(-20, 0, 120, 60)},
      // Past the opposite corner: the box flips into a normalized rectangle.
      {0, {150, 80}, QRectF(100, 50, 50, 30)},
      {2, {-40, -30}, QRectF(-40, -30, 40, 30)},
  };
  for (const auto& [handle, to, expected] : cases) {
    Shape s = original;
    s.resizeBox(handle, to, original, m);
    EXPECT_EQ(s.start, expected.topLeft()) << "handle " << handle;  // the lower-left corner
    EXPECT_EQ(s.end, expected.bottomRight()) << "handle " << handle;
  }
}

TEST(ShapeResize, FreehandPointsStretchAndFlipWithTheirBox) {
  const FakeMeasurer m;
  Shape original = shapeOf(ToolKind::highlight, {}, {});
  original.points = {{0, 0}, {10, 20}, {20, 10}};
  Shape s = original;
  s.resizeBox(2, {40, 10}, original, m);  // twice as wide, half as tall
  EXPECT_EQ(s.points, (std::vector<QPointF>{{0, 0}, {20, 10}, {40, 5}}));
  // A straight horizontal stroke has no height to scale: it keeps its y.
  Shape flat = shapeOf(ToolKind::pencil, {}, {});
  flat.points = {{0, 5}, {10, 5}};
  Shape f = flat;
  f.resizeBox(2, {20, 30}, flat, m);
  EXPECT_EQ(f.points, (std::vector<QPointF>{{0, 5}, {20, 5}}));
}

TEST(ShapeResize, AMagnifierResizesItsSourceNotThePanel) {
  const FakeMeasurer m;
  Shape original = shapeOf(ToolKind::magnifier, {0, 0}, {40, 20});
  original.tail = QPointF(500, 500);
  Shape s = original;
  s.resizeBox(2, {60, 30}, original, m);
  EXPECT_EQ(s.rect(), QRectF(0, 0, 60, 30));
  EXPECT_EQ(*s.tail, QPointF(500, 500));
}

TEST(ShapeResize, TextsScaleTheirFontFromTheAnchorCorner) {
  const FakeMeasurer m;
  const Shape original = text(ToolKind::text, {100, 100}, 20);
  const QRectF b = original.calloutBox(m);
  Shape s = original;
  // Handle 2 pulled to twice the width: the font doubles, the lower-left corner stays.
  s.resizeBox(2, {b.left() + 2 * b.width(), 0}, original, m);
  EXPECT_DOUBLE_EQ(s.fontSize, 40);
  EXPECT_EQ(s.start, b.topLeft());
  // Handle 0: the upper-right corner stays.
  s = original;
  s.resizeBox(0, {b.right() - 1.5 * b.width(), 0}, original, m);
  EXPECT_DOUBLE_EQ(s.fontSize, 30);
  EXPECT_EQ(s.calloutBox(m).bottomRight(), b.bottomRight());
  // Sizes stay between 10 and 600.
  s.resizeBox(2, {b.left(), 0}, original, m);
  EXPECT_DOUBLE_EQ(s.fontSize, 10);
  s.resizeBox(2, {b.left() + 1e6, 0}, original, m);
  EXPECT_DOUBLE_EQ(s.fontSize, 600);
}

}  // namespace
}  // namespace corvalin
