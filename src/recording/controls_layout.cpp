#include "recording/controls_layout.h"

#include <algorithm>
#include <cmath>

#include "core/texts.h"

namespace corvalin {

QPoint posicionJuntoAlArea(const QRect& area, const QSize& barra, const QRect& visible, int hueco) {
  constexpr int kBorde = 8;
  int x = area.x() + (area.width() - barra.width()) / 2;
  // QRect's bottom() is one short of the edge.
  int y = area.y() + area.height() + hueco;
  if (y + barra.height() > visible.y() + visible.height() - kBorde)
    y = area.y() - hueco - barra.height();
  x = std::clamp(
      x, visible.x() + kBorde,
      std::max(visible.x() + kBorde, visible.x() + visible.width() - kBorde - barra.width()));
  y = std::clamp(
      y, visible.y() + kBorde,
      std::max(visible.y() + kBorde, visible.y() + visible.height() - kBorde - barra.height()));
  return {x, y};
}

QPoint posicionJuntoAlIcono(const QRect& icono, const QSize& panel, const QRect& visible) {
  constexpr int kHuecoDelIcono = 4;
  if (icono.isValid()) return posicionJuntoAlArea(icono, panel, visible, kHuecoDelIcono);
  return {visible.x() + visible.width() - 8 - panel.width(), visible.y() + 8};
}

QString tiempoGrabado(std::optional<double> segundos) {
  if (!segundos) return {};
  const long long total = std::max(0LL, static_cast<long long>(*segundos));
  const long long h = total / 3600, m = (total % 3600) / 60, s = total % 60;
  if (total < 3600) return QString::asprintf("%lld:%02lld", m, s);
  return QString::asprintf("%lld:%02lld:%02lld", h, m, s);
}

QString tituloDelBotonGrabar(int retrasoSegundos) {
  if (retrasoSegundos < 1) return L("Grabar");
  return L("Grabar en %@s", retrasoSegundos);
}

const std::vector<OpcionDeEscala>& escalasDelSetup() {
  static const std::vector<OpcionDeEscala> v = {{"Mitad", 0.5}, {"Normal", 1.0}, {"Retina", 2.0}};
  return v;
}
const std::vector<int>& velocidadesDelSetup() {
  static const std::vector<int> v = {15, 30, 50, 60};
  return v;
}
const std::vector<int>& esperasDelSetup() {
  static const std::vector<int> v = {0, 3, 5, 10};
  return v;
}

QString textoDeEspera(int segundos) {
  if (segundos < 1) return L("Inmediato");
  return L("En %@ s", segundos);
}

int indiceMasCercano(const std::vector<double>& valores, double valor) {
  int mejor = 0;
  for (int i = 1; i < static_cast<int>(valores.size()); ++i)
    if (std::abs(valores[i] - valor) < std::abs(valores[mejor] - valor)) mejor = i;
  return mejor;
}

QRect marcoAlrededor(const QRect& area) {
  return area.adjusted(-kMargenDelMarco, -kMargenDelMarco, kMargenDelMarco, kMargenDelMarco);
}

}  // namespace corvalin
