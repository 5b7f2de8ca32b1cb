#include "platform/display_server.h"

#include <QGuiApplication>

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

}  // namespace corvalin
