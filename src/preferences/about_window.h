// The About window: the application's icon, name, version, tagline and three links.
#pragma once

#include <QString>
#include <functional>

#include "platform/escapable_window.h"

namespace corvalin {

struct AcercaDeView {
  QString version;
  QString build;
  QString copyright;
  std::function<void()> alBuscarActualizaciones;
};

class AboutWindow : public EscapableWindow {
  Q_OBJECT

 public:
  static constexpr const char* kSitio = "https://corvalin.app";
  static constexpr const char* kNovedades = "https://corvalin.app/novedades";

  AboutWindow(const AcercaDeView& datos, std::function<void(const QString& url)> abrirEnlace);
};

// "Versión 0.1.0  ·  build 7" in the interface language.
QString lineaDeVersion(const AcercaDeView& datos);

}  // namespace corvalin
