// Global hotkeys on X11: passive key grabs on the root window through a connection of our
// own, read without blocking the main thread, handlers run on the main queue.
#pragma once

#include <QByteArray>
#include <memory>

#include "hotkeys/hotkey_manager.h"

namespace corvalin {

class X11HotkeyManager final : public HotkeyManager {
 public:
  // Nothing when the X server (`display`, else $DISPLAY) cannot be reached or lacks XKB.
  static std::unique_ptr<X11HotkeyManager> conectar(const QByteArray& display = {});
  ~X11HotkeyManager() override;

  bool registrar(const Hotkey& hotkey, uint32_t id, std::function<void()> handler) override;
  void unregister(uint32_t id) override;
  void unregisterAll() override;

  struct Estado;

 private:
  explicit X11HotkeyManager(std::shared_ptr<Estado> estado);
  std::shared_ptr<Estado> d_;
};

}  // namespace corvalin
