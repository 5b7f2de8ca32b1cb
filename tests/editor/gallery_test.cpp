// Pictures for people to look at: every annotation kind and every sticker group on a mock
// screenshot, and the bars and the sticker picker as widgets. Each is also checked to have
// drawn something where it should.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontDatabase>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSet>

#include "editor/annotation_fonts.h"
#include "editor/annotation_renderer.h"
#include "editor/sticker_catalog.h"
#include "editor/sticker_picker.h"
#include "editor/style_bar.h"
#include "editor/tools_control.h"
#include "editor_test_support.h"

namespace corvalin {
namespace {

using testing::artifactsDir;

constexpr int kW = 1680;
constexpr int kH = 1180;
constexpr int kCellW = 410;
constexpr int kCellH = 250;

// y-down layout coordinates to image space.
QPointF up(double x, double y) {
  return QPointF(x, kH - y);
}

// A window-like picture with text, buttons and a photo so the filters and the magnifier have
// something to show.
QImage mockScreenshot() {
  QImage img(kW, kH, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, kW, kH);
  sky.setColorAt(0, QColor(0xE8, 0xEE, 0xF6));
  sky.setColorAt(1, QColor(0xD5, 0xDE, 0xEA));
  p.fillRect(img.rect(), sky);
  QFont text = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  text.setPixelSize(14);
  QFont title = text;
  title.setPixelSize(17);
  title.setBold(true);
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      const QRectF card(col * kCellW + 14, row * kCellH + 30, kCellW - 28, kCellH - 44);
      QPainterPath path;
      path.addRoundedRect(card, 10, 10);
      p.fillPath(path, Qt::white);
      p.setPen(QColor(0x33, 0x3A, 0x44));
      p.setFont(title);
      p.drawText(card.topLeft() + QPointF(16, 30),
                 QStringLiteral("Informe trimestral %1").arg(row * 4 + col + 1));
      p.setFont(text);
      p.setPen(QColor(0x55, 0x5E, 0x6A));
      for (int l = 0; l < 5; ++l) {
        p.drawText(card.topLeft() + QPointF(16, 58 + l * 21),
                   QStringLiteral("usuario%1@ejemplo.com · 4%2 21 88 · cuenta 0%3-77")
                       .arg(l)
                       .arg(l * 7)
                       .arg(row + col));
      }
      p.fillRect(QRectF(card.left() + 16, card.bottom() - 40, 92, 26), QColor(0x00, 0x7A, 0xFF));
      p.fillRect(QRectF(card.left() + 120, card.bottom() - 40, 70, 26), QColor(0xE5, 0xE7, 0xEB));
      QLinearGradient photo(card.right() - 120, card.bottom() - 110, card.right() - 16,
                            card.bottom() - 16);
      photo.setColorAt(0, QColor(0xFF, 0x9F, 0x43));
      photo.setColorAt(1, QColor(0x8E, 0x44, 0xAD));
      p.fillRect(QRectF(card.right() - 120, card.bottom() - 110, 104, 94), photo);
    }
  }
  return img;
}

Shape make(ToolKind kind, QPointF a, QPointF b, QColor color = QColor(0xFF, 0x3B, 0x30),
           double width = 5) {
  Shape s;
  s.kind = kind;
  s.start = a;
  s.end = b;
  s.color = color;
  s.width = width;
  s.seed = 0x51A7E5EEDull;
  return s;
}

std::vector<Shape> galleryShapes() {
  std::vector<Shape> shapes;
  auto cell = [](int col, int row) { return QPointF(col * kCellW + 14, row * kCellH + 30); };
  // Row 0: arrows, line, rectangle, oval.
  QPointF c = cell(0, 0);
  shapes.push_back(make(ToolKind::arrow, up(c.x() + 40, c.y() + 170), up(c.x() + 330, c.y() + 60)));
  Shape bent = make(ToolKind::arrow, up(c.x() + 40, c.y() + 100), up(c.x() + 250, c.y() + 190),
                    QColor(0x00, 0x7A, 0xFF), 4);
  bent.control = up(c.x() + 260, c.y() + 40);
  shapes.push_back(bent);
  c = cell(1, 0);
  shapes.push_back(make(ToolKind::line, up(c.x() + 30, c.y() + 180), up(c.x() + 350, c.y() + 70),
                        QColor(0x34, 0xC7, 0x59), 6));
  c = cell(2, 0);
  shapes.push_back(make(ToolKind::rect, up(c.x() + 10, c.y() + 40), up(c.x() + 260, c.y() + 150)));
  c = cell(3, 0);
  shapes.push_back(make(ToolKind::ellipse, up(c.x() + 10, c.y() + 35), up(c.x() + 250, c.y() + 160),
                        QColor(0xAF, 0x52, 0xDE), 5));
  // Row 1: pencil, highlighter, hand-drawn circle, handwriting.
  c = cell(0, 1);
  Shape pencil = make(ToolKind::pencil, {}, {}, QColor(0xFF, 0x2D, 0x55), 4);
  for (int i = 0; i <= 60; ++i) {
    const double t = i / 60.0;
    pencil.points.push_back(up(c.x() + 30 + 320 * t, c.y() + 120 + 60 * std::sin(t * 9)));
  }
  shapes.push_back(pencil);
  c = cell(1, 1);
  Shape marker = make(ToolKind::highlight, {}, {}, QColor(0xFF, 0xCC, 0x00), 5);
  for (int i = 0; i <= 20; ++i) marker.points.push_back(up(c.x() + 14 + 14 * i, c.y() + 52));
  shapes.push_back(marker);
  Shape marker2 = marker;
  marker2.color = QColor(0x34, 0xC7, 0x59);
  for (QPointF& p : marker2.points) p.ry() -= 42;
  shapes.push_back(marker2);
  c = cell(2, 1);
  shapes.push_back(make(ToolKind::sketchOval, up(c.x() + 2, c.y() + 146),
                        up(c.x() + 128, c.y() + 212), QColor(0xFF, 0x3B, 0x30), 5));
  c = cell(3, 1);
  Shape hand = make(ToolKind::handText, up(c.x() + 30, c.y() + 190), {}, QColor(0xFF, 0x3B, 0x30));
  hand.text = QStringLiteral("¡Revisa esto!\nantes del lunes");
  hand.fontSize = 34;
  shapes.push_back(hand);
  // Row 2: callouts, counters, magnifier.
  c = cell(0, 2);
  Shape callout = make(ToolKind::text, up(c.x() + 30, c.y() + 110), {}, QColor(0xFF, 0x3B, 0x30));
  callout.text = QStringLiteral("Este dato está mal");
  callout.textColor = Qt::white;
  callout.fontSize = 22;
  callout.tail = up(c.x() + 300, c.y() + 170);
  shapes.push_back(callout);
  Shape bare = callout;
  bare.color = QColor(0, 0, 0, 0);
  bare.textColor = Qt::white;
  bare.tail.reset();
  bare.text = QStringLiteral("Solo la letra");
  bare.start = up(c.x() + 30, c.y() + 190);
  shapes.push_back(bare);
  c = cell(1, 2);
  for (int i = 0; i < 4; ++i) {
    Shape counter = make(ToolKind::counter, up(c.x() + 30 + i * 85, c.y() + 80 + (i % 2) * 60), {},
                         i == 3 ? QColor(0x00, 0x7A, 0xFF) : QColor(0xFF, 0x3B, 0x30));
    counter.number = i == 3 ? 12 : i + 1;
    counter.fontSize = 22;
    counter.textColor = Qt::white;
    counter.counterFlipX = i == 2;
    counter.counterFlipY = i == 1;
    shapes.push_back(counter);
  }
  c = cell(2, 2);
  Shape magnifier = make(ToolKind::magnifier, up(c.x() + 14, c.y() + 110),
                         up(c.x() + 120, c.y() + 70), QColor(0x1C, 0x1C, 0x1E), 3);
  magnifier.zoom = 2.5;
  magnifier.tail = up(c.x() + 270, c.y() + 130);
  shapes.push_back(magnifier);
  // Row 3: pixelate, blur, sticker and pasted picture.
  c = cell(0, 3);
  shapes.push_back(
      make(ToolKind::pixelate, up(c.x() + 10, c.y() + 40), up(c.x() + 380, c.y() + 150)));
  c = cell(1, 3);
  shapes.push_back(make(ToolKind::blur, up(c.x() + 10, c.y() + 40), up(c.x() + 380, c.y() + 150)));
  c = cell(2, 3);
  Shape sticker = make(ToolKind::sticker, up(c.x() + 20, c.y() + 40), up(c.x() + 150, c.y() + 170));
  sticker.text = QStringLiteral("\U0001F525");
  shapes.push_back(sticker);
  c = cell(3, 3);
  Shape pasted = make(ToolKind::image, up(c.x() + 20, c.y() + 60), up(c.x() + 240, c.y() + 190));
  QImage picture(220, 130, QImage::Format_ARGB32_Premultiplied);
  {
    QPainter p(&picture);
    QLinearGradient g(0, 0, 0, 130);
    g.setColorAt(0, QColor(0x4F, 0xA3, 0xF7));
    g.setColorAt(1, QColor(0xFF, 0xE0, 0x8A));
    p.fillRect(picture.rect(), g);
    p.fillRect(QRect(0, 95, 220, 35), QColor(0x2E, 0x7D, 0x32));
  }
  pasted.image = picture;
  shapes.push_back(pasted);
  return shapes;
}

TEST(Gallery, EveryKindDrawsOnAMockScreenshot) {
  const AnnotationFonts fonts;
  const QImage base = mockScreenshot();
  const std::vector<Shape> shapes = galleryShapes();
  const QImage out = flatten(base, shapes, fonts);
  ASSERT_TRUE(out.save(artifactsDir() + QStringLiteral("/annotations_gallery.png")));
  // Each shape changed the picture somewhere inside its own box.
  for (const Shape& s : shapes) {
    const QRectF box =
        s.boundingBox(fonts).adjusted(-2 * s.width, -2 * s.width, 2 * s.width, 2 * s.width);
    const QRect px = pixelRect(box, base.height()) & base.rect();
    int changed = 0;
    for (int y = px.top(); y <= px.bottom(); y += 2) {
      for (int x = px.left(); x <= px.right(); x += 2) {
        if (testing::colorDistance(out.pixel(x, y), base.pixel(x, y)) > 24) ++changed;
      }
    }
    EXPECT_GT(changed, 20) << "kind " << static_cast<int>(s.kind);
  }
}

TEST(Gallery, EveryStickerGroupDraws) {
  const AnnotationFonts fonts;
  const std::vector<StickerSection> sections =
      seccionesDelPicker(QStringList(), StickerCatalog::sections());
  ASSERT_EQ(sections.size(), 9u);
  const int side = 56, perRow = 14;
  QImage base =
      testing::filled(40 + perRow * (side + 8), 30 + 9 * (side + 30), QColor(0xF4, 0xF5, 0xF7));
  std::vector<Shape> shapes;
  {
    QPainter p(&base);
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0x55, 0x5E, 0x6A));
    for (std::size_t s = 0; s < sections.size(); ++s) {
      const int top = 20 + static_cast<int>(s) * (side + 30);
      p.drawText(20, top + 12, sections[s].title);
      for (int i = 0; i < perRow && i < sections[s].glyphs.size(); ++i) {
        Shape st;
        st.kind = ToolKind::sticker;
        st.text = sections[s].glyphs[i];
        const double x = 20 + i * (side + 8), y = top + 18;
        st.start = QPointF(x, base.height() - y - side);
        st.end = QPointF(x + side, base.height() - y);
        shapes.push_back(st);
      }
    }
  }
  const QImage out = flatten(base, shapes, fonts);
  ASSERT_TRUE(out.save(artifactsDir() + QStringLiteral("/sticker_groups.png")));
  // Each sticker covers a good part of its square, and no sticker is a blank box or a
  // missing-glyph frame: both would leave it nearly uniform.
  for (const Shape& st : shapes) {
    const QRect px = pixelRect(st.rect(), base.height());
    int inked = 0;
    QSet<QRgb> shades;
    for (int y = px.top(); y <= px.bottom(); ++y) {
      for (int x = px.left(); x <= px.right(); ++x) {
        const QRgb c = out.pixel(x, y);
        if (testing::colorDistance(c, base.pixel(x, y)) > 40) ++inked;
        shades.insert(c & 0xF0F0F0);
      }
    }
    EXPECT_GT(inked, px.width() * px.height() / 15) << st.text.toStdString();
    EXPECT_GT(shades.size(), 12) << st.text.toStdString();
  }
}

TEST(Gallery, BarsAndPickerRenderOffscreen) {
  ToolsControl tools(segmentosDeGrupos());
  tools.setSelectedSegment(1);
  tools.resize(tools.sizeHint());
  ASSERT_TRUE(tools.grab().save(artifactsDir() + QStringLiteral("/tools_control.png")));

  InspectorBar bar;
  Shape callout;
  callout.kind = ToolKind::text;
  callout.text = QStringLiteral("hola");
  callout.color = QColor(0xFF, 0x3B, 0x30);
  bar.configure(callout, 1, false);
  ASSERT_TRUE(bar.grab().save(artifactsDir() + QStringLiteral("/inspector_callout.png")));
  Shape arrow;
  arrow.kind = ToolKind::arrow;
  arrow.color = QColor(0x00, 0x7A, 0xFF);
  bar.configure(arrow, 1, false);
  ASSERT_TRUE(bar.grab().save(artifactsDir() + QStringLiteral("/inspector_arrow.png")));
  bar.configure(arrow, 1, true);
  ASSERT_TRUE(bar.grab().save(artifactsDir() + QStringLiteral("/inspector_template.png")));
  bar.configure(arrow, 1, false);
  ASSERT_FALSE(bar.controls().empty());
  static_cast<QAbstractButton*>(bar.controls().front())->click();
  ASSERT_TRUE(bar.grab().save(artifactsDir() + QStringLiteral("/inspector_palette.png")));

  StickerPicker picker(QStringLiteral("\u2764\uFE0F"),
                       {QStringLiteral("\u2764\uFE0F"), QStringLiteral("\U0001F44D")});
  picker.show();
  ASSERT_TRUE(picker.grab().save(artifactsDir() + QStringLiteral("/sticker_picker.png")));
  picker.close();
}

}  // namespace
}  // namespace corvalin
