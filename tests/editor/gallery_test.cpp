// A picture for people to look at, also checked to have drawn something where it should: one
// annotation of every kind.
#include <gtest/gtest.h>

#include <QPainter>

#include "editor/annotation_renderer.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

using testing::artifactsDir;

// One shape of every kind, each in its own 200 × 150 cell, five to a row.
std::vector<Shape> oneOfEachKind() {
  std::vector<Shape> shapes;
  const auto in = [&](ToolKind kind, QPointF a, QPointF b) -> Shape& {
    const QPointF cell(shapes.size() % 5 * 200.0, shapes.size() / 5 * 150.0);
    shapes.push_back(testing::shapeOf(kind, cell + a, cell + b, 5));
    shapes.back().seed = 0x51A7E5EEDull;
    return shapes.back();
  };
  in(ToolKind::arrow, {20, 20}, {180, 120});
  in(ToolKind::arrow, {20, 120}, {180, 120}).control = QPointF(300, 20);  // bent
  in(ToolKind::line, {20, 130}, {180, 20});
  in(ToolKind::rect, {30, 30}, {170, 120});
  in(ToolKind::ellipse, {30, 30}, {170, 120});
  for (ToolKind freehand : {ToolKind::pencil, ToolKind::highlight}) {
    Shape& s = in(freehand, {}, {});
    for (int i = 0; i <= 20; ++i) s.points.push_back(s.start + QPointF(20 + 8 * i, 40 + 3 * i));
  }
  in(ToolKind::sketchOval, {20, 30}, {180, 120});
  Shape& hand = in(ToolKind::handText, {20, 50}, {});
  hand.text = QStringLiteral("¡Revisa!");
  hand.fontSize = 30;
  for (const QColor& box : {QColor(0xFF, 0x3B, 0x30), QColor(0, 0, 0, 0)}) {
    Shape& callout = in(ToolKind::text, {20, 70}, {});
    callout.text = QStringLiteral("Mal dato");
    callout.textColor = Qt::white;
    callout.fontSize = 22;
    callout.color = box;
    if (box.alpha() != 0) callout.tail = callout.start + QPointF(140, -60);
  }
  Shape& counter = in(ToolKind::counter, {60, 50}, {});
  counter.number = 12;
  counter.fontSize = 22;
  counter.textColor = Qt::white;
  Shape& magnifier = in(ToolKind::magnifier, {10, 60}, {60, 100});
  magnifier.tail = magnifier.start + QPointF(120, 0);
  in(ToolKind::pixelate, {20, 20}, {180, 130});
  in(ToolKind::blur, {20, 20}, {180, 130});
  in(ToolKind::sticker, {40, 20}, {150, 130}).text = QStringLiteral("\U0001F525");
  QImage picture = testing::filled(80, 40, QColor(0x4F, 0xA3, 0xF7));
  QPainter(&picture).fillRect(QRect(0, 25, 80, 15), QColor(0x2E, 0x7D, 0x32));
  in(ToolKind::image, {20, 30}, {180, 120}).image = picture;
  return shapes;
}

TEST(Gallery, EveryKindDrawsInsideItsOwnBox) {
  const AnnotationFonts fonts;
  // A busy picture (every pixel differs from its neighbours) so that the filters and the
  // magnifier have something to change.
  QImage base(1000, 600, QImage::Format_ARGB32_Premultiplied);
  for (int i = 0; i < 1000 * 600; ++i)
    base.setPixel(i % 1000, i / 1000, qRgb(i % 1000 * 7 % 256, i / 1000 * 5 % 256, 200));
  const std::vector<Shape> shapes = oneOfEachKind();
  const QImage out = flatten(base, shapes, fonts);
  ASSERT_TRUE(out.save(artifactsDir() + QStringLiteral("/annotations_gallery.png")));
  for (const Shape& s : shapes) {
    const QRectF box =
        s.boundingBox(fonts).adjusted(-2 * s.width, -2 * s.width, 2 * s.width, 2 * s.width);
    const QRect px = pixelRect(box, base.height()) & base.rect();
    int changed = 0;
    for (int y = px.top(); y <= px.bottom(); y += 2)
      for (int x = px.left(); x <= px.right(); x += 2)
        changed += testing::colorDistance(out.pixel(x, y), base.pixel(x, y)) > 24;
    EXPECT_GT(changed, 20) << "kind " << static_cast<int>(s.kind);
  }
}

}  // namespace
}  // namespace corvalin
