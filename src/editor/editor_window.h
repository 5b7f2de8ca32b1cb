// The editor window as the shell drives it: one per still capture, pasted picture or long
// capture.
#pragma once

#include <QColor>
#include <QImage>
#include <functional>
#include <memory>

namespace corvalin {

class EditorWindow {
 public:
  virtual ~EditorWindow() = default;
  // Shows the window in front, gives it the keyboard with the canvas focused.
  virtual void mostrar() = 0;
  virtual void cerrar() = 0;
  // Re-reads the upload destination for the upload button's title.
  virtual void refrescarBotonDeSubida() = 0;
  virtual void setStrokeColor(const QColor& color) = 0;
};

using FabricaDeEditor = std::function<std::unique_ptr<EditorWindow>(const QImage& imagen)>;

}  // namespace corvalin
