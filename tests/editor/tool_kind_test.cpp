#include <gtest/gtest.h>

#include <set>

#include "core/settings.h"
#include "editor/symbol_drawing.h"
#include "editor/tool_kind.h"

namespace corvalin {
namespace {

// Each tool the user can pick sits in exactly one tool-bar group, has a drawn icon and a
// default letter; pasted pictures fall back to the first group.
TEST(ToolKind, EveryPickableToolHasOneGroupAnIconAndALetter) {
  std::multiset<ToolKind> grouped;
  for (const Grupo& g : grupos()) {
    EXPECT_FALSE(g.herramientas.empty());
    grouped.insert(g.herramientas.begin(), g.herramientas.end());
  }
  for (ToolKind t : toolbarCases()) {
    EXPECT_EQ(grouped.count(t), 1u) << static_cast<int>(t);
    EXPECT_TRUE(hasSymbolDrawing(symbol(t))) << symbol(t).toStdString();
    EXPECT_TRUE(Settings::defaultShortcuts().contains(QString::number(static_cast<int>(t))));
  }
  EXPECT_EQ(grouped.size(), toolbarCases().size());  // and no group holds a tool of its own
  EXPECT_EQ(grupo(ToolKind::image), 0);
}

}  // namespace
}  // namespace corvalin
