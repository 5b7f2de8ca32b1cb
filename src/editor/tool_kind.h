// The editor's tools, by the integer raw value the settings store them under.
#pragma once

#include <optional>

namespace corvalin {

enum class ToolKind : int {
  select = 0,
  arrow = 1,
  rect = 2,
  ellipse = 3,
  pencil = 4,
  highlight = 5,
  text = 6,
  pixelate = 7,
  blur = 8,
  crop = 9,
  magnifier = 10,
  counter = 11,
  line = 12,
  repair = 13,
  clone = 14,
  warp = 15,
  tone = 16,
  sticker = 17,
  image = 18,
  despeckle = 19,
  sketchOval = 20,
  handText = 21,
  pinch = 22,
};

inline constexpr int kToolKindCount = 23;

inline std::optional<ToolKind> toolKindFromRaw(long long raw) {
  if (raw < 0 || raw >= kToolKindCount) return std::nullopt;
  return static_cast<ToolKind>(raw);
}

}  // namespace corvalin
