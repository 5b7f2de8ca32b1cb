#include "tools/screenshot_request.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace corvalin::tools {

std::optional<ScreenshotRequest> parseArguments(std::span<const std::string_view> args) {
  bool interactive = false;
  bool window = false;
  std::optional<std::string> path;
  for (const std::string_view arg : args) {
    if (arg == "-x" || arg == "-o") continue;
    if (arg == "-i") {
      interactive = true;
    } else if (arg == "-W") {
      window = true;
    } else if (arg.starts_with('-') || arg.empty() || path) {
      return std::nullopt;
    } else {
      path = std::string(arg);
    }
  }
  if (!path || (window && !interactive)) return std::nullopt;
  const CaptureKind kind =
      !interactive ? CaptureKind::screen : (window ? CaptureKind::window : CaptureKind::area);
  return ScreenshotRequest{kind, *path};
}

DisplayBackend chooseBackend(std::string_view waylandDisplay, std::string_view x11Display,
                             std::string_view sessionType) {
  if (!waylandDisplay.empty() || sessionType == "wayland") return DisplayBackend::portal;
  if (!x11Display.empty()) return DisplayBackend::x11;
  return DisplayBackend::none;
}

namespace {

std::string_view environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

DisplayBackend backendFromEnvironment() {
  return chooseBackend(environment("WAYLAND_DISPLAY"), environment("DISPLAY"),
                       environment("XDG_SESSION_TYPE"));
}

void printError(std::string_view spanish, std::string_view english) {
  std::fprintf(stderr, "corvalin-screenshot: %.*s\ncorvalin-screenshot: %.*s\n",
               static_cast<int>(spanish.size()), spanish.data(), static_cast<int>(english.size()),
               english.data());
}

void printUsage() {
  printError("Uso: corvalin-screenshot -x [-i [-W -o]] RUTA.png",
             "Usage: corvalin-screenshot -x [-i [-W -o]] PATH.png");
}

void printNoDisplay() {
  printError("No hay pantalla: ni DISPLAY ni WAYLAND_DISPLAY están definidas.",
             "No display: neither DISPLAY nor WAYLAND_DISPLAY is set.");
}

void printNoX11Display() {
  const std::string name(environment("DISPLAY"));
  printError("No se pudo abrir la pantalla X11 «" + name + "».",
             "Could not open the X11 display \"" + name + "\".");
}

}  // namespace corvalin::tools
