// What the Wayland suites share: the test client started and waited for, Corvalin's programs
// run to the end with their output kept, and a bus without any portal on it.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <memory>

namespace corvalin::testing {

// A process stopped when it goes out of scope.
struct Detener {
  void operator()(QProcess* p) const;
};
using Proceso = std::unique_ptr<QProcess, Detener>;

// The test client of wayland_client.cpp in `modo`; null if it never said it was ready.
Proceso clienteWayland(const QStringList& modo);

struct Salida {
  int codigo = -1;  // -1: it did not end in time
  QByteArray salida, errores;
};
// Runs `programa` to its end (or kills it after `esperaMs`).
Salida correr(const QString& programa, const QStringList& argumentos,
              const QProcessEnvironment& entorno = QProcessEnvironment::systemEnvironment(),
              int esperaMs = 30000);

// A session bus of its own, with nothing on it and nothing it could start; stopped when
// destroyed.
class BusVacio {
 public:
  BusVacio();
  ~BusVacio();
  QString direccion() const { return direccion_; }

 private:
  QString config_;
  QProcess daemon_;
  QString direccion_;
};

}  // namespace corvalin::testing
