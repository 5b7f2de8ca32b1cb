// The interactive capture on X11: every monitor is frozen in one grab, the user picks an area
// or a window on that picture, and exactly those pixels are saved.
#pragma once

#include <string>

#include "tools/screenshot_request.h"

namespace corvalin::tools {

class X11Display;

// Creates the application object itself. Returns the exit status: 0 when saved or cancelled,
// 1 when it could not work.
int captureInteractiveX11(const X11Display& display, CaptureKind kind,
                          const std::string& outputPath, char* programName);

}  // namespace corvalin::tools
