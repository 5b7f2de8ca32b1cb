// Placement rules of the canvas, the pixel tools' brush arithmetic, and the window's zoom and
// size, as plain functions.
#include <gtest/gtest.h>

#include "editor/canvas_geometry.h"
#include "editor/editor_zoom.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

testing::FakeMeasurer measurer;

TEST(Placement, StickerClicksMakeASquareOfASeventhOfTheShorterSide) {
  EXPECT_EQ(stickerDeUnClic({100, 100}, {300, 200}).size(), QSizeF(64, 64));
  EXPECT_EQ(stickerDeUnClic({0, 0}, {8000, 6000}).size(), QSizeF(320, 320));
}

TEST(Placement, CountersTurnTheirTailInwardNearTheRightAndTopEdges) {
  const QSizeF picture(400, 300);
  Shape c = Shape::create(ToolKind::counter, {}, {}, 1);
  colocarContador(c, {100, 100}, picture, measurer);
  EXPECT_FALSE(c.counterFlipX);
  EXPECT_FALSE(c.counterFlipY);
  const QRectF bubble = c.counterBubble(measurer);
  // The tail tip is the click: 5.5 % in from the left, 30 % of a height below the disc.
  EXPECT_NEAR(bubble.left() + 0.055 * bubble.width(), 100, 1e-9);
  EXPECT_NEAR(bubble.top() - 0.3 * bubble.height(), 100, 1e-9);

  colocarContador(c, {395, 100}, picture, measurer);
  EXPECT_TRUE(c.counterFlipX);
  EXPECT_LE(c.counterBubble(measurer).right(), 400);
  colocarContador(c, {100, 295}, picture, measurer);
  EXPECT_TRUE(c.counterFlipY);
  EXPECT_LE(c.counterBubble(measurer).bottom(), 300);
}

TEST(Placement, MagnifierPanelsGoWhereTheyFitRightFirst) {
  const QSizeF picture(1000, 600);
  const QRectF source(100, 250, 100, 100);  // panel 250 × 250 at zoom 2.5, gap 30
  EXPECT_EQ(magnifierPlacement(source, 2.5, picture), QPointF(200 + 30 + 125, 300));
  const QRectF nearRight(850, 250, 100, 100);
  EXPECT_EQ(magnifierPlacement(nearRight, 2.5, picture), QPointF(850 - 30 - 125, 300));
  // Fits nowhere: the right-hand place, kept inside the picture.
  const QPointF kept = magnifierPlacement(QRectF(100, 100, 300, 300), 2.5, QSizeF(800, 800));
  EXPECT_EQ(kept, QPointF(800 - 375, 250 + 125));
}

TEST(Placement, CalloutTailsPointDownAndStayAboveTheBottomEdge) {
  EXPECT_EQ(defaultTail(QRectF(100, 200, 80, 40), 1), QPointF(140, 178));
  EXPECT_EQ(defaultTail(QRectF(100, 10, 80, 40), 2), QPointF(140, 3));
}

TEST(Placement, TheInspectorSitsAboveItsAnchorOrBelowWhenThereIsNoRoom) {
  const QRect area(0, 0, 800, 600);
  EXPECT_EQ(posicionDelInspector(QRectF(300, 300, 100, 50), {200, 40}, area), QPoint(250, 248));
  EXPECT_EQ(posicionDelInspector(QRectF(300, 20, 100, 50), {200, 40}, area), QPoint(250, 82));
  // The template's anchor above the canvas puts the bar at the top centre.
  EXPECT_EQ(posicionDelInspector(QRectF(400, -8, 0, 0), {200, 40}, area), QPoint(300, 4));
  EXPECT_EQ(posicionDelInspector(QRectF(790, 300, 10, 10), {200, 40}, area).x(), 596);
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
  EXPECT_EQ(moved.start, QPointF(5, 10));
  EXPECT_EQ(moved.end, QPointF(105, 10));
  Shape mag = Shape::create(ToolKind::magnifier, {0, 0}, {}, 1);
  mag.end = QPointF(20, 20);
  const Shape panel = aplicarArrastre({Arrastre::Tipo::panel, {0, 0}, 0, mag}, {10, 5}, measurer);
  EXPECT_EQ(*panel.tail, mag.magnifierPanel().center() + QPointF(10, 5));
  EXPECT_EQ(panel.start, mag.start);
}

TEST(Brush, OnScreenSizeBecomesImagePixelsAtTheDisplayScale) {
  const retouch::Brush b = pincelPara(ToolKind::repair, 24, 4, 0.3);
  EXPECT_DOUBLE_EQ(b.radius, 6);
  EXPECT_DOUBLE_EQ(b.hardness, 0.55);
  EXPECT_DOUBLE_EQ(b.opacity, 1);  // only the clone tool has a strength
  EXPECT_DOUBLE_EQ(pincelPara(ToolKind::clone, 24, 4, 0.3).opacity, 0.3);
  EXPECT_DOUBLE_EQ(pincelPara(ToolKind::warp, 24, 4, 1).hardness, 0);
  EXPECT_DOUBLE_EQ(pincelPara(ToolKind::pinch, 1, 100, 1).radius, 0.5);
  const std::vector<QPointF> dabs = puntosDelTrazo({0, 0}, {15, 0}, 6);
  ASSERT_EQ(dabs.size(), 10u);  // 1.5 pixels apart
  EXPECT_EQ(dabs.front(), QPointF(1.5, 0));
  EXPECT_EQ(dabs.back(), QPointF(15, 0));
  EXPECT_EQ(puntosDelTrazo({0, 0}, {0.2, 0}, 6).size(), 1u);
}

TEST(Brush, SpeckSizeFollowsTheBrushAndThePicture) {
  EXPECT_EQ(despeckleRadius(40, {4000, 3000}), 14);
  EXPECT_EQ(despeckleRadius(200, {4000, 3000}), 24);
  EXPECT_EQ(despeckleRadius(40, {300, 200}), 2);  // 1.67 becomes 2
}

TEST(Zoom, FixedZoomsStayWithinTheirLimits) {
  EXPECT_DOUBLE_EQ(*zoomTrasComando({ZoomCommand::Tipo::zoomIn}, 7.9, 2, 0.5), 8);
  EXPECT_DOUBLE_EQ(*zoomTrasComando({ZoomCommand::Tipo::zoomOut}, 0.04, 1, 0.5), 0.05);
  // A picture that needs less than 5 % to fit may zoom out that far.
  EXPECT_DOUBLE_EQ(*zoomTrasComando({ZoomCommand::Tipo::zoomOut}, 0.02, 1, 0.01), 0.016);
  EXPECT_DOUBLE_EQ(*zoomTrasComando({ZoomCommand::Tipo::factor, 0.01}, 1, 1, 0.1), 0.2);
}

TEST(WindowSize, SmallPicturesGetTheMinimumWidthAndBigOnesFitTheScreen) {
  EXPECT_EQ(tamanoDeContenido({100, 100}, 2, {1440, 900}, 88), QSize(820, 280));
  EXPECT_EQ(tamanoDeContenido({1600, 1000}, 2, {1440, 900}, 88), QSize(820, 588));
  // A 4K capture on a 1920 × 1080 screen at scale 1: limited by the height left for it.
  const QSize big = tamanoDeContenido({3840, 2160}, 1, {1920, 1080}, 88);
  EXPECT_NEAR(big.height(), 912 + 88, 1);
  EXPECT_NEAR(big.width(), 1621, 1);
  EXPECT_EQ(tamanoDeContenido({800, 600}, 0, {}, 88), QSize(820, 388));  // scale unknown: 2
  EXPECT_EQ(colocarVentana({400, 300}, {50, 50}, QRect(0, 0, 1000, 800)), QRect(0, 0, 400, 300));
}

}  // namespace
}  // namespace corvalin
