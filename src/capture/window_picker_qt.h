// The window picker on the desktop: every screen dimmed a little, the window under the
// pointer (followed 30 times a second) punched out and framed in red with its name, a click
// choosing it. Only other applications' windows, as the window manager stacks them.
#pragma once

#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "capture/desktop.h"
#include "capture/overlay.h"
#include "capture/window_picker.h"
#include "platform/screen_map.h"

namespace corvalin {

// The window the user means at a root point: the top-most one there, passing over this
// application's own windows and windows 24 px or less across; none when a dock or the
// desktop is on top there.
std::optional<VentanaDelEscritorio> ventanaBajo(
    const std::vector<VentanaDelEscritorio>& arribaPrimero, QPoint raiz,
    const std::function<bool(uint32_t)>& esPropia);

// What a chosen window is handed back as: its frame in global logical coordinates on the
// first screen (in Qt's order) it lies on, else on the first screen.
VentanaElegida eleccionDe(const VentanaDelEscritorio& ventana, const MapaDePantallas& mapa);

class SelectorDeVentana final : public WindowPicker {
 public:
  // Without `escritorio` (no X server: Wayland) there is no window list to pick from:
  // `sinLista` says so, and the picking is cancelled.
  SelectorDeVentana(std::shared_ptr<Escritorio> escritorio, std::function<void()> sinLista = {});
  ~SelectorDeVentana() override;

  void pick(std::function<void(const VentanaElegida&)> onPick,
            std::function<void()> onCancel) override;
  bool activo() const { return capas_ != nullptr; }

 private:
  friend class CapaDeVentanas;
  std::optional<VentanaDelEscritorio> bajoElPuntero() const;
  void seguirCursor();
  void elegir();
  void terminar(std::function<void()> avisar);

  std::shared_ptr<Escritorio> escritorio_;
  std::function<void()> sinLista_;
  std::unique_ptr<Capas> capas_;
  QTimer reloj_;
  std::optional<VentanaDelEscritorio> actual_;
  QString nombre_;  // of actual_
  std::function<void(const VentanaElegida&)> onPick_;
  std::function<void()> onCancel_;
};

}  // namespace corvalin
