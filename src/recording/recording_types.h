// What a recording captures and with which settings.
#pragma once

#include <QRect>
#include <QString>
#include <cstdint>
#include <variant>

#include "core/settings.h"

namespace corvalin {

// The recorder's settings, built from the store by Settings::record().
struct AjustesDeGrabacion {
  double escala = 1.0;     // pixels per point: 0.5 half, 1.0 normal, 2.0 double density
  int anchoMaximo = 1920;  // longest side in pixels
  int fps = 30;
  bool muestraCursor = true;
  FuenteDeAudio audio = FuenteDeAudio::sistema;
};

// An area in global desktop coordinates (Qt's: logical pixels, origin top left) on a screen.
struct ObjetivoArea {
  QRect rect;
  QString pantalla;  // the screen's name
  friend bool operator==(const ObjetivoArea&, const ObjetivoArea&) = default;
};

// A window, by its window-system identifier.
struct ObjetivoVentana {
  uint32_t ventana = 0;
  friend bool operator==(const ObjetivoVentana&, const ObjetivoVentana&) = default;
};

using ObjetivoDeGrabacion = std::variant<ObjetivoArea, ObjetivoVentana>;

}  // namespace corvalin
