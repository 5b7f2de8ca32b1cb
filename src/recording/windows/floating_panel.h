// The look the bars around a recording share: a dark rounded panel above other windows,
// moved by dragging its background, placed beside the area on the area's screen.
#pragma once

#include <QIcon>
#include <QPoint>
#include <QWidget>
#include <optional>

namespace corvalin {

class PanelFlotante : public QWidget {
 public:
  // `tomaTeclado`: the panel becomes the active window (the setup bar); else it never takes
  // the focus and no window manager handles it (the recording bar).
  explicit PanelFlotante(bool tomaTeclado);

  // Beside `area` (global logical coordinates) on the screen named `pantalla`, `hueco`
  // points off it; shown.
  void colocarJunto(const QRect& area, const QString& pantalla, int hueco);
  // Sized to its contents, and held at that size: tiling window managers float a window that
  // can't be resized instead of giving it half the screen.
  void ajustar();

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  bool tomaTeclado_;
  std::optional<QPoint> agarre_;  // where the drag took hold, inside the panel
};

// Small grey caption above a control, and the controls' look on the dark panel.
QString estiloDePanel();

// Pause ("pausa"), play ("seguir") and stop ("detener"), drawn: the same on every theme.
QIcon simboloDeControl(const char* cual);

}  // namespace corvalin
