// The X server as the screenshot tool needs it: screen pixels without the pointer, the
// monitors, the pointer position and the top-level windows in stacking order. Owns its
// connection; the xcb types stay in the implementation.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/pixel_rect.h"
#include "tools/pixels.h"
#include "tools/window_choice.h"

namespace corvalin::tools {

// Pixels taken from the screen at `area` (root coordinates); `storage` keeps them alive.
struct ScreenGrab {
  Rgb32View pixels;
  PixelRect area;
  std::shared_ptr<void> storage;
};

class X11Display {
 public:
  // Connects to the display named by $DISPLAY; none when no X server answers there.
  static std::unique_ptr<X11Display> connect();
  ~X11Display();
  X11Display(const X11Display&) = delete;
  X11Display& operator=(const X11Display&) = delete;

  PixelRect rootRect() const;
  // Active monitors in root coordinates (device pixels); the whole root when RandR is absent.
  std::vector<PixelRect> monitors() const;
  PixelPoint pointer() const;
  // The monitor containing the pointer, else the nearest; asks for both at once.
  PixelRect monitorUnderPointer() const;
  // Through shared memory when the server offers it, else through the connection. With
  // `opaque`, the unused byte of every pixel is set to 0xff, as QImage::Format_RGB32 wants
  // for drawing; encoding ignores it. On failure, none and a technical reason in `error`.
  std::optional<ScreenGrab> grab(const PixelRect& area, bool opaque, std::string* error) const;
  // From the window manager's stacking list, or without one from the root's mapped
  // children; bottom first.
  std::vector<TopLevelWindow> topLevelWindows() const;

  // What a window is called: its application's class (WM_CLASS) and its title
  // (_NET_WM_NAME, else WM_NAME), in UTF-8; empty where it has none.
  struct WindowNames {
    std::string application;
    std::string title;
  };
  WindowNames windowNames(std::uint32_t window) const;
  // Whether a compositing manager runs on the screen (it owns _NET_WM_CM_S<n>).
  bool compositing() const;
  // Waits until the server has handled every request sent on this connection so far.
  void sync() const;

 private:
  bool windowManagerMayRun(std::uint32_t checkAtom) const;

  struct Impl;
  explicit X11Display(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> d_;
};

}  // namespace corvalin::tools
