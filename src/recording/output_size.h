// The size a recording comes out at, from the size of what is recorded in logical pixels and
// the recording settings: the one rule the recorder and every place that shows the size use.
#pragma once

#include <QSize>

namespace corvalin {

// `escala` × the size; when the longer side then exceeds `anchoMaximo`, both sides shrink in
// proportion to bring it down to that; each side truncated to a whole even number of pixels,
// at least 2 (video encoders work on pairs of pixels).
QSize tamanoDeSalida(double ancho, double alto, double escala, int anchoMaximo);

// The estimate shown in the recording settings: megabytes per minute of a video of `tamano`
// at `fps` frames a second, counting 0.1 bit per pixel of each frame; whole megabytes, rounded
// down.
int megabytesPorMinuto(const QSize& tamano, int fps);

}  // namespace corvalin
