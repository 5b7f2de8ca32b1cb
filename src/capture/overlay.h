// The one way the choosers cover the screens: a borderless window per screen, above every
// other window (full-screen ones and docks included), on every workspace, without a shadow,
// taking the keyboard while it shows. On X11 these are override-redirect windows, which no
// window manager places, decorates or hides; on Wayland they are full-screen windows, where
// the compositor allows. The layers are gone from the screen before a chooser reports.
#pragma once

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QScreen;

namespace corvalin {

class Escritorio;

// One screen's window. Subclasses draw and take input; geometry and flags come from here.
// With a `fondo` (the screen as it was, at its own pixel density) the layer is opaque and
// shows it; without one it is see-through, which needs a compositor.
class CapaDePantalla : public QWidget {
  Q_OBJECT

 public:
  CapaDePantalla(QScreen* pantalla, QImage fondo);
  QScreen* pantalla() const { return pantalla_; }

 protected:
  // The still picture, or a clear window.
  void pintarFondo(QPainter& p);

 private:
  QScreen* pantalla_;
  QImage fondo_;
};

// The part of a picture of the whole root window that `pantalla` shows, at the screen's own
// pixel density; null when `raiz` is.
QImage parteDeLaRaiz(const QImage& raiz, QScreen* pantalla);

// What the layers show beneath them: nothing when the screen shows through them (a
// compositor runs, or this is not X11), else a still picture of the whole root window.
QImage fondoParaCapas(Escritorio* escritorio);

// Runs `despues` once windows just hidden are gone from the screen: at once, or after the
// compositor had time for a frame. Waits for the server first, so they are unmapped.
void alDesaparecer(Escritorio* escritorio, std::function<void()> despues);

// The layers of one chooser, shown together and removed together. One chooser at a time:
// while some layers exist, the choosers ignore new requests.
class Capas {
 public:
  explicit Capas(Escritorio* escritorio);
  ~Capas();
  static bool hayAbiertas();
  Capas(const Capas&) = delete;
  Capas& operator=(const Capas&) = delete;

  // One layer per screen, made by `crear`.
  void crearEnCadaPantalla(const std::function<CapaDePantalla*(QScreen*)>& crear);
  const std::vector<QPointer<CapaDePantalla>>& capas() const { return capas_; }
  bool vacias() const { return capas_.empty(); }

  // Shows every layer without taking the focus from anyone, then the keyboard goes to the
  // layer under the pointer (retrying for a moment if another client holds it).
  void mostrar();
  // Lets go of the keyboard and removes every layer from the screen; when it returns the
  // server has unmapped them. `despues` runs once the screen no longer shows them: at once,
  // or when a compositor runs, after it had time to draw a frame without them.
  void cerrar(std::function<void()> despues = {});

 private:
  Escritorio* escritorio_;
  bool abiertas_ = true;
  std::vector<QPointer<CapaDePantalla>> capas_;
  std::unique_ptr<QTimer> reintento_;
};

// Whether the choosers can place their own windows above everything: X11 yes; elsewhere
// (Wayland) only as full-screen windows.
bool capasEnX11();

}  // namespace corvalin
