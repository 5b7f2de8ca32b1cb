#include "editor/recovery_keeper.h"

#include <QPointer>
#include <cstdio>

#include "platform/main_thread.h"
#include "platform/serial_queue.h"

namespace corvalin {

// Used on the queue only.
struct GuardaDeRecuperacion::Estado {
  explicit Estado(const QString& carpeta) : escritor(carpeta) {}
  EscritorDeCopia escritor;
};

GuardaDeRecuperacion::GuardaDeRecuperacion(QString carpeta,
                                           std::function<CopiaDeDocumento()> instantanea,
                                           SerialQueue& cola, int intervaloMs)
    : carpeta_(std::move(carpeta)),
      estado_(std::make_shared<Estado>(carpeta_)),
      instantanea_(std::move(instantanea)),
      cola_(cola),
      intervaloMs_(intervaloMs) {
  temporizador_.setSingleShot(true);
  connect(&temporizador_, &QTimer::timeout, this, [this] { escribir(); });
}

GuardaDeRecuperacion::~GuardaDeRecuperacion() {
  if (!pendiente_) return;
  const CopiaDeDocumento copia = instantanea_();
  const std::shared_ptr<Estado> estado = estado_;
  cola_.sync([estado, &copia] { estado->escritor.escribir(copia); });
}

void GuardaDeRecuperacion::conocer(const std::map<QString, QImage>& archivos) {
  const std::shared_ptr<Estado> estado = estado_;
  cola_.async([estado, archivos] {
    for (const auto& [archivo, imagen] : archivos) estado->escritor.conocer(imagen, archivo);
  });
}

void GuardaDeRecuperacion::cambio() {
  pendiente_ = true;
  // A write in flight schedules the next one when it is done.
  if (enVuelo_ || temporizador_.isActive()) return;
  const qint64 pasado = desdeLaUltima_.isValid() ? desdeLaUltima_.elapsed() : intervaloMs_;
  temporizador_.start(static_cast<int>(std::max<qint64>(0, intervaloMs_ - pasado)));
}

void GuardaDeRecuperacion::escribir() {
  if (!pendiente_) return;
  pendiente_ = false;
  enVuelo_ = true;
  desdeLaUltima_.restart();
  const std::shared_ptr<Estado> estado = estado_;
  const QPointer<GuardaDeRecuperacion> self(this);
  cola_.async([estado, self, copia = instantanea_()] {
    const bool ok = estado->escritor.escribir(copia);
    if (!ok) {
      std::fprintf(stderr, "corvalin: the recovery copy could not be written in %s\n",
                   qPrintable(estado->escritor.carpeta()));
    }
    enMain([self, ok] {
      if (!self) return;
      self->enVuelo_ = false;
      ++self->escrituras_;
      Q_EMIT self->escrita(ok);
      if (self->pendiente_) self->cambio();
    });
  });
}

void GuardaDeRecuperacion::descartar() {
  temporizador_.stop();
  pendiente_ = false;
  const std::shared_ptr<Estado> estado = estado_;
  cola_.async([estado] { estado->escritor.borrar(); });
}

}  // namespace corvalin
