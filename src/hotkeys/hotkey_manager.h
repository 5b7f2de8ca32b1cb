// System-wide key combinations registered under integer ids; a press runs the id's handler
// on the main thread.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "hotkeys/hotkey.h"

namespace corvalin {

class SettingsStore;

class HotkeyManager {
 public:
  virtual ~HotkeyManager() = default;
  // False when the combination could not be grabbed (another client holds it); the id's
  // previous registration then stays in place.
  virtual bool registrar(const Hotkey& hotkey, uint32_t id, std::function<void()> handler) = 0;
  virtual void unregister(uint32_t id) = 0;
  virtual void unregisterAll() = 0;
};

// A pending check that a mode's hotkey really arrives: while one waits, that mode's next press
// only confirms the probe.
class HotkeyProbe {
 public:
  virtual ~HotkeyProbe() = default;
  virtual bool pendiente(uint32_t id) const = 0;
  virtual void llego(uint32_t id) = 0;
};

// Shows the user a notice about global hotkeys: a title and a detail in the interface language.
using AvisoDeAtajos = std::function<void(const QString& titulo, const QString& detalle)>;

// The session's global hotkeys: X11 key grabs; on Wayland the desktop portal's global
// shortcuts where the desktop offers them. Where neither works, hotkeys register nothing and
// `avisar` is told, once per installation, how to bind the desktop's own shortcut to Corvalin.
std::unique_ptr<HotkeyManager> crearGestorDeAtajos(AvisoDeAtajos avisar);

// Hotkeys for a session without any global hotkey service: every registration fails, and the
// first one gives the notice unless `store` says it was given before.
std::unique_ptr<HotkeyManager> crearGestorSinAtajos(SettingsStore& store, AvisoDeAtajos avisar);

}  // namespace corvalin
