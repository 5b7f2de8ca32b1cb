#include "capture/stitch/row_signature.h"

#include <algorithm>
#include <array>

namespace corvalin::stitch {

namespace {

// Luma in thousandths (299 R + 587 G + 114 B): integer sums are exact, so a row's signature
// does not depend on where in a band the summing started.
inline uint32_t luma(const uint8_t* p) {
  return 299u * p[0] + 587u * p[1] + 114u * p[2];
}

// Sum over the even pixels of [desde, hasta); a run of up to 8192 samples fits in 32 bits.
uint64_t sumaPares(const uint8_t* fila, int desde, int hasta) {
  uint64_t total = 0;
  int x = desde;
  while (x < hasta) {
    const int fin = std::min(hasta, x + 2 * 8192);
    uint32_t parcial = 0;
    for (; x < fin; x += 2) parcial += luma(fila + static_cast<std::size_t>(x) * 4);
    total += parcial;
  }
  return total;
}

}  // namespace

void firma(const uint8_t* rgba, int ancho, int alto, std::size_t bytesPorFila,
           std::vector<float>& salida) {
  salida.resize(static_cast<std::size_t>(std::max(alto, 0)) * entradasPorFila);
  if (ancho <= 0 || alto <= 0) return;
  const int s = ancho < 8 ? 1 : ancho / 4;
  // The quarters' spans in pixels, each starting on its first even pixel; with s = 1 the last
  // quarter takes every pixel from 3 on.
  std::array<int, 5> borde{};
  for (int b = 0; b < 4; ++b) borde[b] = std::min(ancho, b * s);
  borde[4] = ancho;
  std::array<int, 4> inicio{};
  std::array<int, 4> muestras{};
  for (int b = 0; b < 4; ++b) {
    inicio[b] = borde[b] + (borde[b] & 1);
    muestras[b] = inicio[b] < borde[b + 1] ? (borde[b + 1] - inicio[b] + 1) / 2 : 0;
  }
  std::array<float, 4> divisor{};
  for (int b = 0; b < 4; ++b)
    divisor[b] = 1000.0f * static_cast<float>(muestras[b] > 1 ? muestras[b] : 1);
  for (int y = 0; y < alto; ++y) {
    const uint8_t* fila = rgba + static_cast<std::size_t>(y) * bytesPorFila;
    float* destino = salida.data() + static_cast<std::size_t>(y) * entradasPorFila;
    for (int b = 0; b < 4; ++b) {
      const uint64_t suma = muestras[b] ? sumaPares(fila, inicio[b], borde[b + 1]) : 0;
      destino[b] = static_cast<float>(static_cast<double>(suma) / divisor[b]);
    }
  }
}

}  // namespace corvalin::stitch
