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
// shows it; without one it is see-through, which needs a compositor. The screen shows dimmed
// by black at `atenuacion` (0…255) but for a hole the chooser leaves.
class CapaDePantalla : public QWidget {
  Q_OBJECT

 public:
  CapaDePantalla(QScreen* pantalla, QImage fondo, int atenuacion = 0);
  QScreen* pantalla() const { return pantalla_; }

 protected:
  // The screen as it was (or the clear window), dimmed outside `hueco` (layer coordinates).
  void pintarFondo(QPainter& p, const QRectF& hueco = {});
  const QImage& fondo() const { return fondo_; }

 private:
  // Writes the dimmed picture straight into the window's pixels: one pass over a screen
  // that may be tens of megabytes. False where the window's pixels are not at hand.
  bool pintarDirecto(QPainter& p, const QRectF& hueco);

  QScreen* pantalla_;
  QImage fondo_;
  int atenuacion_;
};

// Writes `fuente` into `destino` within `zona` (pixels of both), under black at `alpha` but
// inside `hueco`, opaque whatever the unused byte of `fuente` holds; both cores share a
// large zone.
void escribirAtenuado(QImage& destino, const QImage& fuente, const QRect& zona, const QRect& hueco,
                      int alpha);

// A still picture of what `pantalla` shows, at the screen's own pixel density, for a layer's
// `fondo` (its unused bytes as the server sent them: the layer writes its pixels opaque);
// null when it could not be taken.
QImage fotoDePantalla(Escritorio& escritorio, QScreen* pantalla);

// What a dimmed layer shows beneath it: nothing when the screen shows through it (a
// compositor runs, or this is not X11), else a still picture of its screen.
QImage fondoParaCapa(Escritorio* escritorio, QScreen* pantalla);

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

  // One layer per screen, made by `crear` (which may leave a screen out by returning null).
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
