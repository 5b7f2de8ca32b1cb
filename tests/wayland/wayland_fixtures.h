// What the Wayland suites share: the test client started and waited for, Corvalin's programs
// run to the end with their output kept, and a bus without any portal on it.
#pragma once

#include <QImage>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <memory>
#include <optional>

namespace corvalin::testing {

// A process stopped when it goes out of scope.
struct Detener {
  void operator()(QProcess* p) const;
};
using Proceso = std::unique_ptr<QProcess, Detener>;

// The test client of wayland_client.cpp in `modo`; null if it never said it was ready.
Proceso clienteWayland(const QStringList& modo);

struct Salida {
  int codigo = -1;  // -1: it did not end in time, or crashed
  QByteArray salida, errores;
};
// Runs `programa` to its end (or kills it after `esperaMs`).
Salida correr(const QString& programa, const QStringList& argumentos,
              const QProcessEnvironment& entorno = QProcessEnvironment::systemEnvironment(),
              int esperaMs = 30000);

// Pixels of `foto` that differ from the test client's pattern (seed `semilla`) in the
// rectangle of its size at `donde`.
int64_t distintosEn(const QImage& foto, uint32_t semilla, QPoint donde);

// The window sway shows whose title `patron` matches, within a few seconds: its node in sway's
// tree (`type` "floating_con" when it floats, `focused`, `rect`).
std::optional<QJsonObject> esperarVentana(const QRegularExpression& patron, int esperaMs = 10000);

// The compositor's virtual pointer, plugged in while this lives (wayland_pointer.cpp).
class PunteroVirtual {
 public:
  PunteroVirtual();
  // One of wayland_pointer's commands ("move 10 20", "down", "up"); true once it is done.
  bool orden(const QString& orden);
  // Presses at `desde`, moves in steps and lets go at `hasta`.
  bool arrastrar(QPoint desde, QPoint hasta);

 private:
  Proceso proceso_;
  bool listo_ = false;
};

// `programa` must fail (exit 1) within 10 s, saying every one of `dichos`, and leave no
// `archivo`.
void fallaDiciendo(const QString& programa, const QStringList& args,
                   const QProcessEnvironment& entorno, const QString& archivo,
                   const QStringList& dichos);
// corvalin-record, run in Spanish with `base`'s environment, must fail at once saying that the
// desktop shared no screen, and leave no `archivo`.
void grabacionSinPantalla(const QProcessEnvironment& base, const QString& archivo);

// A session bus of its own, with nothing on it and nothing it could start, while it lives;
// its address in `direccion` (empty if it never started).
Proceso busVacio(QString* direccion);

}  // namespace corvalin::testing
