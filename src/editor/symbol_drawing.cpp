#include "editor/symbol_drawing.h"

#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <cmath>
#include <functional>
#include <numbers>

namespace corvalin {
namespace {

// Every drawing works in a 24 × 24 box with the pen and brush already in the colour.
using Drawing = std::function<void(QPainter&, const QColor&)>;

void line(QPainter& p, double x0, double y0, double x1, double y1) {
  p.drawLine(QPointF(x0, y0), QPointF(x1, y1));
}

void polyline(QPainter& p, std::initializer_list<QPointF> pts) {
  p.drawPolyline(QPolygonF(QList<QPointF>(pts)));
}

QPainterPath rounded(const QRectF& r, double radius) {
  QPainterPath path;
  path.addRoundedRect(r, radius, radius);
  return path;
}

QColor faded(QColor c, double alpha) {
  c.setAlphaF(static_cast<float>(c.alphaF() * alpha));
  return c;
}

const QHash<QString, Drawing>& drawings() {
  static const QHash<QString, Drawing> table = {
      {QStringLiteral("cursorarrow"),
       [](QPainter& p, const QColor& c) {
         QPainterPath a;
         a.addPolygon(QPolygonF({{7, 3},
                                 {7, 19.5},
                                 {11, 15.6},
                                 {13.8, 21.4},
                                 {16.4, 20.2},
                                 {13.7, 14.5},
                                 {19.2, 14.5}}));
         a.closeSubpath();
         p.fillPath(a, c);
       }},
      {QStringLiteral("arrow.up.right"),
       [](QPainter& p, const QColor&) {
         line(p, 5.5, 18.5, 17.5, 6.5);
         polyline(p, {{9, 6}, {18, 6}, {18, 15}});
       }},
      {QStringLiteral("rectangle"),
       [](QPainter& p, const QColor&) { p.drawPath(rounded(QRectF(3.5, 6, 17, 12), 2.5)); }},
      {QStringLiteral("oval"),
       [](QPainter& p, const QColor&) { p.drawEllipse(QRectF(3, 6, 18, 12)); }},
      {QStringLiteral("pencil"),
       [](QPainter& p, const QColor&) {
         QPainterPath body;
         body.addPolygon(QPolygonF({{4, 20}, {5.2, 15.2}, {15.6, 4.8}, {19.2, 8.4}, {8.8, 18.8}}));
         body.closeSubpath();
         p.drawPath(body);
         line(p, 13.4, 7, 17, 10.6);
         line(p, 5.2, 15.2, 8.8, 18.8);
       }},
      {QStringLiteral("highlighter"),
       [](QPainter& p, const QColor& c) {
         p.fillRect(QRectF(3, 19, 18, 3), faded(c, 0.45));
         QPainterPath body;
         body.addPolygon(QPolygonF({{8.5, 15.5}, {5.5, 12.5}, {14, 4}, {17, 7}}));
         body.closeSubpath();
         p.drawPath(body);
         QPainterPath tip;
         tip.addPolygon(
             QPolygonF({{5.5, 12.5}, {8.5, 15.5}, {6.5, 17.5}, {3.8, 17.5}, {3.8, 14.2}}));
         tip.closeSubpath();
         p.fillPath(tip, c);
       }},
      {QStringLiteral("text.bubble.fill"),
       [](QPainter& p, const QColor& c) {
         QPainterPath bubble = rounded(QRectF(3, 3.5, 18, 13.5), 4);
         QPainterPath tail;
         tail.addPolygon(QPolygonF({{7, 16}, {6.5, 21}, {12, 16}}));
         tail.closeSubpath();
         QPainterPath lines;
         lines.addRoundedRect(QRectF(7, 7.3, 10, 1.8), 0.9, 0.9);
         lines.addRoundedRect(QRectF(7, 11, 6.5, 1.8), 0.9, 0.9);
         p.fillPath(bubble.united(tail).subtracted(lines), c);
       }},
      {QStringLiteral("mosaic"),
       [](QPainter& p, const QColor& c) {
         for (int i = 0; i < 3; ++i) {
           for (int j = 0; j < 3; ++j) {
             p.fillRect(QRectF(3.5 + i * 6, 3.5 + j * 6, 5, 5), (i + j) % 2 ? faded(c, 0.4) : c);
           }
         }
       }},
      {QStringLiteral("drop.fill"),
       [](QPainter& p, const QColor& c) {
         QPainterPath d;
         d.moveTo(12, 2.5);
         d.cubicTo(14.5, 6.5, 19, 10.5, 19, 14.5);
         d.cubicTo(19, 18.4, 15.9, 21.5, 12, 21.5);
         d.cubicTo(8.1, 21.5, 5, 18.4, 5, 14.5);
         d.cubicTo(5, 10.5, 9.5, 6.5, 12, 2.5);
         p.fillPath(d, c);
       }},
      {QStringLiteral("crop"),
       [](QPainter& p, const QColor&) {
         polyline(p, {{7, 2.5}, {7, 17}, {21.5, 17}});
         polyline(p, {{2.5, 7}, {17, 7}, {17, 21.5}});
       }},
      {QStringLiteral("plus.magnifyingglass"),
       [](QPainter& p, const QColor& c) {
         p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
         line(p, 10, 7, 10, 13);
         line(p, 7, 10, 13, 10);
         QPen thick = p.pen();
         thick.setWidthF(thick.widthF() * 1.6);
         thick.setColor(c);
         p.setPen(thick);
         line(p, 15, 15, 20, 20);
       }},
      {QStringLiteral("1.circle.fill"),
       [](QPainter& p, const QColor& c) {
         QPainterPath disc;
         disc.addEllipse(QPointF(12, 12), 9.5, 9.5);
         QPainterPath one;
         one.moveTo(9.3, 8.6);
         one.lineTo(12.6, 6.4);
         one.lineTo(14.2, 6.4);
         one.lineTo(14.2, 17.6);
         one.lineTo(12.2, 17.6);
         one.lineTo(12.2, 9.2);
         one.lineTo(10.1, 10.5);
         one.closeSubpath();
         p.fillPath(disc.subtracted(one), c);
       }},
      {QStringLiteral("line.diagonal"), [](QPainter& p, const QColor&) { line(p, 5, 19, 19, 5); }},
      {QStringLiteral("bandage.fill"),
       [](QPainter& p, const QColor& c) {
         QTransform turn;
         turn.translate(12, 12);
         turn.rotate(-45);
         turn.translate(-12, -12);
         QPainterPath band = rounded(QRectF(1.5, 8, 21, 8), 4);
         QPainterPath holes;
         for (double x : {10.5, 13.5}) {
           for (double y : {10.5, 13.5}) holes.addEllipse(QPointF(x, y), 0.9, 0.9);
         }
         p.fillPath(turn.map(band.subtracted(holes)), c);
       }},
      {QStringLiteral("square.on.square.dashed"),
       [](QPainter& p, const QColor&) {
         QPen dashed = p.pen();
         dashed.setDashPattern({1.6, 1.6});
         dashed.setCapStyle(Qt::FlatCap);
         const QPen solid = p.pen();
         p.setPen(dashed);
         p.drawPath(rounded(QRectF(3, 3, 12, 12), 2));
         p.setPen(solid);
         p.drawPath(rounded(QRectF(9, 9, 12, 12), 2));
       }},
      {QStringLiteral("hand.draw.fill"),
       [](QPainter& p, const QColor&) {
         QPainterPath s;
         s.moveTo(3, 17);
         s.cubicTo(6, 5, 10, 5, 10.5, 12);
         s.cubicTo(11, 19, 15, 19, 16, 12);
         s.cubicTo(16.8, 7, 19, 6, 21, 7);
         p.drawPath(s);
       }},
      {QStringLiteral("sun.max.fill"),
       [](QPainter& p, const QColor& c) {
         QPainterPath core;
         core.addEllipse(QPointF(12, 12), 4.5, 4.5);
         p.fillPath(core, c);
         for (int i = 0; i < 8; ++i) {
           const double a = i * std::numbers::pi / 4;
           line(p, 12 + 7 * std::cos(a), 12 + 7 * std::sin(a), 12 + 9.5 * std::cos(a),
                12 + 9.5 * std::sin(a));
         }
       }},
      {QStringLiteral("face.smiling"),
       [](QPainter& p, const QColor& c) {
         p.drawEllipse(QPointF(12, 12), 9, 9);
         QPainterPath eyes;
         eyes.addEllipse(QPointF(9, 10), 1.3, 1.3);
         eyes.addEllipse(QPointF(15, 10), 1.3, 1.3);
         p.fillPath(eyes, c);
         QPainterPath smile;
         smile.arcMoveTo(QRectF(7.5, 8, 9, 8), 200);
         smile.arcTo(QRectF(7.5, 8, 9, 8), 200, 140);
         p.drawPath(smile);
       }},
      {QStringLiteral("photo"),
       [](QPainter& p, const QColor& c) {
         p.drawPath(rounded(QRectF(3, 5, 18, 14), 2.5));
         polyline(p, {{5.5, 16.5}, {10, 11.5}, {13.5, 15}, {15.5, 13}, {18.5, 16}});
         QPainterPath sun;
         sun.addEllipse(QPointF(16, 9), 1.6, 1.6);
         p.fillPath(sun, c);
       }},
      {QStringLiteral("circle.dotted"),
       [](QPainter& p, const QColor& c) {
         QPainterPath dots;
         for (int i = 0; i < 12; ++i) {
           const double a = i * std::numbers::pi / 6;
           dots.addEllipse(QPointF(12 + 8.5 * std::cos(a), 12 + 8.5 * std::sin(a)), 1.2, 1.2);
         }
         p.fillPath(dots, c);
       }},
      {QStringLiteral("lasso"),
       [](QPainter& p, const QColor&) {
         QPainterPath loop;
         loop.arcMoveTo(QRectF(3, 3.5, 18, 11), 235);
         loop.arcTo(QRectF(3, 3.5, 18, 11), 235, 330);
         p.drawPath(loop);
         QPainterPath rope;
         rope.moveTo(8.5, 13.5);
         rope.cubicTo(6, 16, 10.5, 17.5, 8, 21);
         p.drawPath(rope);
       }},
      {QStringLiteral("signature"),
       [](QPainter& p, const QColor& c) {
         QPainterPath s;
         s.moveTo(3, 15);
         s.cubicTo(5, 4, 9, 5, 7.5, 12);
         s.cubicTo(6.5, 18, 11, 9, 12, 13);
         s.cubicTo(13, 16, 15, 10.5, 16, 13);
         s.cubicTo(17, 15, 19, 13, 21, 11.5);
         p.drawPath(s);
         QPen thin = p.pen();
         thin.setWidthF(thin.widthF() * 0.6);
         thin.setColor(faded(c, 0.6));
         p.setPen(thin);
         line(p, 3, 19.5, 21, 19.5);
       }},
      {QStringLiteral("arrow.down.right.and.arrow.up.left"),
       [](QPainter& p, const QColor&) {
         line(p, 4, 4, 10, 10);
         polyline(p, {{10, 5}, {10, 10}, {5, 10}});
         line(p, 20, 20, 14, 14);
         polyline(p, {{14, 19}, {14, 14}, {19, 14}});
       }},
      {QStringLiteral("chevron.left"),
       [](QPainter& p, const QColor&) {
         polyline(p, {{15, 5}, {8, 12}, {15, 19}});
       }},
      {QStringLiteral("square.slash"),
       [](QPainter& p, const QColor&) {
         p.drawPath(rounded(QRectF(4, 4, 16, 16), 3));
         line(p, 3, 21, 21, 3);
       }},
      {QStringLiteral("square.fill"),
       [](QPainter& p, const QColor& c) { p.fillPath(rounded(QRectF(4, 4, 16, 16), 3), c); }},
      {QStringLiteral("plus.square.on.square"),
       [](QPainter& p, const QColor&) {
         polyline(p, {{5.5, 8}, {3.5, 8}, {3.5, 20.5}, {16, 20.5}, {16, 18.5}});
         p.drawPath(rounded(QRectF(8, 3.5, 12.5, 12.5), 2.5));
         line(p, 14.25, 6.8, 14.25, 12.7);
         line(p, 11.3, 9.75, 17.2, 9.75);
       }},
      {QStringLiteral("trash"),
       [](QPainter& p, const QColor&) {
         line(p, 3.5, 6, 20.5, 6);
         polyline(p, {{9, 6}, {9, 3.5}, {15, 3.5}, {15, 6}});
         polyline(p, {{5.5, 6}, {6.8, 20.5}, {17.2, 20.5}, {18.5, 6}});
         line(p, 10, 9.5, 10, 17);
         line(p, 14, 9.5, 14, 17);
       }},
  };
  return table;
}

class SymbolIconEngine : public QIconEngine {
 public:
  SymbolIconEngine(QString symbol, DibujoDeSimbolo dibujo)
      : symbol_(std::move(symbol)), dibujo_(std::move(dibujo)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    const QPalette palette = QGuiApplication::palette();
    QColor c = palette.color(QPalette::WindowText);
    if (mode == QIcon::Selected) c = palette.color(QPalette::HighlightedText);
    if (mode == QIcon::Disabled) c = faded(c, 0.35);
    dibujo_(*painter, rect, symbol_, c);
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1.0);
  }

  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal scale) override {
    QPixmap pm(size * scale);
    pm.fill(Qt::transparent);
    {
      QPainter p(&pm);
      paint(&p, QRect(QPoint(0, 0), pm.size()), mode, state);
    }
    pm.setDevicePixelRatio(scale);
    return pm;
  }

  QIconEngine* clone() const override { return new SymbolIconEngine(symbol_, dibujo_); }

 private:
  QString symbol_;
  DibujoDeSimbolo dibujo_;
};

}  // namespace

bool hasSymbolDrawing(const QString& symbol) {
  return drawings().contains(symbol);
}

void drawSymbol(QPainter& painter, const QRectF& box, const QString& symbol, const QColor& color) {
  const auto it = drawings().constFind(symbol);
  if (it == drawings().constEnd()) return;
  const double side = std::min(box.width(), box.height());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(box.center().x() - side / 2, box.center().y() - side / 2);
  painter.scale(side / 24, side / 24);
  // Thin enough to stay open at 16 pixels, heavy enough to read at 17.
  painter.setPen(QPen(color, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  (*it)(painter, color);
  painter.restore();
}

QIcon symbolIcon(const QString& symbol) {
  return symbolIcon(symbol, [](QPainter& p, const QRect& r, const QString& s, const QColor& c) {
    drawSymbol(p, r, s, c);
  });
}

QIcon symbolIcon(const QString& symbol, DibujoDeSimbolo dibujo) {
  return QIcon(new SymbolIconEngine(symbol, std::move(dibujo)));
}

}  // namespace corvalin
