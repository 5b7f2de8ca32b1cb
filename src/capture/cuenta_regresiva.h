// The countdown badge over the area about to be recorded.
#pragma once

#include <QRect>
#include <QString>
#include <functional>
#include <memory>

namespace corvalin {

class CuentaRegresiva {
 public:
  virtual ~CuentaRegresiva() = default;
  // Shows the badge and counts down; runs the completion once when the count reaches zero.
  virtual void arrancar() = 0;
  // Stops, drops the completion and removes the badge; safe at any time.
  virtual void cerrar() = 0;
};

// Makes a countdown of `segundos` over `area` on the screen named `pantalla`.
using FabricaDeCuentaRegresiva = std::function<std::unique_ptr<CuentaRegresiva>(
    int segundos, const QRect& area, const QString& pantalla, std::function<void()> alTerminar)>;

}  // namespace corvalin
