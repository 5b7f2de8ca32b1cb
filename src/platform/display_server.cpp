#include "platform/display_server.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>

namespace corvalin {

ServidorGrafico servidorGrafico() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) return ServidorGrafico::x11;
    if (platform.startsWith(QLatin1String("wayland"))) return ServidorGrafico::wayland;
    return ServidorGrafico::otro;
  }
  if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return ServidorGrafico::wayland;
  if (!qEnvironmentVariableIsEmpty("DISPLAY")) return ServidorGrafico::x11;
  return ServidorGrafico::otro;
}

namespace {

bool waylandAlcanzable() {
  const QByteArray nombre = qgetenv("WAYLAND_DISPLAY");
  if (nombre.isEmpty()) return false;
  const QByteArray ruta =
      nombre.startsWith('/') ? nombre : qgetenv("XDG_RUNTIME_DIR") + '/' + nombre;
  sockaddr_un addr{};
  if (ruta.size() >= static_cast<qsizetype>(sizeof addr.sun_path)) return false;
  addr.sun_family = AF_UNIX;
  std::copy(ruta.begin(), ruta.end(), addr.sun_path);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

bool x11Alcanzable() {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const bool ok = xcb_connection_has_error(c) == 0;
  xcb_disconnect(c);
  return ok;
}

}  // namespace

bool pantallaAlcanzable() {
  const QByteArray plataforma = qgetenv("QT_QPA_PLATFORM");
  if (plataforma.startsWith("wayland")) return waylandAlcanzable();
  if (plataforma.startsWith("xcb")) return x11Alcanzable();
  if (!plataforma.isEmpty()) return true;  // offscreen, minimal, vnc…
  return waylandAlcanzable() || x11Alcanzable();
}

}  // namespace corvalin
