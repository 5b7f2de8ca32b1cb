// The text field that types a callout or handwritten text on the canvas: a borderless editor
// inside a frame that looks like the bubble it will become. Return commits; Shift+Return or
// Alt+Return breaks the line.
#pragma once

#include <QColor>
#include <QTextEdit>
#include <QWidget>
#include <functional>

#include "editor/tool_kind.h"

namespace corvalin {

class CampoDeTexto : public QTextEdit {
 public:
  explicit CampoDeTexto(QWidget* parent);

  std::function<void()> alConfirmar;  // Return
  std::function<void()> alCambiar;    // the text changed: re-fit
  std::function<void()> alEscapar;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

// The bubble behind a callout's text (nothing behind handwritten text).
class MarcoDeTexto : public QWidget {
 public:
  explicit MarcoDeTexto(QWidget* parent);
  void setColores(const QColor& stroke, const QColor& text, ToolKind kind);
  void setRadio(double r) { radio_ = r; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor fondo_;
  double radio_ = 6;
  bool burbuja_ = true;
};

}  // namespace corvalin
