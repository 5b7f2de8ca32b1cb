#include "recording/output_size.h"

#include "recording/output_rule.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace corvalin {
QSize tamanoDeSalida(double ancho, double alto, double escala, int anchoMaximo) {
  const MedidasDeSalida m = medidasDeSalida(ancho, alto, escala, anchoMaximo);
  return QSize(m.ancho, m.alto);
}

int megabytesPorMinuto(const QSize& tamano, int fps) {
  const double bits = double(tamano.width()) * double(tamano.height()) * fps * 0.1;
  return static_cast<int>(std::floor(bits / 8 / 1024 / 1024 * 60));
}

}  // namespace corvalin
