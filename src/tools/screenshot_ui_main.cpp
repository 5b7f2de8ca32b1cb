// corvalin-screenshot-ui: the part of corvalin-screenshot that needs Qt, the interactive
// selection on X11 and the desktop portal elsewhere. Takes the same arguments; started by
// corvalin-screenshot in its place.
#include <string_view>
#include <vector>

#include "tools/interactive_capture.h"
#include "tools/portal_screenshot.h"
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
  switch (backendFromEnvironment()) {
    case DisplayBackend::none:
      printNoDisplay();
      return 1;
    case DisplayBackend::portal:
      return captureThroughPortal(request->kind, request->outputPath, argv[0]);
    case DisplayBackend::x11:
      break;
  }
  const std::unique_ptr<X11Display> display = X11Display::connect();
  if (!display) {
    printNoX11Display();
    return 1;
  }
  if (request->kind == CaptureKind::screen) return captureScreenX11(*display, request->outputPath);
  return captureInteractiveX11(*display, request->kind, request->outputPath, argv[0]);
}
