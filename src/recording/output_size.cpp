#include "recording/output_size.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace corvalin {
namespace {

int parAlMenosDos(double v) {
  const double entero = std::trunc(v);
  if (!(entero > 1)) return 2;
  const int64_t n = static_cast<int64_t>(std::min(entero, 1.0e9));
  return static_cast<int>(n - n % 2);
}

}  // namespace

QSize tamanoDeSalida(double ancho, double alto, double escala, int anchoMaximo) {
  double w = escala * ancho;
  double h = escala * alto;
  const double mayor = std::max(w, h);
  if (anchoMaximo > 0 && mayor > anchoMaximo) {
    const double factor = anchoMaximo / mayor;
    w *= factor;
    h *= factor;
  }
  return QSize(parAlMenosDos(w), parAlMenosDos(h));
}

int megabytesPorMinuto(const QSize& tamano, int fps) {
  const double bits = double(tamano.width()) * double(tamano.height()) * fps * 0.1;
  return static_cast<int>(std::floor(bits / 8 / 1024 / 1024 * 60));
}

}  // namespace corvalin
