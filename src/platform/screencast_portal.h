// The desktop portal's screen sharing (Wayland): one screen asked for through ScreenCast, with
// the pointer drawn in or left out, handed to PipeWire. The desktop's restore token is kept
// so that the user is asked once, not at every recording.
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "platform/screen_stream.h"

namespace corvalin {

// Asks the portal on the session bus; the calling thread runs its events while the desktop
// asks the user. None, with a technical reason, when there is no portal, the user said no, or
// the desktop shares nothing.
std::optional<PantallaCompartida> pedirPantallaAlPortal(bool cursor, std::string* error);

// Where the restore token is kept: $XDG_STATE_HOME/corvalin/screencast-token.
QString archivoDelTokenDePantalla();

// The stream of the desktop Corvalin runs on: X11's own, or the portal's on Wayland; null when
// neither can be had.
std::unique_ptr<FlujoDePantalla> flujoDelEscritorio();

}  // namespace corvalin
