// The scrolling grid of the sticker picker: section titles over rows of emoji cells, the
// hovered cell tinted, every cell of the chosen emoji marked. Layout is a plain function.
#pragma once

#include <QRectF>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "editor/sticker_catalog.h"

namespace corvalin {

struct StickerCell {
  QRectF rect;
  QString glyph;
};

// Cell side, space between cells, outer margin and section header height, in points.
inline constexpr double kStickerCell = 34;
inline constexpr double kStickerGap = 4;
inline constexpr double kStickerMargin = 10;
inline constexpr double kStickerHeader = 28;

// Columns for a grid `width` points wide; widths under 120 count as 120.
int stickerColumns(double width);

struct StickerGridLayout {
  std::vector<StickerCell> celdas;  // in reading order over all sections
  double height = 0;                // what the grid needs
  std::vector<double> headerTops;   // top of each section's header
};
StickerGridLayout armarCeldas(const std::vector<StickerSection>& sections, double width);

// Index of the first cell containing `p`.
std::optional<int> celdaEn(const std::vector<StickerCell>& celdas, QPointF p);

class StickerGridView : public QWidget {
 public:
  explicit StickerGridView(QWidget* parent = nullptr);

  std::function<void(const QString&)> onPick;

  void setSections(std::vector<StickerSection> sections);
  void setSelected(const std::optional<QString>& glyph);
  const std::optional<QString>& selected() const { return selected_; }
  const std::optional<int>& hover() const { return hover_; }
  const std::vector<StickerCell>& celdas() const { return layout_.celdas; }
  // Lays the cells out for the current width and takes the height they need.
  void relayout();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  std::vector<StickerSection> sections_;
  StickerGridLayout layout_;
  std::optional<QString> selected_;
  std::optional<int> hover_;
};

}  // namespace corvalin
