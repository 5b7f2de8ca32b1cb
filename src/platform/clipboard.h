// The desktop clipboard: plain text and PNG pictures.
#pragma once

#include <QImage>
#include <QString>
#include <memory>

namespace corvalin {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces the whole clipboard with plain text.
  virtual void ponerTexto(const QString& texto) = 0;
  // Replaces the whole clipboard with a picture, offered as image/png.
  virtual void ponerImagen(const QImage& imagen) = 0;
  // The picture on the clipboard, or a null image when it holds none.
  virtual QImage imagen() const = 0;
  virtual bool tieneImagen() const = 0;
  virtual QString texto() const = 0;
};

// The clipboard of the running session (X11 or Wayland through Qt).
std::unique_ptr<Clipboard> crearPortapapelesDelSistema();

}  // namespace corvalin
