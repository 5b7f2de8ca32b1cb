#include "platform/screencast_portal.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include "platform/display_server.h"
#include "platform/portal_request.h"
#include "platform/private_folder.h"

namespace corvalin {
namespace {

const QString kServicio = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kRuta = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
constexpr int kRapidoMs = 10'000;
// The desktop may show its own dialog and wait for the user.
constexpr int kElegirMs = 10 * 60'000;

enum : uint { kMonitor = 1, kCursorOculto = 1, kCursorDibujado = 2, kPersistente = 2 };

uint propiedad(QDBusConnection& bus, const QString& nombre) {
  QDBusMessage m = QDBusMessage::createMethodCall(
      kServicio, kRuta, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  m << kScreenCast << nombre;
  const QDBusMessage r = bus.call(m, QDBus::Block, kRapidoMs);
  if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return 0;
  return r.arguments().constFirst().value<QDBusVariant>().variant().toUInt();
}

void cerrarSesion(const QString& sesion) {
  QDBusMessage m = QDBusMessage::createMethodCall(
      kServicio, sesion, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close"));
  QDBusConnection::sessionBus().asyncCall(m);
}

QString leerToken() {
  QFile f(archivoDelTokenDePantalla());
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.read(4096)).trimmed();
}

void guardarToken(const QString& token) {
  const QString ruta = archivoDelTokenDePantalla();
  QDir().mkpath(QFileInfo(ruta).path());
  QSaveFile f(ruta);
  if (!f.open(QIODevice::WriteOnly)) return;
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  f.write(token.toUtf8());
  f.commit();
}

// (ii) as the portal sends a position or a size.
std::pair<int, int> par(const QVariant& v) {
  int a = 0, b = 0;
  if (v.canConvert<QDBusArgument>()) {
    const QDBusArgument arg = v.value<QDBusArgument>();
    arg.beginStructure();
    arg >> a >> b;
    arg.endStructure();
  }
  return {a, b};
}

}  // namespace

QString archivoDelTokenDePantalla() {
  return carpetaDeEstado() + QStringLiteral("/screencast-token");
}

std::optional<PantallaCompartida> pedirPantallaAlPortal(bool cursor, std::string* error) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  QString porQue;
  auto fallar = [&](const QString& razon) {
    *error = razon.toStdString();
    return std::nullopt;
  };
  const uint version = propiedad(bus, QStringLiteral("version"));
  if (version == 0) return fallar(QStringLiteral("no desktop portal offers screen sharing"));

  const auto creada =
      pedirAlPortal(bus, kScreenCast, QStringLiteral("CreateSession"), {},
                    {{QStringLiteral("session_handle_token"),
                      QStringLiteral("corvalin%1").arg(QRandomGenerator::global()->generate())}},
                    kRapidoMs, &porQue);
  if (!creada) return fallar(porQue);
  if (creada->codigo != 0) return fallar(QStringLiteral("the portal refused a session"));
  const QString sesion = creada->resultados.value(QStringLiteral("session_handle")).toString();
  if (sesion.isEmpty()) return fallar(QStringLiteral("the portal gave no session"));
  auto fallarYCerrar = [&](const QString& razon) {
    cerrarSesion(sesion);
    return fallar(razon);
  };

  // The pointer drawn in by the compositor when asked for and offered; otherwise left out.
  const uint modos = propiedad(bus, QStringLiteral("AvailableCursorModes"));
  uint modo = 0;
  if (cursor && (modos & kCursorDibujado)) modo = kCursorDibujado;
  if (!cursor && (modos & kCursorOculto)) modo = kCursorOculto;
  QVariantMap opciones{{QStringLiteral("types"), uint(kMonitor)},
                       {QStringLiteral("multiple"), false}};
  if (modo != 0) opciones.insert(QStringLiteral("cursor_mode"), modo);
  if (version >= 4) {
    opciones.insert(QStringLiteral("persist_mode"), uint(kPersistente));
    if (const QString token = leerToken(); !token.isEmpty())
      opciones.insert(QStringLiteral("restore_token"), token);
  }
  const QDBusObjectPath rutaDeSesion(sesion);
  const auto elegidas =
      pedirAlPortal(bus, kScreenCast, QStringLiteral("SelectSources"),
                    {QVariant::fromValue(rutaDeSesion)}, opciones, kElegirMs, &porQue);
  if (!elegidas) return fallarYCerrar(porQue);
  if (elegidas->codigo != 0) return fallarYCerrar(QStringLiteral("the user shared no screen"));

  const auto empezada =
      pedirAlPortal(bus, kScreenCast, QStringLiteral("Start"),
                    {QVariant::fromValue(rutaDeSesion), QString()}, {}, kElegirMs, &porQue);
  if (!empezada) return fallarYCerrar(porQue);
  if (empezada->codigo == 1) return fallarYCerrar(QStringLiteral("the user shared no screen"));
  if (empezada->codigo != 0) return fallarYCerrar(QStringLiteral("the portal could not share"));
  if (const QString token = empezada->resultados.value(QStringLiteral("restore_token")).toString();
      !token.isEmpty())
    guardarToken(token);

  PantallaCompartida p;
  bool hay = false;
  const QVariant streams = empezada->resultados.value(QStringLiteral("streams"));
  if (streams.canConvert<QDBusArgument>()) {
    const QDBusArgument arg = streams.value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd() && !hay) {
      uint nodo = 0;
      QVariantMap props;
      arg.beginStructure();
      arg >> nodo >> props;
      arg.endStructure();
      const auto [x, y] = par(props.value(QStringLiteral("position")));
      const auto [ancho, alto] = par(props.value(QStringLiteral("size")));
      p.nodo = nodo;
      p.lugar = AreaDeRaiz{x, y, ancho, alto};
      hay = true;
    }
    arg.endArray();
  }
  if (!hay) return fallarYCerrar(QStringLiteral("the portal shared no stream"));

  QDBusMessage abrir = QDBusMessage::createMethodCall(kServicio, kRuta, kScreenCast,
                                                      QStringLiteral("OpenPipeWireRemote"));
  abrir << QVariant::fromValue(rutaDeSesion) << QVariantMap();
  const QDBusMessage remoto = bus.call(abrir, QDBus::Block, kRapidoMs);
  if (remoto.type() != QDBusMessage::ReplyMessage || remoto.arguments().isEmpty())
    return fallarYCerrar(QStringLiteral("OpenPipeWireRemote: ") + remoto.errorName());
  const auto fd = remoto.arguments().constFirst().value<QDBusUnixFileDescriptor>();
  p.fd = fd.isValid() ? fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 3) : -1;
  if (p.fd < 0) return fallarYCerrar(QStringLiteral("the portal gave no PipeWire remote"));
  p.conCursor = modo == kCursorDibujado;
  p.cerrar = [sesion] { cerrarSesion(sesion); };
  return p;
}

std::unique_ptr<FlujoDePantalla> flujoDelEscritorio() {
  if (servidorGrafico() == ServidorGrafico::wayland) return flujoPipeWire(pedirPantallaAlPortal);
  return flujoX11();
}

}  // namespace corvalin
