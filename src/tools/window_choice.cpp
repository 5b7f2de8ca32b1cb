#include "tools/window_choice.h"

namespace corvalin::tools {

PixelRect visibleRect(const TopLevelWindow& window) {
  const PixelRect& c = window.clientRect;
  const FrameMargins& d = window.decoration;
  const FrameMargins& s = window.shadow;
  const PixelRect r{c.x - d.left + s.left, c.y - d.top + s.top,
                    c.width + d.left + d.right - s.left - s.right,
                    c.height + d.top + d.bottom - s.top - s.bottom};
  return r.empty() ? PixelRect{} : r;
}

std::optional<std::size_t> windowAt(std::span<const TopLevelWindow> bottomToTop, PixelPoint point) {
  for (std::size_t i = bottomToTop.size(); i-- > 0;) {
    if (!visibleRect(bottomToTop[i]).contains(point)) continue;
    if (!bottomToTop[i].pickable) return std::nullopt;
    return i;
  }
  return std::nullopt;
}

}  // namespace corvalin::tools
