// Resizing shapes, and dragging them by their handles on the canvas.
#include <gtest/gtest.h>

#include "editor/canvas_geometry.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

using testing::FakeMeasurer;
using testing::shapeOf;

Shape text(ToolKind kind, QPointF origin, double fontSize) {
  return testing::textOf(kind, origin, QStringLiteral("hola"), fontSize);
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
  // Sizes stay between 10 and 600.
  s.resizeBox(2, {b.left(), 0}, original, m);
  EXPECT_DOUBLE_EQ(s.fontSize, 10);
  s.resizeBox(2, {b.left() + 1e6, 0}, original, m);
  EXPECT_DOUBLE_EQ(s.fontSize, 600);
}

TEST(Drag, HandlesMoveEndsAndBendTheArrowThroughThePointer) {
  const FakeMeasurer measurer;
  Shape a = Shape::create(ToolKind::arrow, {0, 0}, {}, 1);
  a.end = QPointF(100, 0);
  Arrastre bend{Arrastre::Tipo::asa, {50, 0}, 7, a};
  const Shape bent = aplicarArrastre(bend, {50, 40}, measurer);
  ASSERT_TRUE(bent.control.has_value());
  // The curve's midpoint (start + 2c + end) / 4 is the pointer.
  EXPECT_EQ((bent.start + 2 * *bent.control + bent.end) / 4, QPointF(50, 40));
}

}  // namespace
}  // namespace corvalin
