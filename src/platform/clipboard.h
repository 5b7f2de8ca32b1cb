// The desktop clipboard: plain text, PNG pictures and files.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

namespace corvalin {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces the whole clipboard with plain text.
  virtual void ponerTexto(const QString& texto) = 0;
  // Replaces the whole clipboard with a picture, offered as image/png.
  virtual void ponerImagen(const QImage& imagen) = 0;
  // Replaces the whole clipboard with files, as file managers and chat applications take
  // them: a URI list, GNOME's copied-files list, and the paths as text.
  virtual void ponerArchivos(const QStringList& rutas) = 0;
  // The picture on the clipboard, or a null image when it holds none.
  virtual QImage imagen() const = 0;
  virtual bool tieneImagen() const = 0;
  virtual QString texto() const = 0;
};

// The clipboard of the running session (X11 or Wayland through Qt).
std::unique_ptr<Clipboard> crearPortapapelesDelSistema();

}  // namespace corvalin
