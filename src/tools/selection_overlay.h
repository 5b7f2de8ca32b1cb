// A borderless window over one monitor: shows the frozen picture, dimmed outside the
// highlight, with a crosshair and the highlight's size, and hands input to the session.
#pragma once

#include <QImage>
#include <QWidget>
#include <optional>
#include <vector>

#include "tools/pixel_rect.h"
#include "tools/selection_session.h"

namespace corvalin::tools {

class SelectionOverlay : public QWidget {
  Q_OBJECT

 public:
  // `frozen` and `dimmed` cover the root from its origin; `monitor` is where this window
  // goes, in root coordinates.
  SelectionOverlay(SelectionSession& session, const QImage& frozen, const QImage& dimmed,
                   const PixelRect& monitor, std::vector<PixelRect> monitors);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void repaintChange(std::optional<QRect> previousHighlight, QPoint previousPointer);
  // Everything drawn for a state, in root coordinates, on this monitor.
  QRegion drawnArea(std::optional<QRect> highlight, QPoint pointer) const;
  QRect sizeLabel(const QRect& highlight, QPoint pointer) const;
  bool showsCrosshair(QPoint pointer) const;
  QPoint globalPoint(const QMouseEvent* event) const;

  SelectionSession& session_;
  const QImage& frozen_;
  const QImage& dimmed_;
  QRect monitor_;
  std::vector<PixelRect> monitors_;
  QFont labelFont_;
};

}  // namespace corvalin::tools
