// Lets the user click one window on screen.
#pragma once

#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>

namespace corvalin {

struct VentanaElegida {
  uint32_t id = 0;  // the window system's identifier
  QRect marco;      // global desktop coordinates
  QString pantalla;
};

class WindowPicker {
 public:
  virtual ~WindowPicker() = default;
  virtual void pick(std::function<void(const VentanaElegida&)> onPick,
                    std::function<void()> onCancel) = 0;
};

}  // namespace corvalin
