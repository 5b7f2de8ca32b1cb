// What the screenshot tool was asked to do, from its command line and environment, and how
// it tells the user when it cannot.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvalin::tools {

enum class CaptureKind { area, window, screen };

struct ScreenshotRequest {
  CaptureKind kind = CaptureKind::screen;
  std::string outputPath;
};

// Flags -x (silent; always true here), -i (interactive), -W (a window) and -o (without its
// shadow; always true here), then one output path. None when the arguments do not fit.
std::optional<ScreenshotRequest> parseArguments(std::span<const std::string_view> args);

enum class DisplayBackend { x11, portal, none };

// Wayland sessions go through the desktop portal even when an X server is reachable: an X11
// grab there would show only X11 windows.
DisplayBackend chooseBackend(std::string_view waylandDisplay, std::string_view x11Display,
                             std::string_view sessionType);
// From WAYLAND_DISPLAY, DISPLAY and XDG_SESSION_TYPE.
DisplayBackend backendFromEnvironment();

// One line in Spanish, then the same in English, on standard error.
void printError(std::string_view spanish, std::string_view english);
// The messages both executables share.
void printUsage();
void printNoDisplay();
void printNoX11Display();

}  // namespace corvalin::tools
