// System-wide key combinations registered under integer ids; a press runs the id's handler
// on the main thread.
#pragma once

#include <cstdint>
#include <functional>

#include "hotkeys/hotkey.h"

namespace corvalin {

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

}  // namespace corvalin
