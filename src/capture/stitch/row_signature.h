// Row signatures: four mean lumas per row, one per horizontal quarter, cheap enough to compute
// for every frame and coarse enough to compare rows across frames.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/stitch/stitch_limits.h"

namespace corvalin::stitch {

inline constexpr int entradasPorFila = 4;

// Signatures of `alto` rows of `ancho` RGBA pixels, rows `bytesPorFila` apart, into `salida`
// (resized to alto × 4). Even pixels are sampled; a quarter is ancho ÷ 4 pixels wide (one pixel
// below 8), the last one taking the remainder.
void firma(const uint8_t* rgba, int ancho, int alto, std::size_t bytesPorFila,
           std::vector<float>& salida);

inline bool mismaEntrada(float a, float b) {
  return std::fabs(a - b) < toleranciaFirma;
}

// Whether all four entries of two rows are the same.
inline bool mismaFila(const float* a, const float* b) {
  for (int i = 0; i < entradasPorFila; ++i)
    if (!mismaEntrada(a[i], b[i])) return false;
  return true;
}

}  // namespace corvalin::stitch
