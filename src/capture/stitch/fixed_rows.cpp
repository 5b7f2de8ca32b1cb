#include "capture/stitch/fixed_rows.h"

#include "capture/stitch/row_signature.h"
#include "capture/stitch/stitch_limits.h"

namespace corvalin::stitch {

void Quietud::marcarMuebles(const std::vector<float>& sig, int alto, int cabecera, int pie) {
  if (firmaAnterior_.size() != sig.size()) {
    quietud_.assign(sig.size(), 0);
    plano_.assign(sig.size(), 1);
    excluida_.assign(sig.size(), 0);
    excluidas_ = 0;
    firmaAnterior_ = sig;
    alto_ = alto;
    return;
  }
  if (sig.empty()) return;
  const std::size_t n = sig.size();
  std::size_t distintas = 0;
  for (std::size_t i = 0; i < n; ++i) distintas += !mismaEntrada(sig[i], firmaAnterior_[i]);
  // A frame that barely changed (a caret, a hover) says nothing about what scrolls.
  if (distintas <= n / 6) {
    firmaAnterior_ = sig;
    return;
  }
  ++cuadrosConMovimiento_;
  // esLisa reads the new signature from firmaAnterior_; the old one waits in previa_.
  previa_.swap(firmaAnterior_);
  firmaAnterior_.assign(sig.begin(), sig.end());
  const int desde = cabecera;
  const int hasta = alto - pie;
  long long sumaFilas = 0;
  int cuenta = 0;
  excluidas_ = 0;
  for (std::size_t i = 0; i < n; ++i) {
    quietud_[i] = mismaEntrada(firmaAnterior_[i], previa_[i]) ? quietud_[i] + 1 : 0;
    plano_[i] = esLisa(static_cast<int>(i));
    const bool fija = quietud_[i] >= cuadrosParaSerMueble && !plano_[i];
    excluida_[i] = fija;
    excluidas_ += fija;
    const int fila = static_cast<int>(i / entradasPorFila);
    if (fija && fila >= desde && fila < hasta) {
      ++cuenta;
      sumaFilas += fila;
    }
  }
  muebles_ = cuenta;
  filaMuebles_ = cuenta ? static_cast<int>(sumaFilas / cuenta) : 0;
}

bool Quietud::esLisa(int i) const {
  const int fila = i / entradasPorFila;
  const float v = firmaAnterior_[i];
  if (fila >= 3 && !mismaEntrada(firmaAnterior_[i - 3 * entradasPorFila], v)) return false;
  if (fila + 3 >= alto_) return true;
  return mismaEntrada(firmaAnterior_[i + 3 * entradasPorFila], v);
}

int Quietud::filasFijas(int desde, int paso) const {
  int cuenta = 0;
  bool textura = false;
  for (int fila = desde; fila >= 0 && fila < alto_ && cuenta < alto_ / 3; fila += paso) {
    const std::size_t base = static_cast<std::size_t>(fila) * entradasPorFila;
    bool quieta = true;
    for (int b = 0; b < entradasPorFila; ++b)
      quieta = quieta && quietud_[base + b] >= cuadrosParaFilaFija;
    if (!quieta) break;
    for (int b = 0; b < entradasPorFila; ++b) textura = textura || !plano_[base + b];
    ++cuenta;
  }
  return textura ? cuenta : 0;
}

}  // namespace corvalin::stitch
