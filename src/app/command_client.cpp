#include "app/command_client.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>
#include <optional>
#include <vector>

#include "app/command_line.h"
#include "capture/screenshot_capture_service.h"
#include "core/texts.h"
#include "platform/display_server.h"
#include "platform/single_instance.h"

namespace corvalin {
namespace {

void decir(const QString& texto) {
  std::fprintf(stderr, "corvalin: %s\n", qPrintable(texto));
}

int sinPantalla() {
  decir(L("No hay pantalla a la que llegar: ni DISPLAY ni WAYLAND_DISPLAY llevan a una."));
  return kSalidaSinSesion;
}

struct Huella {
  dev_t dispositivo;
  ino_t nodo;
  timespec cambio;
  off_t tamano;
  bool operator==(const Huella& o) const {
    return dispositivo == o.dispositivo && nodo == o.nodo && cambio.tv_sec == o.cambio.tv_sec &&
           cambio.tv_nsec == o.cambio.tv_nsec && tamano == o.tamano;
  }
};

std::optional<Huella> huella(const QString& ruta) {
  struct stat st {};
  if (::stat(QFile::encodeName(ruta).constData(), &st) != 0) return std::nullopt;
  return Huella{st.st_dev, st.st_ino, st.st_mtim, st.st_size};
}

// The screenshot tool writes the file by renaming a finished one onto it, so a new picture
// always changes what the path names; a cancelled choice leaves it as it was.
int capturarAArchivo(CaptureMode modo, const QString& ruta) {
  if (!pantallaAlcanzable()) return sinPantalla();
  const QFileInfo destino(ruta);
  if (!destino.absoluteDir().exists()) {
    decir(L("Esa carpeta no existe: %@", destino.absolutePath()));
    return kSalidaFallo;
  }
  if (destino.isDir()) {
    decir(L("«%@» es una carpeta; --output necesita un archivo.", ruta));
    return kSalidaFallo;
  }
  const std::optional<Huella> antes = huella(ruta);
  const int salida =
      QProcess::execute(herramientaDeCapturaInstalada(), ServicioDeCaptura::argumentos(modo, ruta));
  if (salida < 0) {
    decir(L("No se pudo abrir la herramienta de captura: %@", herramientaDeCapturaInstalada()));
    return kSalidaFallo;
  }
  if (salida != 0) return kSalidaFallo;  // the tool said why
  const std::optional<Huella> despues = huella(ruta);
  if (!despues || despues == antes) {
    decir(L("No se guardó nada: la captura se canceló."));
    return kSalidaFallo;
  }
  return kSalidaBien;
}

}  // namespace

int atenderLineaDeOrdenes(int argc, char** argv, QString* accion) {
  // Its own copy of the arguments: the application made next gets them untouched.
  std::vector<char*> args(argv, argv + argc);
  args.push_back(nullptr);
  int n = argc;
  QCoreApplication core(n, args.data());
  const PedidoDeLinea pedido = leerLinea(core.arguments().mid(1));
  using Tipo = PedidoDeLinea::Tipo;
  switch (pedido.tipo) {
    case Tipo::ayuda:
      std::fputs(qPrintable(textoDeAyuda()), stdout);
      return kSalidaBien;
    case Tipo::version:
      std::printf("corvalin %s\n", CORVALIN_VERSION);
      return kSalidaBien;
    case Tipo::error:
      decir(pedido.error);
      decir(L("Prueba «corvalin --help»."));
      return kSalidaUso;
    case Tipo::aArchivo:
      return capturarAArchivo(pedido.modo, pedido.ruta);
    case Tipo::arrancar:
    case Tipo::accion:
      break;
  }

  SingleInstance instance;
  const bool otra = instance.otraCorre();
  if (!otra && pedido.tipo == Tipo::arrancar) {
    if (!pantallaAlcanzable()) return sinPantalla();
    return -1;
  }
  // A command may start Corvalin through the bus; a plain launch beside a running one only
  // brings it forward.
  using Entrega = SingleInstance::Entrega;
  const Entrega entrega = instance.entregar(pedido.accion, !otra);
  if (entrega == Entrega::entregada) return kSalidaBien;
  if (otra) {
    if (entrega == Entrega::sinBus) {
      decir(L("Corvalin ya corre, pero no hay bus de sesión de D-Bus para llegar a él."));
      return kSalidaSinSesion;
    }
    decir(L("Corvalin ya corre, pero no contesta."));
    return kSalidaFallo;
  }
  if (entrega == Entrega::fallida) {
    decir(L("Corvalin no contestó en el bus de sesión."));
    return kSalidaFallo;
  }
  // Nobody runs and the bus can't start Corvalin (no service file, or no bus): this process
  // becomes Corvalin and does the command itself.
  if (!pantallaAlcanzable()) return sinPantalla();
  *accion = pedido.accion;
  return -1;
}

}  // namespace corvalin
