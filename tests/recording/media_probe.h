// What ffprobe and ffmpeg read in a recorded file: its streams, its packets, its sound.
#pragma once

#include <QJsonObject>
#include <QString>
#include <vector>

namespace corvalin::testing {

struct Pista {
  QString codec, perfil;
  int ancho = 0, alto = 0;
  int tasaHz = 0, canales = 0;
  int paquetes = 0;
  double duracion = 0;  // seconds
  double inicio = 0;    // start time, seconds
};

struct Medios {
  bool leido = false;
  std::vector<Pista> pistas;
  const Pista* video() const;
  const Pista* audio() const;
};

Medios sondear(const QString& archivo);
// Presentation times (seconds) of the video packets, and whether each is a key frame.
struct PaqueteDeVideo {
  double pts = 0;
  bool clave = false;
};
std::vector<PaqueteDeVideo> paquetesDeVideo(const QString& archivo);
// The first audio track decoded to 48 kHz mono float, from its start time on.
std::vector<float> sonido(const QString& archivo);

}  // namespace corvalin::testing
