// The desktop as the choosers see it on Wayland, where nothing but the compositor reads the
// screen: the still picture comes from the desktop portal's Screenshot (one picture serves
// every screen of one chooser), and no window is known.
#pragma once

#include <memory>

#include "capture/desktop.h"

namespace corvalin {

std::unique_ptr<Escritorio> escritorioDelPortal();

}  // namespace corvalin
