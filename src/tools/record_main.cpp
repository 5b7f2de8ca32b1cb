// corvalin-record: records the screen, an area of it or a window to an MP4 file until the time
// is up or SIGINT/SIGTERM arrives, on the same engine as the tray application.
//   corvalin-record [--area X,Y,W,H | --window ID] [--fps N] [--scale S] [--max-size N]
//                   [--audio none|system|mic|both] [--cursor|--no-cursor] [--seconds N]
//                   [--stats] OUT.mp4
// --stats prints "frames=N dropped=M seconds=S" on standard output at the end.
// Exits 0 once the file is complete; otherwise 1 (2 for bad arguments) with one line on
// standard error, in Spanish when LANG says so, else in English. On Wayland the desktop portal
// shares the screen (the desktop may ask the user once); an area is cropped from it, and
// windows can't be recorded by id.
#include <signal.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include <QCoreApplication>
#include <memory>

#include "platform/display_server.h"
#include "platform/screen_stream.h"
#include "platform/screencast_portal.h"
#include "recording/output_rule.h"
#include "recording/recording_session.h"

namespace {

using namespace corvalin;

bool espanol() {
  for (const char* v : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* s = std::getenv(v);
    if (s != nullptr && *s != '\0') return std::strncmp(s, "es", 2) == 0;
  }
  return false;
}

int decir(int codigo, const std::string& es, const std::string& en) {
  std::fprintf(stderr, "corvalin-record: %s\n", (espanol() ? es : en).c_str());
  return codigo;
}

int uso() {
  return decir(2,
               "uso: corvalin-record [--area X,Y,W,H | --window ID] [--fps N] [--scale S] "
               "[--max-size N] [--audio none|system|mic|both] [--cursor|--no-cursor] "
               "[--seconds N] [--stats] SALIDA.mp4",
               "usage: corvalin-record [--area X,Y,W,H | --window ID] [--fps N] [--scale S] "
               "[--max-size N] [--audio none|system|mic|both] [--cursor|--no-cursor] "
               "[--seconds N] [--stats] OUT.mp4");
}

std::string porQue(const SesionDeGrabacion::Falla& f, bool es) {
  using Tipo = SesionDeGrabacion::Falla::Tipo;
  switch (f.tipo) {
    case Tipo::pantalla:
      return es ? "no hay pantalla que grabar (" + f.detalle + ")"
                : "no screen to record (" + f.detalle + ")";
    case Tipo::ventana:
      return es ? "esa ventana ya no está en pantalla" : "that window is no longer on screen";
    case Tipo::vacia:
      return es ? "la grabación quedó vacía" : "the recording came out empty";
    case Tipo::archivo:
      return (es ? "no se pudo crear el archivo: " : "couldn't create the file: ") + f.detalle;
    case Tipo::codificador:
      return (es ? "el codificador falló: " : "the encoder failed: ") + f.detalle;
    case Tipo::escritura:
      return (es ? "no se pudo seguir escribiendo: " : "couldn't keep writing: ") + f.detalle;
  }
  return f.detalle;
}

}  // namespace

int main(int argc, char** argv) {
  SesionDeGrabacion::Config config;
  std::optional<AreaDeRaiz> area;
  std::optional<uint32_t> ventana;
  double escala = 1.0, segundos = 0;
  int maximo = 1920;
  bool estadisticas = false;
  std::string salida;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    auto siguiente = [&]() -> const char* {
      ++i;
      return v;
    };
    if (a == "--area" && v) {
      AreaDeRaiz r;
      if (std::sscanf(siguiente(), "%d,%d,%d,%d", &r.x, &r.y, &r.ancho, &r.alto) != 4) return uso();
      area = r;
    } else if (a == "--window" && v) {
      ventana = static_cast<uint32_t>(std::strtoul(siguiente(), nullptr, 0));
    } else if (a == "--fps" && v) {
      config.fps = std::atoi(siguiente());
    } else if (a == "--scale" && v) {
      escala = std::atof(siguiente());
    } else if (a == "--max-size" && v) {
      maximo = std::atoi(siguiente());
    } else if (a == "--seconds" && v) {
      segundos = std::atof(siguiente());
    } else if (a == "--audio" && v) {
      const std::string_view s = siguiente();
      if (s != "none" && s != "system" && s != "mic" && s != "both") return uso();
      config.sistema = s == "system" || s == "both";
      config.microfono = s == "mic" || s == "both";
    } else if (a == "--cursor") {
      config.cursor = true;
    } else if (a == "--no-cursor") {
      config.cursor = false;
    } else if (a == "--stats") {
      estadisticas = true;
    } else if (!a.empty() && a[0] != '-' && salida.empty()) {
      salida = a;
    } else {
      return uso();
    }
  }
  if (salida.empty() || (area && ventana) || config.fps < 1 || config.fps > 240 || escala <= 0 ||
      segundos < 0)
    return uso();
  const bool wayland = servidorGrafico() == ServidorGrafico::wayland;
  if (!wayland && std::getenv("DISPLAY") == nullptr)
    return decir(1, "no hay pantalla (ni DISPLAY ni WAYLAND_DISPLAY están definidas)",
                 "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
  if (wayland && ventana)
    return decir(1, "en Wayland no se graban ventanas por su número; graba un área",
                 "on Wayland windows can't be recorded by id; record an area");
  // The portal is spoken to over D-Bus, which wants Qt's application object.
  std::unique_ptr<QCoreApplication> qt;
  if (wayland) qt = std::make_unique<QCoreApplication>(argc, argv);
  config.flujo = flujoDelEscritorio;

  // What is recorded and its size.
  auto medidor = flujoDelEscritorio();
  if (!medidor)
    return decir(1, "no se pudo abrir la pantalla X11", "couldn't open the X11 display");
  AreaDeRaiz donde;
  if (ventana) {
    const auto m = medidor->medir(*ventana);
    if (!m) return decir(1, "esa ventana no existe", "no such window");
    donde = *m;
    config.fuente = VentanaDeRaiz{*ventana};
  } else {
    if (!area) {
      const auto raiz = medidor->medir(0);  // 0: the root itself
      if (!raiz && wayland)
        return decir(1, "el escritorio no compartió la pantalla (¿hay un portal de escritorio?)",
                     "the desktop shared no screen (is there a desktop portal?)");
      if (!raiz) return decir(1, "no se pudo medir la pantalla", "couldn't measure the screen");
      area = *raiz;
    }
    donde = *area;
    config.fuente = *area;
  }
  medidor.reset();
  const MedidasDeSalida m = medidasDeSalida(donde.ancho, donde.alto, escala, maximo);
  config.ancho = m.ancho;
  config.alto = m.alto;
  config.ruta = salida;

  // SIGINT and SIGTERM end the recording; they are waited for here, not handled anywhere.
  sigset_t senales;
  sigemptyset(&senales);
  sigaddset(&senales, SIGINT);
  sigaddset(&senales, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &senales, nullptr);

  SesionDeGrabacion sesion(config);
  // The session's own end (a window that closed) wakes the wait below.
  const pthread_t principal = pthread_self();
  sesion.alInterrumpirse = [principal] { pthread_kill(principal, SIGTERM); };
  SesionDeGrabacion::Falla falla;
  if (!sesion.arrancar(&falla)) return decir(1, porQue(falla, true), porQue(falla, false));
  if (!sesion.sinSonido().empty())
    decir(0, "se graba sin sonido: " + sesion.sinSonido(),
          "recording without sound: " + sesion.sinSonido());

  timespec espera{};
  timespec* limite = nullptr;
  if (segundos > 0) {
    espera.tv_sec = static_cast<time_t>(segundos);
    espera.tv_nsec = static_cast<long>((segundos - static_cast<double>(espera.tv_sec)) * 1e9);
    limite = &espera;
  }
  while (true) {
    const int s = limite ? sigtimedwait(&senales, nullptr, limite) : sigwaitinfo(&senales, nullptr);
    if (s >= 0 || errno == EAGAIN) break;  // a signal, or the time is up
  }
  const SesionDeGrabacion::Resultado r = sesion.terminar();
  if (estadisticas)
    std::printf("frames=%d dropped=%lld seconds=%.2f\n", r.cuadros,
                static_cast<long long>(r.descartados), static_cast<double>(r.duracionUs) / 1e6);
  if (r.falla && !r.archivo) return decir(1, porQue(*r.falla, true), porQue(*r.falla, false));
  if (r.falla)
    return decir(1, "guardado lo grabado hasta ahí: " + porQue(*r.falla, true),
                 "kept what was recorded until then: " + porQue(*r.falla, false));
  return 0;
}
