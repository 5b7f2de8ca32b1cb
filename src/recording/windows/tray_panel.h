// The clock beside the tray icon, for when the user keeps it out of the way of the area:
// pause, stop and the time in a small panel next to the icon (or in the screen's top-right
// corner when the tray doesn't say where it is). A right click opens the tray menu.
#pragma once

#include <QRect>
#include <memory>

#include "recording/recording_controls.h"

namespace corvalin {

std::unique_ptr<PanelGrabacionEnBarra> crearPanelDeBandeja(ManejadoresDePanel manejadores,
                                                           const QRect& icono);

}  // namespace corvalin
