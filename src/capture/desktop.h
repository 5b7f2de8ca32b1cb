// What the choosers need from the display server, in its own device pixels: a still picture
// of every screen, the windows on it, the pointer, whether a compositor runs, and a way to
// know that what was asked of the server has happened. The X11 implementation sits on the
// screenshot tool's display code; tests use fakes.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace corvalin {

struct VentanaDelEscritorio {
  uint32_t id = 0;       // the window the recorder will follow
  QRect visible;         // what the user sees of it, frame included, shadow left out
  bool elegible = true;  // false for docks and the desktop
};

class Escritorio {
 public:
  virtual ~Escritorio() = default;
  // The root window's pixels in `zona` (device pixels) without the pointer, Format_RGB32; a
  // null image when it failed. Without `opaca` the unused byte of each pixel is left as the
  // server sent it, for callers that write every pixel out themselves.
  virtual QImage congelar(const QRect& zona, bool opaca = true) = 0;
  // The top-level windows on screen, the top-most first.
  virtual std::vector<VentanaDelEscritorio> ventanas() = 0;
  // "Application — title", or what there is of the two.
  virtual QString nombre(uint32_t ventana) = 0;
  virtual QPoint puntero() = 0;
  virtual bool componiendo() = 0;
  // Returns once the server has done everything asked of it so far, on its own connection
  // and on Qt's.
  virtual void sincronizar() = 0;
};

// The X server of $DISPLAY; null when there is none (Wayland without Xwayland, no display).
std::unique_ptr<Escritorio> escritorioX11();

}  // namespace corvalin
