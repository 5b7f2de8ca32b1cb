#include "editor/editor_icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <functional>

#include "editor/symbol_drawing.h"

namespace corvalin {
namespace {

// Each drawing works in a 24 × 24 box with the pen already set.
using Drawing = std::function<void(QPainter&, const QColor&)>;

void arrowHead(QPainter& p, QPointF tip, QPointF a, QPointF b) {
  p.drawPolyline(QPolygonF({a, tip, b}));
}

// Mirroring across a dashed vertical axis: an outlined triangle on the left, its filled mirror
// image on the right.
void drawFlip(QPainter& p, const QColor& c) {
  QPen dash = p.pen();
  dash.setDashPattern({1.5, 1.5});
  p.setPen(dash);
  p.drawLine(QPointF(12, 3), QPointF(12, 21));
  p.setPen(QPen(c, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolygon(QPolygonF({{9, 6}, {9, 18}, {3, 18}}));
  QPainterPath r;
  r.addPolygon(QPolygonF({{15, 6}, {15, 18}, {21, 18}}));
  r.closeSubpath();
  p.fillPath(r, c);
}

const QHash<QString, Drawing>& drawings() {
  static const QHash<QString, Drawing> table = {
      {QStringLiteral("arrow.uturn.backward"),
       [](QPainter& p, const QColor&) {
         QPainterPath path(QPointF(5, 9));
         path.lineTo(14, 9);
         path.cubicTo(21, 9, 21, 19, 14, 19);
         path.lineTo(9, 19);
         p.drawPath(path);
         arrowHead(p, QPointF(5, 9), QPointF(9, 5), QPointF(9, 13));
       }},
      {QStringLiteral("arrow.uturn.forward"),
       [](QPainter& p, const QColor&) {
         QPainterPath path(QPointF(19, 9));
         path.lineTo(10, 9);
         path.cubicTo(3, 9, 3, 19, 10, 19);
         path.lineTo(15, 19);
         p.drawPath(path);
         arrowHead(p, QPointF(19, 9), QPointF(15, 5), QPointF(15, 13));
       }},
      {QStringLiteral("wand.and.stars"),
       [](QPainter& p, const QColor& c) {
         p.drawLine(QPointF(4, 20), QPointF(15, 9));
         p.drawLine(QPointF(13.5, 7.5), QPointF(16.5, 10.5));
         auto star = [&](QPointF o, double r) {
           QPainterPath s;
           s.moveTo(o + QPointF(0, -r));
           s.quadTo(o, o + QPointF(r, 0));
           s.quadTo(o, o + QPointF(0, r));
           s.quadTo(o, o + QPointF(-r, 0));
           s.quadTo(o, o + QPointF(0, -r));
           p.fillPath(s, c);
         };
         star(QPointF(18, 5), 3.2);
         star(QPointF(9, 4.5), 2.2);
         star(QPointF(19.5, 14.5), 2.2);
       }},
      {QStringLiteral("eye"),
       [](QPainter& p, const QColor& c) {
         QPainterPath e(QPointF(2.5, 12));
         e.quadTo(12, 2.5, 21.5, 12);
         e.quadTo(12, 21.5, 2.5, 12);
         p.drawPath(e);
         p.setBrush(c);
         p.drawEllipse(QPointF(12, 12), 3, 3);
       }},
      {QStringLiteral("clock.arrow.circlepath"),
       [](QPainter& p, const QColor&) {
         p.drawArc(QRectF(4, 4, 16, 16), 200 * 16, -310 * 16);
         arrowHead(p, QPointF(4.6, 9.3), QPointF(3.2, 5.2), QPointF(7.6, 7.4));
         p.drawPolyline(QPolygonF({{12, 7.5}, {12, 12}, {15, 14}}));
       }},
      {QStringLiteral("text.viewfinder"),
       [](QPainter& p, const QColor&) {
         for (const auto& [a, b, c] :
              {std::tuple{QPointF(3, 8), QPointF(3, 3), QPointF(8, 3)},
               std::tuple{QPointF(16, 3), QPointF(21, 3), QPointF(21, 8)},
               std::tuple{QPointF(21, 16), QPointF(21, 21), QPointF(16, 21)},
               std::tuple{QPointF(8, 21), QPointF(3, 21), QPointF(3, 16)}}) {
           p.drawPolyline(QPolygonF({a, b, c}));
         }
         p.drawLine(QPointF(8, 8.5), QPointF(16, 8.5));
         p.drawLine(QPointF(12, 8.5), QPointF(12, 16.5));
       }},
      {QStringLiteral("rotate.right"),
       [](QPainter& p, const QColor&) {
         p.drawRoundedRect(QRectF(4, 10, 11, 10), 1.5, 1.5);
         QPainterPath a(QPointF(9, 6.5));
         a.quadTo(18, 4, 19.5, 12);
         p.drawPath(a);
         arrowHead(p, QPointF(19.5, 12.5), QPointF(16.5, 10), QPointF(21.5, 9));
       }},
      {QStringLiteral("rotate.left"),
       [](QPainter& p, const QColor&) {
         p.drawRoundedRect(QRectF(9, 10, 11, 10), 1.5, 1.5);
         QPainterPath a(QPointF(15, 6.5));
         a.quadTo(6, 4, 4.5, 12);
         p.drawPath(a);
         arrowHead(p, QPointF(4.5, 12.5), QPointF(7.5, 10), QPointF(2.5, 9));
       }},
      {QStringLiteral("flip.horizontal"), [](QPainter& p, const QColor& c) { drawFlip(p, c); }},
      // The same drawing with x and y exchanged.
      {QStringLiteral("flip.vertical"),
       [](QPainter& p, const QColor& c) {
         p.setTransform(QTransform(0, 1, 1, 0, 0, 0), true);
         drawFlip(p, c);
       }},
      {QStringLiteral("doc.on.doc"),
       [](QPainter& p, const QColor&) {
         p.drawRoundedRect(QRectF(8, 7, 12, 14), 2, 2);
         p.drawPolyline(QPolygonF({{5, 17}, {4, 17}, {4, 4}, {15, 4}, {15, 5}}));
       }},
      {QStringLiteral("square.and.arrow.down"),
       [](QPainter& p, const QColor&) {
         p.drawPolyline(QPolygonF({{8, 10}, {5, 10}, {5, 21}, {19, 21}, {19, 10}, {16, 10}}));
         p.drawLine(QPointF(12, 3), QPointF(12, 15));
         arrowHead(p, QPointF(12, 15.5), QPointF(8.5, 12), QPointF(15.5, 12));
       }},
      {QStringLiteral("icloud.and.arrow.up"),
       [](QPainter& p, const QColor&) {
         QPainterPath cloud(QPointF(8, 19));
         cloud.lineTo(6.5, 19);
         cloud.cubicTo(1, 19, 1.5, 11.5, 6.5, 11.5);
         cloud.cubicTo(7, 4, 17.5, 4, 18, 10.5);
         cloud.cubicTo(23, 11, 23, 19, 17.5, 19);
         cloud.lineTo(16, 19);
         p.drawPath(cloud);
         p.drawLine(QPointF(12, 21), QPointF(12, 12));
         arrowHead(p, QPointF(12, 11.5), QPointF(9, 14.5), QPointF(15, 14.5));
       }},
      {QStringLiteral("moon.fill"),
       [](QPainter& p, const QColor& c) {
         QPainterPath moon;
         moon.addEllipse(QPointF(12, 12), 8, 8);
         QPainterPath bite;
         bite.addEllipse(QPointF(16.5, 8.5), 7, 7);
         p.fillPath(moon.subtracted(bite), c);
       }},
  };
  return table;
}

// The editor's own action drawings, else the shared symbol drawings.
void drawAction(QPainter& painter, const QRect& rect, const QString& symbol, const QColor& c) {
  const auto it = drawings().constFind(symbol);
  if (it == drawings().constEnd()) {
    drawSymbol(painter, rect, symbol, c);
    return;
  }
  const double side = std::min(rect.width(), rect.height());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(rect.center().x() + 0.5 - side / 2, rect.center().y() + 0.5 - side / 2);
  painter.scale(side / 24, side / 24);
  painter.setPen(QPen(c, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  (*it)(painter, c);
  painter.restore();
}

}  // namespace

bool tieneIconoDeAccion(const QString& symbol) {
  return drawings().contains(symbol) || hasSymbolDrawing(symbol);
}

QIcon iconoDeAccion(const QString& symbol) {
  return symbolIcon(symbol, drawAction);
}

}  // namespace corvalin
