// Placement and dragging rules of the canvas, the pixel tools' brush arithmetic and the zoom
// steps, as plain functions.
#include <gtest/gtest.h>

#include "editor/canvas_geometry.h"
#include "editor/editor_zoom.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

testing::FakeMeasurer measurer;

TEST(Placement, CountersTurnTheirTailInwardNearTheRightAndTopEdges) {
  const QSizeF picture(400, 300);
  Shape c = Shape::create(ToolKind::counter, {}, {}, 1);
  colocarContador(c, {100, 100}, picture, measurer);
  EXPECT_FALSE(c.counterFlipX || c.counterFlipY);
  colocarContador(c, {395, 100}, picture, measurer);
  EXPECT_TRUE(c.counterFlipX);
  EXPECT_LE(c.counterBubble(measurer).right(), 400);
  colocarContador(c, {100, 295}, picture, measurer);
  EXPECT_TRUE(c.counterFlipY);
  EXPECT_LE(c.counterBubble(measurer).bottom(), 300);
}

TEST(Drag, HandlesMoveEndsTailsAndBendTheArrowThroughThePointer) {
  Shape a = Shape::create(ToolKind::arrow, {0, 0}, {}, 1);
  a.end = QPointF(100, 0);
  Arrastre bend{Arrastre::Tipo::asa, {50, 0}, 7, a};
  const Shape bent = aplicarArrastre(bend, {50, 40}, measurer);
  ASSERT_TRUE(bent.control.has_value());
  // The curve's midpoint (start + 2c + end) / 4 is the pointer.
  EXPECT_EQ((bent.start + 2 * *bent.control + bent.end) / 4, QPointF(50, 40));
  const Shape moved = aplicarArrastre({Arrastre::Tipo::mover, {10, 10}, 0, a}, {15, 20}, measurer);
  EXPECT_EQ(moved.end, QPointF(105, 10));
  Shape mag = Shape::create(ToolKind::magnifier, {0, 0}, {}, 1);
  mag.end = QPointF(20, 20);
  const Shape panel = aplicarArrastre({Arrastre::Tipo::panel, {0, 0}, 0, mag}, {10, 5}, measurer);
  EXPECT_EQ(*panel.tail, mag.magnifierPanel().center() + QPointF(10, 5));
}

TEST(Brush, OnScreenSizeBecomesImagePixelsAtTheDisplayScale) {
  const retouch::Brush b = pincelPara(ToolKind::repair, 24, 4, 0.3);
  EXPECT_DOUBLE_EQ(b.radius, 6);
  EXPECT_DOUBLE_EQ(b.opacity, 1);  // only the clone tool has a strength
  EXPECT_DOUBLE_EQ(pincelPara(ToolKind::clone, 24, 4, 0.3).opacity, 0.3);
  const std::vector<QPointF> dabs = puntosDelTrazo({0, 0}, {15, 0}, 6);
  ASSERT_EQ(dabs.size(), 10u);  // 1.5 pixels apart
  EXPECT_EQ(dabs.back(), QPointF(15, 0));
  EXPECT_EQ(puntosDelTrazo({0, 0}, {0.2, 0}, 6).size(), 1u);
}

TEST(Zoom, FixedZoomsStayWithinTheirLimits) {
  EXPECT_DOUBLE_EQ(*zoomTrasComando({ZoomCommand::Tipo::zoomIn}, 7.9, 2, 0.5), 8);
  EXPECT_DOUBLE_EQ(*zoomTrasComando({ZoomCommand::Tipo::zoomOut}, 0.04, 1, 0.5), 0.05);
  // A picture that needs less than 5 % to fit may zoom out that far.
  EXPECT_DOUBLE_EQ(*zoomTrasComando({ZoomCommand::Tipo::zoomOut}, 0.02, 1, 0.01), 0.016);
  EXPECT_DOUBLE_EQ(*zoomTrasComando({ZoomCommand::Tipo::factor, 0.01}, 1, 1, 0.1), 0.2);
}

}  // namespace
}  // namespace corvalin
