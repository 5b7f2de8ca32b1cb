// The size a recording comes out at, from the size of what is recorded in logical pixels and
// the recording settings: the one rule the recorder and every place that shows the size use.
#pragma once

#include <QSize>

namespace corvalin {

// medidasDeSalida (output_rule.h) as a QSize.
QSize tamanoDeSalida(double ancho, double alto, double escala, int anchoMaximo);

// The estimate shown in the recording settings: megabytes per minute of a video of `tamano`
// at `fps` frames a second, counting 0.1 bit per pixel of each frame; whole megabytes, rounded
// down.
int megabytesPorMinuto(const QSize& tamano, int fps);

}  // namespace corvalin
