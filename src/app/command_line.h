// The command interface: `corvalin [COMMAND] [--output FILE] | --action NAME | --help |
// --version`. Desktop keybindings, the .desktop file's actions and scripts all go through it.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "app/commands.h"
#include "core/settings.h"

namespace corvalin {

// One command of the interface and the shell's command it stands for.
struct Orden {
  const char* nombre;  // "area", "record-window"…
  Accion accion;
  const char* descripcion;  // Spanish; translated when shown
};

// Every command, in the order `--help` lists them.
const std::vector<Orden>& ordenes();

struct PedidoDeLinea {
  enum class Tipo {
    arrancar,  // no command: start, or bring the running instance forward
    accion,    // hand `accion` to the running instance (started if need be)
    aArchivo,  // capture `modo` straight into `ruta`, without the editor or the tray
    ayuda,
    version,
    error,  // `error` says what is wrong with the arguments
  };
  Tipo tipo = Tipo::arrancar;
  QString accion;  // the shell's command name, e.g. "captureArea"
  CaptureMode modo = CaptureMode::fullscreen;
  QString ruta;
  QString error;
};

// Reads the arguments after the program's name.
PedidoDeLinea leerLinea(const QStringList& args);

// `corvalin --help`, in the current language.
QString textoDeAyuda();

// Exit codes of the command interface.
inline constexpr int kSalidaBien = 0;
inline constexpr int kSalidaFallo = 1;  // cancelled, or the capture or hand-over failed
inline constexpr int kSalidaUso = 2;
inline constexpr int kSalidaSinSesion = 3;  // no session bus or no display to reach

}  // namespace corvalin
