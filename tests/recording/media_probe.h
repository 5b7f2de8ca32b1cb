// What ffprobe and ffmpeg read in a recorded file: its streams, its packets, its sound.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
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
  const Pista* video() const { return pista(true); }
  const Pista* audio() const { return pista(false); }
  const Pista* pista(bool video) const;
};

// What `orden` (words split at spaces, then `mas`) prints; empty when it fails.
QByteArray salidaDe(const QString& orden, const QStringList& mas = {});

Medios sondear(const QString& archivo);
// Presentation times (seconds) of the video packets, in order.
std::vector<double> paquetesDeVideo(const QString& archivo);
// The first audio track decoded to 48 kHz mono float, from its start time on.
std::vector<float> sonido(const QString& archivo);
// Where a tone begins in 48 kHz samples: the first 5 ms with real energy; -1 when none has.
int comienzoDelTono(const std::vector<float>& s);

}  // namespace corvalin::testing
