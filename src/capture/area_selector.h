// Lets the user drag out an area of a screen.
#pragma once

#include <QRect>
#include <QString>
#include <functional>

namespace corvalin {

// An area in global desktop coordinates (logical pixels, origin top left) and the name of the
// screen it lies on.
struct AreaElegida {
  QRect rect;
  QString pantalla;
};

class AreaSelector {
 public:
  virtual ~AreaSelector() = default;
  // Exactly one of the two handlers runs, on the main thread.
  virtual void pick(std::function<void(const AreaElegida&)> onPick,
                    std::function<void()> onCancel) = 0;
};

}  // namespace corvalin
