// Which top-level window a point falls on, and which of its pixels make up the window as the
// user sees it: its decoration included, a client-drawn shadow left out.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "tools/pixel_rect.h"

namespace corvalin::tools {

struct FrameMargins {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

struct TopLevelWindow {
  std::uint32_t id = 0;
  PixelRect clientRect;     // the window's inside, in root coordinates
  FrameMargins decoration;  // window manager frame and X border around clientRect
  FrameMargins shadow;      // transparent margin the client draws inside clientRect
  bool pickable = true;     // false for docks and the desktop
};

// The client rectangle grown by its decoration and shrunk by its shadow.
PixelRect visibleRect(const TopLevelWindow& window);

// The index of the window the user sees at `point`, from a list in stacking order (bottom
// first); none when nothing pickable is there, or when a dock covers the point.
std::optional<std::size_t> windowAt(std::span<const TopLevelWindow> bottomToTop, PixelPoint point);

}  // namespace corvalin::tools
