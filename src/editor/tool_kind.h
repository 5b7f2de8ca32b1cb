// The editor's tools, by the integer raw value the settings store them under, with the names,
// icons and groups the tool bar shows for them.
#pragma once

#include <QString>
#include <optional>
#include <vector>

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

// The tools that edit pixels instead of adding an annotation.
bool isPixelTool(ToolKind tool);

// Texts in the current interface language.
QString shortName(ToolKind tool);
QString label(ToolKind tool);  // the tooltip

// The symbol name of the tool's icon ("arrow.up.right"); see editor/tool_icons.h.
QString symbol(ToolKind tool);

// Every tool in raw order.
const std::vector<ToolKind>& allToolKinds();
// Every tool the user can pick: all but `image`, which only pasted pictures have.
const std::vector<ToolKind>& toolbarCases();

// One button of the tool bar.
struct Grupo {
  QString nombre;
  std::vector<ToolKind> herramientas;
};
// The nine groups, in tool-bar order; titles in the language of the first call.
const std::vector<Grupo>& grupos();
// Index of the first group holding `tool`; 0 when none does.
int grupo(ToolKind tool);

}  // namespace corvalin
