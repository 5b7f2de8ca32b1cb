// The inspector's colour controls: a swatch that shows one colour and opens the palette, and
// the palette grid itself. Cell geometry and hit testing are plain functions.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QSizeF>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace corvalin {

// The size of a palette of `count` cells, `columns` per row.
QSizeF paletteSize(int count, int columns, double cell, double gap);
// The cell under `p` (rows from the top); nothing between cells or outside.
std::optional<int> paletteCellAt(QPointF p, int count, int columns, double cell, double gap);

class ColorPaletteView : public QWidget {
 public:
  ColorPaletteView(std::vector<QColor> colors, int columns, double cell, double gap,
                   QWidget* parent = nullptr);

  std::optional<int> selectedIndex;
  std::function<void(const QColor&)> onPick;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::vector<QColor> colors_;
  int columns_;
  double cell_, gap_;
};

class SwatchButton : public QAbstractButton {
 public:
  explicit SwatchButton(const QColor& color, QWidget* parent = nullptr);

  QColor color() const { return color_; }
  void setColor(const QColor& color);
  QSize sizeHint() const override { return {24, 24}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
};

}  // namespace corvalin
