// The tool's decisions that the X server cannot show: the command lines it refuses, the display
// path it takes, the monitor for points in a gap, where the size label goes, docks and desktops
// under the pointer and selections leaving the picture. (Dragging, clicking windows, cancelling
// and the overlay's dimming run against the X server in screenshot_x11_test.cpp.)
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <array>

#include "tools/pixel_rect.h"
#include "tools/screenshot_request.h"
#include "tools/selection_geometry.h"
#include "tools/selection_session.h"
#include "tools/window_choice.h"

namespace corvalin::tools {
namespace {

using Kind = SelectionSession::Kind;

TEST(ScreenshotArguments, RejectsWhatItCannotDo) {
  using Args = std::vector<std::string_view>;
  for (const Args& args :
       {Args{}, Args{"-x", "-i"}, Args{"-x", "a.png", "b.png"}, Args{"-x", "-W", "-o", "a.png"},
        Args{"-x", "-c", "a.png"}, Args{"-x", ""}})
    EXPECT_FALSE(parseArguments(args)) << args.size();
}

TEST(ScreenshotBackend, WaylandSessionsUseThePortalEvenWithAnXServer) {
  EXPECT_EQ(chooseBackend("wayland-0", ":0", "wayland"), DisplayBackend::portal);
  EXPECT_EQ(chooseBackend("", ":0", "wayland"), DisplayBackend::portal);
  EXPECT_EQ(chooseBackend("", ":1", ""), DisplayBackend::x11);
  EXPECT_EQ(chooseBackend("", "", "tty"), DisplayBackend::none);
}

TEST(ScreenGeometry, TheMonitorUnderAPointOrTheNearestOne) {
  // A 2560x1440 monitor and a 1920x1080 one to its right, top-aligned: below the second
  // there is a gap the root covers but no monitor shows.
  const std::array monitors{PixelRect{0, 0, 2560, 1440}, PixelRect{2560, 0, 1920, 1080}};
  EXPECT_EQ(monitorAt(monitors, {2559, 1439}), 0);
  EXPECT_EQ(monitorAt(monitors, {2560, 0}), 1);
  EXPECT_EQ(monitorAt(monitors, {4000, 1300}), 1);  // in the gap, nearer the second
  EXPECT_EQ(monitorAt(monitors, {2600, 1430}), 0);  // in the gap, nearer the first
  EXPECT_EQ(monitorAt(std::span<const PixelRect>{}, {0, 0}), -1);
}

TEST(SelectionGeometry, TheSizeLabelGoesBelowElseAboveElseInsideAndStaysOnTheMonitor) {
  const QRect monitor(1920, 0, 1280, 800);
  const QSize label(90, 24);
  EXPECT_EQ(labelRect(QRect(2000, 100, 300, 200), label, monitor), QRect(2000, 306, 90, 24));
  EXPECT_EQ(labelRect(QRect(2000, 500, 300, 290), label, monitor), QRect(2000, 470, 90, 24));
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

TEST(SelectionSession, ResultsAreCutToThePictureAndComeOnce) {
  const QRect root(0, 0, 3000, 1200);
  SelectionSession area(Kind::area, root, {});
  QSignalSpy areaDone(&area, &SelectionSession::done);
  area.leftPressed({2900, 1100});
  area.leftReleased({3400, 1500});
  ASSERT_EQ(areaDone.count(), 1);
  EXPECT_EQ(areaDone.at(0).at(0).value<std::optional<QRect>>(), QRect(2900, 1100, 100, 100));
  area.leftPressed({10, 10});  // whatever comes after the end changes nothing
  area.leftReleased({900, 900});
  area.cancel();
  EXPECT_EQ(areaDone.count(), 1);

  SelectionSession window(Kind::window, root,
                          {{1, {0, 0, 3000, 1200}, {}, {}, false},
                           {3, {2800, 900, 400, 400}, {}, {10, 10, 10, 10}, true}});
  QSignalSpy windowDone(&window, &SelectionSession::done);
  window.pointerMoved({2900, 1000});
  window.leftPressed({2900, 1000});
  window.leftReleased({2900, 1000});
  ASSERT_EQ(windowDone.count(), 1);
  EXPECT_EQ(windowDone.at(0).at(0).value<std::optional<QRect>>(), QRect(2810, 910, 190, 290));
}

}  // namespace
}  // namespace corvalin::tools
