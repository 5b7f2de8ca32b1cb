// The size a recording comes out at (the one rule, without Qt, for corvalin-record and the
// engine; output_size.h gives it to the application).
#pragma once

namespace corvalin {

struct MedidasDeSalida {
  int ancho = 2, alto = 2;
};

// `escala` × the size; when the longer side then exceeds `anchoMaximo`, both sides shrink in
// proportion to bring it down to that; each side truncated to a whole even number of pixels,
// at least 2 (video encoders work on pairs of pixels).
MedidasDeSalida medidasDeSalida(double ancho, double alto, double escala, int anchoMaximo);

}  // namespace corvalin
