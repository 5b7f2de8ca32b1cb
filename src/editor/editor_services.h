// What the editor needs from the rest of Corvalin, handed in whole so that each slot holds the
// real service or, in tests, a fake: the clipboard, text recognition, uploads, the fill
// engines of the erase and dust-removal tools, toasts, alerts and the window's menu bar.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <optional>

#include "capture/text_recognizer.h"
#include "retouch/pixel_canvas.h"
#include "retouch/pixel_mask.h"

class QWidget;

namespace corvalin {

class Clipboard;
class Settings;

struct PortapapelesDelEditor {
  // Replaces the clipboard with a picture whose PNG bytes are already encoded.
  std::function<void(const QByteArray& png, const QImage& imagen)> ponerPng;
  std::function<void(const QString&)> ponerTexto;
  // The first picture on the clipboard (a pasted file included); null when there is none.
  std::function<QImage()> imagen;
};
// Over the session's clipboard: text and pictures through `c`, PNG bytes offered as they are
// so that nothing is encoded on the main thread. `c` must outlive the editors.
PortapapelesDelEditor portapapelesDelSistema(Clipboard& c);

// What an upload reports, on the main thread, once.
struct FinDeSubida {
  std::optional<QString> url;  // set on success
  QString aviso;               // the destination's detail text, if any
  bool cancelada = false;      // the user cancelled: nothing is shown
  bool delServicio = false;    // an error of the hosted service: its description is the title
  QString error;               // the error's description
};

struct SubidaDelEditor {
  // The upload action's title for the current destination ("Subir a la nube").
  std::function<QString()> titulo;
  // False when the chosen destination is the user's own bucket and it is not set up.
  std::function<bool()> lista;
  // Uploads `png` in the background under the display name `nombre`.
  std::function<void(const QByteArray& png, const QString& nombre,
                     std::function<void(const FinDeSubida&)> alTerminar)>
      subir;
};

// The pixel engines that run on a background queue with a canvas handed over whole.
struct MotoresDeRelleno {
  // Fills every masked pixel from its surroundings; false when only a smooth fill was possible.
  std::function<bool(retouch::PixelCanvas&, const retouch::PixelMask&)> rellenar;
  // Removes the dark specks inside the mask (speck size `radius` pixels) and answers how many
  // were removed; the canvas is only meaningful when that is at least 1.
  std::function<int(retouch::PixelCanvas&, const retouch::PixelMask&, int radius,
                    double sensitivity)>
      quitarMotas;
};

using MostrarToastDelEditor =
    std::function<void(const QString& titulo, const QString& detalle, const QString& simbolo)>;

struct ServiciosDelEditor {
  Settings* settings = nullptr;  // Settings::shared() when empty
  PortapapelesDelEditor portapapeles;
  TextRecognizer* lector = nullptr;  // not owned; copy text says nothing without one
  SubidaDelEditor subida;
  MotoresDeRelleno motores;
  MostrarToastDelEditor toast;
  // A warning over `ventana` (window-modal), or on its own when there is no window.
  std::function<void(QWidget* ventana, const QString& titulo, const QString& detalle)> mostrarError;
  std::function<void()> abrirPreferencias;
  std::function<void()> activar;  // brings Corvalin forward
  // Gives a new editor window the application's menu bar.
  std::function<void(QWidget* ventana)> ponerBarraDeMenus;
  // Where recovery copies of open documents are kept; none are kept when empty.
  QString carpetaDeCopias;
};

}  // namespace corvalin
