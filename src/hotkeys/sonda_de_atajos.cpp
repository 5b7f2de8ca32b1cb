#include "hotkeys/sonda_de_atajos.h"

#include <QTimer>

#include "platform/main_thread.h"

namespace corvalin {

SondaDeAtajos::Temporizador SondaDeAtajos::temporizadorDeQt() {
  return [](std::chrono::milliseconds espera, std::function<void()> alVencer) {
    // The handle may be dropped from inside the timer's own signal: delete it later.
    std::shared_ptr<QTimer> timer(new QTimer, [](QTimer* t) {
      t->stop();
      t->deleteLater();
    });
    timer->setSingleShot(true);
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), std::move(alVencer));
    timer->start(espera);
    return std::shared_ptr<void>(timer);
  };
}

std::shared_ptr<SondaDeAtajos> SondaDeAtajos::shared() {
  static const std::shared_ptr<SondaDeAtajos> sonda = std::make_shared<SondaDeAtajos>();
  return sonda;
}

SondaDeAtajos::SondaDeAtajos(Temporizador temporizador) : temporizador_(std::move(temporizador)) {}

void SondaDeAtajos::begin(CaptureMode mode, std::chrono::milliseconds timeout,
                          std::function<void(bool arrived)> result) {
  const uint32_t id = hotkeyId(mode);
  pending_.erase(id);
  Espera espera;
  espera.result = std::move(result);
  espera.timer = temporizador_(timeout, [this, id] { terminar(id, false); });
  pending_[id] = std::move(espera);
}

void SondaDeAtajos::finish(CaptureMode mode, bool arrived) {
  terminar(hotkeyId(mode), arrived);
}

void SondaDeAtajos::terminar(uint32_t id, bool arrived) {
  auto it = pending_.find(id);
  if (it == pending_.end()) return;
  std::function<void(bool)> result = std::move(it->second.result);
  pending_.erase(it);
  enMain([result = std::move(result), arrived] { result(arrived); });
}

void SondaDeAtajos::cancelAll() {
  pending_.clear();
}

bool SondaDeAtajos::pendiente(uint32_t id) const {
  return pending_.count(id) != 0;
}

void SondaDeAtajos::llego(uint32_t id) {
  terminar(id, true);
}

}  // namespace corvalin
