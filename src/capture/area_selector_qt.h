// The area selector on the desktop: every screen dimmed by a layer, the drag followed by a
// frame, corner dots and the size the recording will come out at. Without a compositor the
// layers show a still picture of the screen under the dimming, since they can't see through.
#pragma once

#include <functional>
#include <memory>

#include "capture/area_selector.h"
#include "capture/desktop.h"
#include "capture/overlay.h"
#include "recording/recording_types.h"

namespace corvalin {

class SelectorDeArea final : public AreaSelector {
 public:
  // `ajustes` gives the recording settings the size label uses; `escritorio` may be null
  // (no X server), and then the layers need a compositor to show the screen.
  SelectorDeArea(std::shared_ptr<Escritorio> escritorio,
                 std::function<AjustesDeGrabacion()> ajustes);
  ~SelectorDeArea() override;

  void pick(std::function<void(const AreaElegida&)> onPick,
            std::function<void()> onCancel) override;
  bool activo() const { return capas_ != nullptr; }

 private:
  void terminar(std::function<void()> avisar);

  std::shared_ptr<Escritorio> escritorio_;
  std::function<AjustesDeGrabacion()> ajustes_;
  std::unique_ptr<Capas> capas_;
};

}  // namespace corvalin
