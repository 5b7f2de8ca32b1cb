// The delivery check for a newly assigned hotkey: while a wait is pending for a mode, that
// mode's next press confirms it instead of running the command; unconfirmed, it times out.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>

#include "core/settings.h"
#include "hotkeys/hotkey_manager.h"

namespace corvalin {

class SondaDeAtajos final : public HotkeyProbe {
 public:
  // Starts a one-shot timer that runs `alVencer` after `espera`; dropping the handle stops it.
  using Temporizador = std::function<std::shared_ptr<void>(std::chrono::milliseconds espera,
                                                           std::function<void()> alVencer)>;
  static Temporizador temporizadorDeQt();

  // The one the shell and the hotkey settings share.
  static std::shared_ptr<SondaDeAtajos> shared();

  explicit SondaDeAtajos(Temporizador temporizador = temporizadorDeQt());

  // Waits for the mode's hotkey; a wait already pending for the mode ends silently.
  void begin(CaptureMode mode, std::chrono::milliseconds timeout,
             std::function<void(bool arrived)> result);
  // Ends the mode's wait, if one is pending, reporting `arrived` on the main queue.
  void finish(CaptureMode mode, bool arrived);
  // Drops every wait without reporting.
  void cancelAll();

  bool pendiente(uint32_t id) const override;
  void llego(uint32_t id) override;

 private:
  struct Espera {
    std::shared_ptr<void> timer;
    std::function<void(bool)> result;
  };
  void terminar(uint32_t id, bool arrived);

  Temporizador temporizador_;
  std::map<uint32_t, Espera> pending_;  // by hotkey id
};

}  // namespace corvalin
