// Which display server the session runs on: X11 gets full support, Wayland goes through portals.
#pragma once

namespace corvalin {

enum class ServidorGrafico { x11, wayland, otro };

// Decided by the Qt platform plugin in use (xcb or wayland), or by the environment before
// the application object exists.
ServidorGrafico servidorGrafico();

// Whether a window system can be reached before anything connects to it: the compositor's
// socket, the X server answering, or a Qt platform that needs no server (offscreen).
bool pantallaAlcanzable();

}  // namespace corvalin
