// The editor window as the shell drives it: one per still capture, pasted picture or long
// capture.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <functional>
#include <memory>

namespace corvalin {

class EditorWindow {
 public:
  virtual ~EditorWindow() = default;
  // Shows the window in front, gives it the keyboard with the canvas focused.
  virtual void mostrar() = 0;
  virtual void cerrar() = 0;
  // The document ends (another takes its place): closes the window and lets its recovery copy
  // go. A window merely closed keeps its copy until the document is done with.
  virtual void cerrarDocumento() { cerrar(); }
  // Re-reads the upload destination for the upload button's title.
  virtual void refrescarBotonDeSubida() = 0;
  virtual void setStrokeColor(const QColor& color) = 0;
};

using FabricaDeEditor = std::function<std::unique_ptr<EditorWindow>(const QImage& imagen)>;
// Reopens the document whose recovery copy is in `carpeta`; nothing when it can't be read.
using FabricaDeEditorRecuperado =
    std::function<std::unique_ptr<EditorWindow>(const QString& carpeta)>;

}  // namespace corvalin
