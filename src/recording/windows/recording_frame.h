// The blinking red line around the recorded area, just outside it: never in the video, never
// in the way of the mouse.
#pragma once

#include <memory>

#include "recording/recording_controls.h"

namespace corvalin {

std::unique_ptr<RecordingFrame> crearMarcoDeGrabacion(const QRect& area);

}  // namespace corvalin
