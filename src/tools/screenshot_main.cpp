// corvalin-screenshot: takes one picture and writes it as a PNG file.
//   corvalin-screenshot -x -i PATH         an area the user drags out
//   corvalin-screenshot -x -i -W -o PATH   a window the user clicks, without its shadow
//   corvalin-screenshot -x PATH            the monitor under the pointer
// Exits 0 with the file written, or without one when the user cancelled. The whole-screen
// capture on X11 happens here without loading Qt; the rest is corvalin-screenshot-ui's.
#include <cstdlib>
#include <string_view>
#include <vector>

#include "tools/screen_capture.h"
#include "tools/screenshot_request.h"
#include "tools/x11_display.h"

int main(int argc, char** argv) {
  using namespace corvalin::tools;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const std::optional<ScreenshotRequest> request = parseArguments(args);
  if (!request) {
    printUsage();
    return 2;
  }
  const DisplayBackend backend = backendFromEnvironment();
  if (backend == DisplayBackend::none) {
    printNoDisplay();
    return 1;
  }
  if (backend == DisplayBackend::portal || request->kind != CaptureKind::screen)
    return runSelectionInterface(argv);
  const std::unique_ptr<X11Display> display = X11Display::connect();
  if (!display) {
    printNoX11Display();
    return 1;
  }
  return captureScreenX11(*display, request->outputPath);
}
