// What the windows around a recording show and where they go, apart from the widgets: the
// bars' place beside the area, the clock's text, the record button's title, the setup bar's
// choices and the blinking frame's lines.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

#include "core/settings.h"

namespace corvalin {

// Centred on the area, `hueco` points below it; above it when that would come within 8 points
// of the visible frame's bottom; then kept 8 points inside the visible frame on every side.
// Global logical coordinates.
QPoint posicionJuntoAlArea(const QRect& area, const QSize& barra, const QRect& visible, int hueco);
constexpr int kHuecoDelSetup = 14;
constexpr int kHuecoDeLaBarra = 12;

// The tray panel: beside the tray icon when the tray says where it is (below an icon at the
// top, above one at the bottom), else in the top-right corner; 8 points inside `visible`.
QPoint posicionJuntoAlIcono(const QRect& icono, const QSize& panel, const QRect& visible);

// "m:ss" below an hour, "h:mm:ss" from then on; empty without a time.
QString tiempoGrabado(std::optional<double> segundos);

// "Grabar", or "Grabar en 5s" with a countdown.
QString tituloDelBotonGrabar(int retrasoSegundos);

// The setup bar's fixed choices.
struct OpcionDeEscala {
  const char* nombre;  // Spanish; shown through L()
  double escala;
};
const std::vector<OpcionDeEscala>& escalasDelSetup();
const std::vector<int>& velocidadesDelSetup();
const std::vector<int>& esperasDelSetup();
// "Inmediato", or "En 5 s".
QString textoDeEspera(int segundos);
// Where a stored value falls among the choices: the nearest one.
int indiceMasCercano(const std::vector<double>& valores, double valor);

// The blinking frame: drawn around the area grown by kMargenDelMarco on each side, a red
// line of kGrosorDelMarco inset by half of it plus 1.5, a thin white line just outside it.
constexpr int kGrosorDelMarco = 3;
constexpr int kMargenDelMarco = 6;
QRect marcoAlrededor(const QRect& area);
constexpr int kParpadeoDelMarcoMs = 900;

}  // namespace corvalin
