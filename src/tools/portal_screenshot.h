// Screenshots where the tool cannot read the screen itself (Wayland): the desktop portal
// takes the picture, with its own selection when interactive, and we move its file to the
// output path.
#pragma once

#include <string>

#include "tools/screenshot_request.h"

namespace corvalin::tools {

// Creates the application object itself; returns the exit status (0: saved or cancelled).
int captureThroughPortal(CaptureKind kind, const std::string& outputPath, char* programName);

}  // namespace corvalin::tools
