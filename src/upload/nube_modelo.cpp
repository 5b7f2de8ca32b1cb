#include "upload/nube_modelo.h"

#include <QPointer>

#include "platform/main_thread.h"

namespace corvalin {

NubeModelo::NubeModelo(std::function<ConfigDeNube()> config, QObject* parent)
    : QObject(parent), config_(std::move(config)) {}

void NubeModelo::cargar(int pagina) {
  const int peticion = ++peticion_;
  pagina_ = std::max(1, pagina);
  cargando_ = true;
  Q_EMIT cambio();
  QPointer<NubeModelo> yo(this);
  NubeUploader::estado(config_(), pagina_, [yo, peticion](const Resultado<EstadoDeNube>& r) {
    enMain([yo, peticion, r] {
      if (!yo || peticion != yo->peticion_) return;
      if (const auto* error = std::get_if<ErrorDeSubida>(&r)) {
        yo->fallar(*error);
        return;
      }
      const EstadoDeNube& estado = std::get<EstadoDeNube>(r);
      if (estado.pagina > estado.paginas) {
        yo->cargar(estado.paginas);  // the page emptied under us
        return;
      }
      yo->estado_ = estado;
      yo->pagina_ = estado.pagina;
      yo->problema_.clear();
      yo->cargando_ = false;
      Q_EMIT yo->cambio();
    });
  });
}

void NubeModelo::borrar(const NubeUploader::Barrido& barrido) {
  const int peticion = ++peticion_;
  cargando_ = true;
  Q_EMIT cambio();
  QPointer<NubeModelo> yo(this);
  NubeUploader::borrar(config_(), barrido, [yo, peticion](const Resultado<int>& r) {
    enMain([yo, peticion, r] {
      if (!yo || peticion != yo->peticion_) return;
      if (const auto* error = std::get_if<ErrorDeSubida>(&r)) {
        yo->fallar(*error);
        return;
      }
      yo->cargar(yo->pagina_);
    });
  });
}

void NubeModelo::fallar(const ErrorDeSubida& error) {
  problema_ = error.descripcion();
  cargando_ = false;
  Q_EMIT cambio();
}

}  // namespace corvalin
