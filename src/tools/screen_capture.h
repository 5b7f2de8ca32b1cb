// The whole-screen capture on X11 and the PNG output every capture ends with. Plain C++
// over xcb and zlib, so that the common case starts in a few milliseconds.
#pragma once

#include <string>

#include "tools/pixels.h"

namespace corvalin::tools {

class X11Display;

// Encodes and writes the PNG; says on standard error why not.
bool savePng(const Rgb32View& pixels, const std::string& path);

// The monitor under the pointer. Returns the exit status: 0 saved, 1 failed.
int captureScreenX11(const X11Display& display, const std::string& outputPath);

// Replaces this process with the selection interface beside this executable (or in the
// installed helper folder), with the same arguments. Returns only when that is impossible.
int runSelectionInterface(char** argv);

}  // namespace corvalin::tools
