// The countdown badge: a dark disc over the area about to be recorded, the seconds left in
// large digits inside a ring that drains once a second. It takes no input and is gone from
// the screen before its completion runs, so the recording's first frame never shows it.
#pragma once

#include <QPoint>
#include <QRect>
#include <memory>

#include "capture/cuenta_regresiva.h"

namespace corvalin {

class Escritorio;

inline constexpr int kLadoDeCuenta = 132;

// The badge's top left corner: centred on `area`, then kept 8 px inside `visible` (the
// screen without its panels).
QPoint lugarDeCuenta(const QRect& area, const QRect& visible);

// Countdowns on the desktop; `escritorio` (may be null) tells when the badge is off the screen.
FabricaDeCuentaRegresiva fabricaDeCuentaRegresiva(std::shared_ptr<Escritorio> escritorio);

}  // namespace corvalin
