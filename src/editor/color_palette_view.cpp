#include "editor/color_palette_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace corvalin {
namespace {

int rowsFor(int count, int columns) {
  return (count + columns - 1) / columns;
}

QRectF cellRect(int i, int columns, double cell, double gap) {
  return QRectF((cell + gap) * (i % columns), (cell + gap) * (i / columns), cell, cell);
}

// A light ring keeps white and black cells visible on any bar background.
QColor outlineFor(const QColor& c) {
  return c.lightnessF() > 0.6 ? QColor(0, 0, 0, 70) : QColor(255, 255, 255, 60);
}

void checkerboard(QPainter& p, const QRectF& r) {
  const double side = r.width() / 4;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      p.fillRect(QRectF(r.left() + i * side, r.top() + j * side, side, side),
                 (i + j) % 2 ? QColor(0xC7, 0xC7, 0xCC) : Qt::white);
    }
  }
}

}  // namespace

QSizeF paletteSize(int count, int columns, double cell, double gap) {
  const int rows = rowsFor(count, columns);
  return QSizeF(columns * cell + (columns - 1) * gap, rows * cell + (rows - 1) * gap);
}

std::optional<int> paletteCellAt(QPointF p, int count, int columns, double cell, double gap) {
  for (int i = 0; i < count; ++i) {
    const QRectF r = cellRect(i, columns, cell, gap);
    if (p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom()) return i;
  }
  return std::nullopt;
}

ColorPaletteView::ColorPaletteView(std::vector<QColor> colors, int columns, double cell, double gap,
                                   QWidget* parent)
    : QWidget(parent), colors_(std::move(colors)), columns_(columns), cell_(cell), gap_(gap) {
  resize(sizeHint());
  setCursor(Qt::PointingHandCursor);
}

QSize ColorPaletteView::sizeHint() const {
  return paletteSize(static_cast<int>(colors_.size()), columns_, cell_, gap_).toSize();
}

void ColorPaletteView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  for (std::size_t i = 0; i < colors_.size(); ++i) {
    const QRectF r = cellRect(static_cast<int>(i), columns_, cell_, gap_);
    QPainterPath cell;
    cell.addRoundedRect(r, 4, 4);
    p.fillPath(cell, colors_[i]);
    p.setPen(QPen(outlineFor(colors_[i]), 1));
    p.drawPath(cell);
    if (selectedIndex && *selectedIndex == static_cast<int>(i)) {
      p.setPen(QPen(palette().color(QPalette::Highlight), 2));
      p.drawRoundedRect(r.adjusted(-1, -1, 1, 1), 5, 5);
      p.setPen(QPen(colors_[i].lightnessF() > 0.6 ? Qt::black : Qt::white, 1.6));
      p.drawEllipse(r.center(), 2, 2);
    }
  }
}

void ColorPaletteView::mousePressEvent(QMouseEvent* event) {
  const auto hit =
      paletteCellAt(event->position(), static_cast<int>(colors_.size()), columns_, cell_, gap_);
  if (!hit) return;
  selectedIndex = *hit;
  update();
  if (onPick) onPick(colors_[*hit]);
}

SwatchButton::SwatchButton(const QColor& color, QWidget* parent)
    : QAbstractButton(parent), color_(color) {
  setAttribute(Qt::WA_Hover);
  setFixedSize(sizeHint());
  setCursor(Qt::PointingHandCursor);
}

void SwatchButton::setColor(const QColor& color) {
  color_ = color;
  update();
}

void SwatchButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(3, 3, -3, -3);
  QPainterPath round;
  round.addEllipse(r);
  if (color_.alpha() < 255) {
    p.save();
    p.setClipPath(round);
    checkerboard(p, r);
    p.restore();
  }
  p.fillPath(round, color_);
  p.setPen(QPen(underMouse() ? palette().color(QPalette::Highlight) : QColor(0, 0, 0, 60), 1.2));
  p.drawEllipse(r.adjusted(-1.5, -1.5, 1.5, 1.5));
  p.setPen(QPen(outlineFor(color_), 1));
  p.drawEllipse(r);
}

}  // namespace corvalin
