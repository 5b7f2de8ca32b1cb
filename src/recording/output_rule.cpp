#include "recording/output_rule.h"

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

MedidasDeSalida medidasDeSalida(double ancho, double alto, double escala, int anchoMaximo) {
  double w = escala * ancho;
  double h = escala * alto;
  const double mayor = std::max(w, h);
  if (anchoMaximo > 0 && mayor > anchoMaximo) {
    const double factor = anchoMaximo / mayor;
    w *= factor;
    h *= factor;
  }
  return {parAlMenosDos(w), parAlMenosDos(h)};
}

}  // namespace corvalin
