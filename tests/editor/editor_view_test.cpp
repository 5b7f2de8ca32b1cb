// The canvas driven by synthetic mouse and key input: every annotation tool from press to
// release, selection and dragging, text editing, keys, crop and paste.
#include <gtest/gtest.h>

#include "editor/editor_text_field.h"
#include "editor_fixture.h"

namespace corvalin {
namespace {

using testing::filled;

class Canvas : public testing::CanvasTest {};

class DragTools : public testing::CanvasTest, public ::testing::WithParamInterface<ToolKind> {};

TEST_P(DragTools, ADragMakesOneShapeWithOneUndoStepAndReturnsToSelect) {
  EditorView& v = abrir(filled(400, 300, Qt::white));
  v.setTool(GetParam());
  drag({60, 60}, {180, 150});
  ASSERT_EQ(v.documento().shapes.size(), 1u);
  const Shape& s = v.documento().shapes[0];
  EXPECT_EQ(s.kind, GetParam());
  EXPECT_EQ(mutaciones_, 1);
  if (s.kind == ToolKind::pencil || s.kind == ToolKind::highlight) {
    EXPECT_EQ(s.points.front(), QPointF(60, 60));
    EXPECT_EQ(s.points.back(), QPointF(180, 150));
  } else {
    EXPECT_EQ(s.start, QPointF(60, 60));
    EXPECT_EQ(s.end, QPointF(180, 150));
  }
  // revertToSelect is on by default: the new shape is selected, automatically.
  EXPECT_EQ(v.tool(), ToolKind::select);
  EXPECT_EQ(v.selectedIndex(), 0);
}

INSTANTIATE_TEST_SUITE_P(Tools, DragTools,
                         ::testing::Values(ToolKind::arrow, ToolKind::line, ToolKind::rect,
                                           ToolKind::ellipse, ToolKind::pencil, ToolKind::highlight,
                                           ToolKind::sketchOval, ToolKind::pixelate, ToolKind::blur,
                                           ToolKind::magnifier, ToolKind::sticker));

TEST_F(Canvas, ADraggedCalloutAimsItsTail) {
  EditorView& v = abrir(filled(400, 300, Qt::white));
  v.setTool(ToolKind::text);
  drag({100, 100}, {160, 40});
  QTest::keyClicks(v.textField(), QStringLiteral("Ahi"));
  QTest::keyClick(v.textField(), Qt::Key_Return, Qt::ShiftModifier);  // a line break
  QTest::keyClicks(v.textField(), QStringLiteral("mira"));
  QTest::keyClick(v.textField(), Qt::Key_Return);
  ASSERT_EQ(v.documento().shapes.size(), 1u);
  EXPECT_EQ(v.documento().shapes[0].text, QStringLiteral("Ahi\nmira"));
  EXPECT_EQ(*v.documento().shapes[0].tail, QPointF(160, 40));
  EXPECT_EQ(mutaciones_, 1);
}

TEST_F(Canvas, EmptyingACalloutReopenedByADoubleClickRemovesIt) {
  EditorView& v = abrir(filled(400, 300, Qt::white));
  v.setTool(ToolKind::text);
  click({100, 200});
  QTest::keyClicks(v.textField(), QStringLiteral("Hola"));
  QTest::keyClick(v.textField(), Qt::Key_Return);
  const QPointF inside = v.documento().shapes[0].calloutBox(testing::fuentes()).center();
  press(inside);
  release(inside);
  mouse(QEvent::MouseButtonDblClick, inside, Qt::LeftButton);
  release(inside);
  ASSERT_TRUE(v.editingText());
  EXPECT_EQ(v.textField()->toPlainText(), QStringLiteral("Hola"));
  v.textField()->selectAll();
  QTest::keyClick(v.textField(), Qt::Key_Delete);
  QTest::keyClick(v.textField(), Qt::Key_Return);
  EXPECT_TRUE(v.documento().shapes.empty());
}

TEST_F(Canvas, DraggingASelectedShapePushesOneUndoStepHoweverLong) {
  EditorView& v = abrir(filled(400, 300, Qt::white));
  v.setTool(ToolKind::rect);
  drag({100, 100}, {200, 160});
  mutaciones_ = 0;
  key(Qt::Key_Escape);  // the automatic selection: Escape copies and closes
  EXPECT_EQ(escapes_, 1);
  drag({100, 130}, {140, 30}, 40);
  EXPECT_EQ(mutaciones_, 1);
  EXPECT_EQ(v.documento().shapes[0].start, QPointF(140, 0));
  // Arrow keys nudge by a pixel, or ten with Shift.
  key(Qt::Key_Right);
  key(Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(v.documento().shapes[0].start, QPointF(141, 10));
  // A shape the user clicked is deselected by Escape; the next Escape copies and closes.
  key(Qt::Key_Escape);
  EXPECT_FALSE(v.selectedIndex().has_value());
  EXPECT_EQ(escapes_, 1);
  key(Qt::Key_Escape);
  EXPECT_EQ(escapes_, 2);
}

TEST_F(Canvas, DeleteWithoutSelectionRemovesTheTopmostShape) {
  EditorView& v = abrir(filled(400, 300, Qt::white));
  v.setTool(ToolKind::counter);
  click({50, 50});
  click({100, 50});
  // Counters keep numbering while the tool stays.
  EXPECT_EQ(v.tool(), ToolKind::counter);
  EXPECT_EQ(v.documento().shapes.at(1).number, 2);
  v.setTool(ToolKind::select);
  key(Qt::Key_Delete);
  ASSERT_EQ(v.documento().shapes.size(), 1u);
  EXPECT_EQ(v.documento().shapes[0].number, 1);
}

TEST_F(Canvas, ACropIsMarkedThenAppliedWithReturn) {
  EditorView& v = abrir(filled(400, 300, Qt::white));
  int saves = 0;
  v.onEnter = [&] { ++saves; };
  v.setTool(ToolKind::crop);
  drag({50.5, 40.2}, {250.2, 200.7});
  EXPECT_EQ(v.cropSelection(), QRectF(50, 40, 201, 161));
  key(Qt::Key_Return);
  EXPECT_EQ(v.imageSize(), QSize(201, 161));
  EXPECT_EQ(redimensiones_, 1);
  EXPECT_EQ(saves, 0);
  key(Qt::Key_Return);  // nothing marked: save
  EXPECT_EQ(saves, 1);
}

TEST_F(Canvas, PastedPicturesArePlacedCentredAndSelected) {
  EditorView& v = abrir(filled(400, 300, Qt::white));
  v.setTool(ToolKind::arrow);
  QImage clip;
  v.imagenDelPortapapeles = [&] { return clip; };
  v.paste();
  EXPECT_EQ(hint_, QStringLiteral("There's no image on the clipboard"));
  EXPECT_TRUE(v.documento().shapes.empty());
  clip = filled(1000, 100, Qt::green);
  v.paste();
  ASSERT_EQ(v.documento().shapes.size(), 1u);
  const Shape& s = v.documento().shapes[0];
  EXPECT_EQ(s.rect().center(), QPointF(200, 150));
  EXPECT_EQ(v.selectedIndex(), 0);
}

// Growing right moves nothing: the arrow stays where it was drawn and the new area is clear.
TEST_F(Canvas, DraggingPastTheEdgeGrowsTheCanvas) {
  EditorView& v = abrir(filled(400, 300, Qt::white));
  v.setTool(ToolKind::arrow);
  drag({300, 150}, {500, 150});
  // 100 past the edge, plus half the width and one pixel.
  EXPECT_EQ(v.imageSize(), QSize(503, 300));
  EXPECT_EQ(mutaciones_, 1);
  EXPECT_EQ(v.documento().shapes[0].start, QPointF(300, 150));
  EXPECT_EQ(qAlpha(v.documento().base.pixel(450, 150)), 0);
}

TEST_F(Canvas, StylingTheSelectionRestylesItInOneUndoStep) {
  EditorView& v = abrir(filled(400, 300, Qt::white));
  v.setTool(ToolKind::arrow);
  drag({100, 100}, {200, 160});
  mutaciones_ = 0;
  v.setStrokeColor(QColor(0, 200, 0));
  v.setStrokeWidth(10);
  EXPECT_EQ(v.documento().shapes[0].color, QColor(0, 200, 0));
  EXPECT_DOUBLE_EQ(v.documento().shapes[0].width, 10);
  EXPECT_EQ(mutaciones_, 1);
  EXPECT_EQ(settings_->d().string(QStringLiteral("strokeColor")), QStringLiteral("#00C800"));
}

}  // namespace
}  // namespace corvalin
