// The 32-point bar under the tool bar, shown only while a pixel tool is active: brush size,
// strength or sensitivity, dodge or burn and the tonal range, pinch or bulge, and a hint line.
#pragma once

#include <QWidget>
#include <functional>

#include "editor/tool_kind.h"

class QComboBox;
class QLabel;
class QSlider;
class QToolButton;

namespace corvalin {

class EditorView;

class PixelOptionsBar : public QWidget {
 public:
  explicit PixelOptionsBar(QWidget* parent = nullptr);

  // Shows the controls of `tool` with the canvas's current values; changes go to `canvas`.
  void mostrarPara(ToolKind tool, EditorView* canvas);
  // The canvas's brush radius changed from the keyboard.
  void setRadio(double radius);

  QSlider* radio() const { return radio_; }
  QSlider* fuerza() const { return fuerza_; }
  QLabel* pista() const { return pista_; }
  QToolButton* primero() const { return primero_; }
  QToolButton* segundo() const { return segundo_; }
  QComboBox* rango() const { return rango_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  EditorView* canvas_ = nullptr;
  ToolKind tool_ = ToolKind::repair;
  bool cargando_ = false;
  QLabel* radioCaption_;
  QSlider* radio_;
  QLabel* radioValor_;
  QLabel* fuerzaCaption_;
  QSlider* fuerza_;
  QLabel* fuerzaValor_;
  QToolButton* primero_;
  QToolButton* segundo_;
  QComboBox* rango_;
  QLabel* pista_;
};

// The hint line of a pixel tool; the clone tool's depends on whether a source is set.
QString pistaDeHerramienta(ToolKind tool, bool conOrigen);

}  // namespace corvalin
