// A stream of screen frames for the recorder and the scrolling capture: BGRA pixels of one
// area or one window, each stamped on the monotonic clock, delivered only when what they show
// changed and never faster than asked. Plain C++; the display server stays in the
// implementation.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace corvalin {

// Microseconds on CLOCK_MONOTONIC, the one clock of a recording's video and sound.
int64_t relojMonotonoUs();

struct AreaDeRaiz {  // in the root window's device pixels
  int x = 0, y = 0, ancho = 0, alto = 0;
};
struct VentanaDeRaiz {  // a window by its id; followed when it moves or resizes
  uint32_t id = 0;
};
using FuenteDeCuadros = std::variant<AreaDeRaiz, VentanaDeRaiz>;

struct CuadroDePantalla {
  const uint8_t* bgra = nullptr;
  int ancho = 0, alto = 0;
  std::ptrdiff_t pasoBytes = 0;
  int64_t ptsUs = 0;
  // The pixels stay the consumer's while it holds this; the stream grabs no further frame
  // into them until it lets go.
  std::shared_ptr<void> prestamo;
};

class FlujoDePantalla {
 public:
  enum class Fin { sinVentana, sinPantalla };
  struct Opciones {
    int fps = 30;
    bool cursor = true;
    // Compare each grab with the last instead of asking the server what changed (what the
    // stream does by itself when the server can't say).
    bool compararCuadros = false;
  };
  struct Manejadores {
    // On the stream's thread, for every changed frame.
    std::function<void(CuadroDePantalla)> alCuadro;
    // On the stream's thread, once, when what it streams is gone; no frame follows.
    std::function<void(Fin)> alTerminar;
  };

  virtual ~FlujoDePantalla() = default;
  // Starts on its own thread; false with a technical reason when it can't.
  virtual bool arrancar(const FuenteDeCuadros& fuente, const Opciones& opciones,
                        Manejadores manejadores, std::string* error) = 0;
  // Stops and joins the thread; no handler runs after it returns. Safe at any time.
  virtual void detener() = 0;
  // Windows kept out of the frames (the recorder's own controls): where one lies over what
  // is streamed, the frames keep showing what was there before it. Any thread, any time.
  virtual void dejarFuera(std::vector<uint32_t> ventanas) = 0;
  // Frames skipped because the consumer still held every buffer.
  virtual int64_t descartados() const = 0;
  // Where a window's content lies on the root now (0: the root itself); none when there is no
  // such window.
  virtual std::optional<AreaDeRaiz> medir(uint32_t ventana) = 0;
};

// The X server of $DISPLAY; null when there is none.
std::unique_ptr<FlujoDePantalla> flujoX11();

// A screen the desktop shares through PipeWire (Wayland): the remote's file descriptor, which
// the stream takes over, the node to connect to, where that screen lies in the desktop's
// layout, whether the compositor draws the pointer into the frames, and how to end the
// desktop's sharing (any thread, once).
struct PantallaCompartida {
  int fd = -1;
  uint32_t nodo = 0;
  AreaDeRaiz lugar;
  bool conCursor = false;
  std::function<void()> cerrar;
};
// Asks the desktop for a screen, with the pointer drawn in or not; none, with a reason, when
// it refuses or cannot.
using PedirPantalla =
    std::function<std::optional<PantallaCompartida>(bool cursor, std::string* error)>;

// Frames of a shared screen, cropped to an area of it (windows by id are an X11 matter: a
// window source is refused). `medir(0)` asks for the screen and keeps it for the next stream
// of this process, so measuring and then recording asks the user once.
std::unique_ptr<FlujoDePantalla> flujoPipeWire(PedirPantalla pedir);

}  // namespace corvalin
