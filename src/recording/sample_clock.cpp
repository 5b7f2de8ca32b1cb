#include "recording/sample_clock.h"

#include <algorithm>
#include <cstdlib>

namespace corvalin {

RelojDeMuestras::Lugar RelojDeMuestras::pts(std::optional<int64_t> medidoUs, int frames) {
  int64_t contado = inicioUs_ + muestras_ * 1'000'000 / kTasaHz;
  if (!medidoUs) {
    // Nothing to weigh the count against.
  } else if (!contando_ || std::llabs(*medidoUs - contado) > kSaltoUs) {
    inicioUs_ = *medidoUs;
    muestras_ = 0;
    contando_ = true;
    desvios_.clear();
    contado = *medidoUs;
  } else {
    desvios_.push_back(*medidoUs - contado);
    if (static_cast<int>(desvios_.size()) >= kVentana) {
      auto medio = desvios_.begin() + kVentana / 2;
      std::nth_element(desvios_.begin(), medio, desvios_.end());
      if (std::llabs(*medio) > kDesvioUs) {
        inicioUs_ += *medio;
        contado += *medio;
      }
      desvios_.clear();
    }
  }
  muestras_ += frames;
  Lugar lugar{contado, 0};
  if (contado < finUs_) {
    // Whole samples, rounded up: what is kept starts at or after the end.
    const int64_t solapa = ((finUs_ - contado) * kTasaHz + 999'999) / 1'000'000;
    lugar.omitir = static_cast<int>(std::min<int64_t>(frames, solapa));
    lugar.ptsUs = contado + lugar.omitir * 1'000'000 / kTasaHz;
  }
  finUs_ = std::max(finUs_, contado + static_cast<int64_t>(frames) * 1'000'000 / kTasaHz);
  return lugar;
}

}  // namespace corvalin
