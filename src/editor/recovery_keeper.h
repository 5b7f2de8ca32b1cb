// Keeps the recovery copy of an open document up to date: after a change the copy is written on
// a background queue, at once when the last write is a second old and otherwise when the second
// is up, so a burst of changes costs one write. A document that ends (closed or saved) takes
// its copy with it.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "editor/recovery_copy.h"

namespace corvalin {

class SerialQueue;

class GuardaDeRecuperacion : public QObject {
  Q_OBJECT

 public:
  // `instantanea` gives the document as it stands, on the main thread.
  GuardaDeRecuperacion(QString carpeta, std::function<CopiaDeDocumento()> instantanea,
                       SerialQueue& cola, int intervaloMs = 1000);
  // Writes what changed since the last copy before going: a quit keeps the newest state.
  ~GuardaDeRecuperacion() override;

  // Pictures already in the folder: a recovered document reuses them instead of writing them
  // again.
  void conocer(const std::map<QString, QImage>& archivos);

  // The document changed.
  void cambio();
  // The document ended: its copy goes, after any write in flight.
  void descartar();

  const QString& carpeta() const { return carpeta_; }
  int escrituras() const { return escrituras_; }  // copies written so far
  bool pendiente() const { return pendiente_ || enVuelo_; }

 Q_SIGNALS:
  void escrita(bool ok);

 private:
  void escribir();

  struct Estado;
  QString carpeta_;
  std::shared_ptr<Estado> estado_;
  std::function<CopiaDeDocumento()> instantanea_;
  SerialQueue& cola_;
  int intervaloMs_;
  QTimer temporizador_;
  QElapsedTimer desdeLaUltima_;
  bool pendiente_ = false;
  bool enVuelo_ = false;
  int escrituras_ = 0;
};

}  // namespace corvalin
