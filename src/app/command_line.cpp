#include "app/command_line.h"

#include <QDir>

#include "core/texts.h"

namespace corvalin {
namespace {

// Options the window system's toolkit reads itself, with their value; passed through untouched.
bool esOpcionDelToolkit(const QString& arg) {
  static const QStringList kConValor{QStringLiteral("-platform"), QStringLiteral("-platformtheme"),
                                     QStringLiteral("-style"), QStringLiteral("-session"),
                                     QStringLiteral("-display")};
  return kConValor.contains(arg);
}

std::optional<CaptureMode> modoAArchivo(Accion accion) {
  switch (accion) {
    case Accion::captureArea:
      return CaptureMode::area;
    case Accion::captureWindow:
      return CaptureMode::window;
    case Accion::captureFullscreen:
      return CaptureMode::fullscreen;
    default:
      return std::nullopt;
  }
}

PedidoDeLinea fallo(QString por) {
  PedidoDeLinea p;
  p.tipo = PedidoDeLinea::Tipo::error;
  p.error = std::move(por);
  return p;
}

}  // namespace

const std::vector<Orden>& ordenes() {
  static const std::vector<Orden> kOrdenes{
      {"area", Accion::captureArea, "Captura un área y la abre en el editor"},
      {"window", Accion::captureWindow, "Captura una ventana"},
      {"screen", Accion::captureFullscreen, "Captura la pantalla que está bajo el puntero"},
      {"text", Accion::captureTextAction, "Lee el texto de un área y lo copia"},
      {"scroll", Accion::toggleScrollCapture, "Captura con desplazamiento; otra vez para terminar"},
      {"color", Accion::pickColorAction, "Saca un color de la pantalla y lo copia"},
      {"record", Accion::toggleRecording, "Graba un área; otra vez para detener"},
      {"record-window", Accion::recordWindowAction, "Graba una ventana"},
      {"record-screen", Accion::recordFullscreenAction, "Graba la pantalla completa"},
      {"pause", Accion::alternarPausaAction, "Pausa o reanuda la grabación"},
      {"paste", Accion::pasteFromClipboard, "Abre en el editor la imagen del portapapeles"},
      {"show", Accion::showLastWindow, "Trae de vuelta la última ventana"},
      {"preferences", Accion::openPreferences, "Abre las preferencias"},
      {"quit", Accion::terminate, "Cierra Corvalin"},
  };
  return kOrdenes;
}

PedidoDeLinea leerLinea(const QStringList& args) {
  const Orden* orden = nullptr;
  QString accion;
  QString ruta;
  bool conRuta = false;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    auto valor = [&](QString* destino) {
      if (i + 1 >= args.size() || args[i + 1].isEmpty()) return false;
      *destino = args[++i];
      return true;
    };
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
      PedidoDeLinea p;
      p.tipo = PedidoDeLinea::Tipo::ayuda;
      return p;
    }
    if (arg == QLatin1String("--version")) {
      PedidoDeLinea p;
      p.tipo = PedidoDeLinea::Tipo::version;
      return p;
    }
    if (arg == QLatin1String("--action")) {
      if (!accion.isEmpty() || !valor(&accion)) return fallo(L("--action necesita un nombre"));
      const std::optional<Accion> conocida = accionPorNombre(accion);
      if (!conocida) return fallo(L("No conozco la acción «%@»", accion));
      continue;
    }
    if (arg == QLatin1String("--output") || arg == QLatin1String("-o")) {
      if (conRuta || !valor(&ruta)) return fallo(L("--output necesita la ruta de un archivo"));
      conRuta = true;
      continue;
    }
    if (arg.startsWith(QLatin1String("--output="))) {
      ruta = arg.mid(9);
      if (conRuta || ruta.isEmpty()) return fallo(L("--output necesita la ruta de un archivo"));
      conRuta = true;
      continue;
    }
    if (esOpcionDelToolkit(arg)) {
      ++i;
      continue;
    }
    if (arg.startsWith(QLatin1Char('-'))) return fallo(L("No conozco la opción «%@»", arg));
    if (orden != nullptr) return fallo(L("Sobra «%@»: va una orden a la vez", arg));
    for (const Orden& o : ordenes()) {
      if (arg == QLatin1String(o.nombre)) orden = &o;
    }
    if (orden == nullptr) return fallo(L("No conozco la orden «%@»", arg));
  }
  if (orden != nullptr && !accion.isEmpty())
    return fallo(L("Usa una orden o --action, no las dos"));

  PedidoDeLinea p;
  if (conRuta) {
    const std::optional<CaptureMode> modo =
        orden != nullptr ? modoAArchivo(orden->accion) : std::nullopt;
    if (!modo) return fallo(L("--output va con area, window o screen"));
    p.tipo = PedidoDeLinea::Tipo::aArchivo;
    p.modo = *modo;
    p.ruta = QDir::current().absoluteFilePath(ruta);
    return p;
  }
  if (orden != nullptr) accion = nombreDeAccion(orden->accion);
  if (!accion.isEmpty()) {
    p.tipo = PedidoDeLinea::Tipo::accion;
    p.accion = accion;
  }
  return p;
}

QString textoDeAyuda() {
  QString texto = L("Uso: corvalin [ORDEN] [--output ARCHIVO]") + QLatin1Char('\n') +
                  QLatin1Char('\n') +
                  L("Sin orden, abre Corvalin en la bandeja (o trae su última ventana si ya "
                    "corre). Cada orden va a Corvalin, que se abre si no estaba abierto:") +
                  QLatin1Char('\n');
  for (const Orden& o : ordenes()) {
    texto += QStringLiteral("  %1 %2\n")
                 .arg(QString::fromLatin1(o.nombre), -15)
                 .arg(L(QString::fromUtf8(o.descripcion)));
  }
  texto += QLatin1Char('\n');
  texto += QStringLiteral("  %1 %2\n")
               .arg(L("--output ARCHIVO"), -17)
               .arg(L("Con area, window o screen: guarda la captura en ese PNG, sin editor ni "
                      "bandeja, y termina"));
  texto += QStringLiteral("  %1 %2\n")
               .arg(L("--action NOMBRE"), -17)
               .arg(L("La forma anterior: el nombre interno de la acción (captureArea…)"));
  texto += QStringLiteral("  %1 %2\n").arg(QStringLiteral("--help"), -17).arg(L("Esta ayuda"));
  texto += QStringLiteral("  %1 %2\n")
               .arg(QStringLiteral("--version"), -17)
               .arg(L("La versión de Corvalin"));
  texto += QLatin1Char('\n');
  texto +=
      L("Salida: 0 entregado o guardado; 1 cancelado o falló; 2 uso incorrecto; 3 no hay "
        "bus de sesión ni pantalla a la que llegar.");
  texto += QLatin1Char('\n');
  return texto;
}

}  // namespace corvalin
