// The bar under the chosen area before a recording: quality, frames, sound, camera and
// countdown, the video's size, Record (the default button: Return) and Cancel (or Escape).
#pragma once

#include <memory>

#include "recording/recording_controls.h"

namespace corvalin {

std::unique_ptr<RecordSetupBar> crearBarraDeAjustes(const ObjetivoDeGrabacion& objetivo,
                                                    const QRect& marco,
                                                    ManejadoresDeSetup manejadores);

}  // namespace corvalin
