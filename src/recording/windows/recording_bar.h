// The floating bar beside a recording: a blinking dot, the clock, pause and stop; in the long
// capture's mode, "Desplaza…" (or the height so far) and Finish.
#pragma once

#include <functional>
#include <memory>

#include "recording/recording_controls.h"

namespace corvalin {

// `atajoDePausa` gives the pause hotkey's text for the tooltips.
std::unique_ptr<RecordingBar> crearBarraDeGrabacion(RecordingBar::Modo modo,
                                                    ManejadoresDeBarra manejadores,
                                                    std::function<QString()> atajoDePausa);

}  // namespace corvalin
