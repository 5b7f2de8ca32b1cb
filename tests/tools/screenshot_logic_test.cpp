// The tool's plain decisions: the command lines it refuses, which display path it takes, the
// geometry of the selection and which window a point falls on. (The forms the capture service
// uses, and dragging in either direction, run against the X server in screenshot_x11_test.cpp.)
#include <gtest/gtest.h>

#include <array>

#include "tools/pixel_rect.h"
#include "tools/screenshot_request.h"
#include "tools/selection_geometry.h"
#include "tools/window_choice.h"

namespace corvalin::tools {
namespace {

std::optional<ScreenshotRequest> parse(std::initializer_list<std::string_view> args) {
  const std::vector<std::string_view> list(args);
  return parseArguments(list);
}

TEST(ScreenshotArguments, RejectsWhatItCannotDo) {
  EXPECT_FALSE(parse({}));
  EXPECT_FALSE(parse({"-x", "-i"}));                 // no path
  EXPECT_FALSE(parse({"-x", "a.png", "b.png"}));     // two paths
  EXPECT_FALSE(parse({"-x", "-W", "-o", "a.png"}));  // a window needs the interactive mode
  EXPECT_FALSE(parse({"-x", "-c", "a.png"}));        // unknown flag
  EXPECT_FALSE(parse({"-x", ""}));
}

TEST(ScreenshotBackend, WaylandSessionsUseThePortalEvenWithAnXServer) {
  EXPECT_EQ(chooseBackend("wayland-0", ":0", "wayland"), DisplayBackend::portal);
  EXPECT_EQ(chooseBackend("", ":0", "wayland"), DisplayBackend::portal);
  EXPECT_EQ(chooseBackend("wayland-0", "", ""), DisplayBackend::portal);
  EXPECT_EQ(chooseBackend("", ":0", "x11"), DisplayBackend::x11);
  EXPECT_EQ(chooseBackend("", ":1", ""), DisplayBackend::x11);
  EXPECT_EQ(chooseBackend("", "", "tty"), DisplayBackend::none);
}

TEST(ScreenGeometry, TheMonitorUnderAPointOrTheNearestOne) {
  // A 2560x1440 monitor and a 1920x1080 one to its right, top-aligned: below the second
  // there is a gap the root covers but no monitor shows.
  const std::array monitors{PixelRect{0, 0, 2560, 1440}, PixelRect{2560, 0, 1920, 1080}};
  EXPECT_EQ(monitorAt(monitors, {10, 10}), 0);
  EXPECT_EQ(monitorAt(monitors, {2559, 1439}), 0);
  EXPECT_EQ(monitorAt(monitors, {2560, 0}), 1);
  EXPECT_EQ(monitorAt(monitors, {4000, 1079}), 1);
  EXPECT_EQ(monitorAt(monitors, {4000, 1300}), 1);  // in the gap, nearer the second
  EXPECT_EQ(monitorAt(monitors, {2600, 1430}), 0);  // in the gap, nearer the first
  EXPECT_EQ(monitorAt(std::span<const PixelRect>{}, {0, 0}), -1);
}

TEST(ScreenGeometry, RectanglesExcludeTheirFarEdges) {
  const PixelRect r{10, 20, 100, 50};
  EXPECT_TRUE(r.contains({10, 20}));
  EXPECT_TRUE(r.contains({109, 69}));
  EXPECT_FALSE(r.contains({110, 40}));
  EXPECT_FALSE(r.contains({50, 70}));
  EXPECT_EQ(r.intersected({100, 60, 50, 50}), (PixelRect{100, 60, 10, 10}));
  EXPECT_EQ(r.intersected({110, 20, 50, 50}), PixelRect{});
  EXPECT_FALSE((PixelRect{5, 5, 0, 10}).contains({5, 5}));
}

TEST(SelectionGeometry, TheSizeLabelGoesBelowElseAboveElseInsideAndStaysOnTheMonitor) {
  const QRect monitor(1920, 0, 1280, 800);
  const QSize label(90, 24);
  EXPECT_EQ(labelRect(QRect(2000, 100, 300, 200), label, monitor), QRect(2000, 306, 90, 24));
  EXPECT_EQ(labelRect(QRect(2000, 500, 300, 290), label, monitor), QRect(2000, 470, 90, 24));
  EXPECT_EQ(labelRect(QRect(1920, 0, 1280, 800), label, monitor), QRect(1926, 770, 90, 24));
  // Pushed left at the right edge, and right at the left edge.
  EXPECT_EQ(labelRect(QRect(3180, 100, 20, 20), label, monitor).right(), 3200 - 6 - 1);
  EXPECT_EQ(labelRect(QRect(1800, 100, 400, 20), label, monitor).left(), 1926);
}

TEST(SelectionGeometry, SizeText) {
  EXPECT_EQ(sizeText({1280, 720}), QStringLiteral("1280 \u00d7 720"));
}

TopLevelWindow window(std::uint32_t id, PixelRect client, FrameMargins decoration = {},
                      FrameMargins shadow = {}, bool pickable = true) {
  return TopLevelWindow{id, client, decoration, shadow, pickable};
}

TEST(WindowChoice, TheVisibleRectKeepsTheFrameAndDropsTheClientShadow) {
  EXPECT_EQ(visibleRect(window(1, {100, 100, 400, 300}, {2, 3, 30, 4})),
            (PixelRect{98, 70, 405, 334}));
  EXPECT_EQ(visibleRect(window(1, {100, 100, 400, 300}, {}, {20, 22, 14, 26})),
            (PixelRect{120, 114, 358, 260}));
  EXPECT_TRUE(visibleRect(window(1, {100, 100, 30, 30}, {}, {20, 20, 0, 0})).empty());
}

TEST(WindowChoice, TheTopmostWindowWhoseVisiblePartHoldsThePoint) {
  const std::vector<TopLevelWindow> stack{
      window(1, {0, 0, 1920, 1080}, {}, {}, false),           // the desktop
      window(2, {100, 100, 800, 600}),                        // a plain window
      window(3, {500, 300, 600, 400}, {}, {30, 30, 20, 40}),  // a window with a shadow above it
      window(4, {0, 1040, 1920, 40}, {}, {}, false),          // a dock
  };
  EXPECT_EQ(windowAt(stack, {600, 400}), 2u);  // inside window 3's visible part
  EXPECT_EQ(windowAt(stack, {510, 310}), 1u);  // on window 3's shadow: window 2 shows there
  EXPECT_EQ(windowAt(stack, {150, 150}), 1u);
  EXPECT_EQ(windowAt(stack, {1500, 100}), std::nullopt);  // only the desktop
  EXPECT_EQ(windowAt(stack, {600, 1050}), std::nullopt);  // a dock covers the point
  EXPECT_EQ(windowAt(std::span<const TopLevelWindow>{}, {1, 1}), std::nullopt);
}

}  // namespace
}  // namespace corvalin::tools
