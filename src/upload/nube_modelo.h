// The hosted service's account as the Upload page shows it: the state of one page of files,
// whether a request is running and the last problem. Main thread only.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "upload/nube_uploader.h"

namespace corvalin {

class NubeModelo : public QObject {
  Q_OBJECT

 public:
  explicit NubeModelo(std::function<ConfigDeNube()> config, QObject* parent = nullptr);

  // Asks for page `pagina` (the form loads page 1 when it opens).
  void cargar(int pagina = 1);
  // Deletes, then reloads the page shown (the last one left, when it no longer exists).
  void borrar(const NubeUploader::Barrido& barrido);

  const std::optional<EstadoDeNube>& estado() const { return estado_; }
  bool cargando() const { return cargando_; }
  const QString& problema() const { return problema_; }
  int pagina() const { return pagina_; }

 Q_SIGNALS:
  void cambio();

 private:
  void fallar(const ErrorDeSubida& error);

  std::function<ConfigDeNube()> config_;
  std::optional<EstadoDeNube> estado_;
  bool cargando_ = false;
  QString problema_;
  int pagina_ = 1;
  // Only the answer to the latest request counts: an older one arriving late is dropped.
  int peticion_ = 0;
};

}  // namespace corvalin
