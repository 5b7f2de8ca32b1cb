// Where the tool's size label goes, and what it says. (Command lines, dragging, clicking
// windows, cancelling, the display path and the overlay's dimming run against the X server in
// screenshot_x11_test.cpp.)
#include <gtest/gtest.h>

#include "tools/selection_geometry.h"
#include "tools/window_choice.h"

namespace corvalin::tools {
namespace {

TEST(SelectionGeometry, TheSizeLabelGoesBelowElseAboveElseInsideAndStaysOnTheMonitor) {
  const QRect monitor(1920, 0, 1280, 800);
  const QSize label(90, 24);
  EXPECT_EQ(labelRect(QRect(2000, 100, 300, 200), label, monitor), QRect(2000, 306, 90, 24));
  EXPECT_EQ(labelRect(QRect(1920, 0, 1280, 800), label, monitor), QRect(1926, 770, 90, 24));
  // Pushed left at the right edge.
  EXPECT_EQ(labelRect(QRect(3180, 100, 20, 20), label, monitor).right(), 3200 - 6 - 1);
  // What it says: the size in pixels with a multiplication sign.
  EXPECT_EQ(sizeText({1280, 720}), QStringLiteral("1280 \u00d7 720"));
}

TEST(WindowChoice, TheTopmostPickableWindowWhoseVisiblePartHoldsThePoint) {
  const std::vector<TopLevelWindow> stack{
      {1, {0, 0, 1920, 1080}, {}, {}, false},                 // the desktop
      {2, {100, 100, 800, 600}, {}, {}, true},                // a plain window
      {3, {500, 300, 600, 400}, {}, {30, 30, 20, 40}, true},  // with a shadow, above it
      {4, {0, 1040, 1920, 40}, {}, {}, false},                // a dock
  };
  EXPECT_EQ(windowAt(stack, {600, 400}), 2u);
  EXPECT_EQ(windowAt(stack, {510, 310}), 1u);             // on window 3's shadow
  EXPECT_EQ(windowAt(stack, {1500, 100}), std::nullopt);  // only the desktop
  EXPECT_EQ(windowAt(stack, {600, 1050}), std::nullopt);  // a dock covers the point
}

}  // namespace
}  // namespace corvalin::tools
