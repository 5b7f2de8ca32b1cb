// The selection's state machine and what an overlay draws for it, without an X server. (How a
// click, a line, Escape or the right button cancel is checked on the X server itself, in
// screenshot_x11_test.cpp.)
#include <gtest/gtest.h>

#include <QPainter>
#include <QSignalSpy>

#include "tools/selection_overlay.h"
#include "tools/selection_session.h"

namespace corvalin::tools {
namespace {

using Kind = SelectionSession::Kind;
const QRect kRoot(0, 0, 3000, 1200);

std::optional<QRect> doneWith(const QSignalSpy& spy) {
  return spy.at(0).at(0).value<std::optional<QRect>>();
}

TEST(SelectionSession, ADragEndsWithTheDraggedRectangleOnce) {
  SelectionSession session(Kind::area, kRoot, {});
  QSignalSpy done(&session, &SelectionSession::done);
  session.pointerMoved({500, 400});
  EXPECT_FALSE(session.highlight());
  session.leftPressed({500, 400});
  session.pointerMoved({200, 700});
  EXPECT_EQ(session.highlight(), QRect(200, 400, 300, 300));
  session.leftReleased({180, 710});
  ASSERT_EQ(done.count(), 1);
  EXPECT_EQ(doneWith(done), QRect(180, 400, 320, 310));
  // Whatever comes after the end changes nothing.
  session.leftPressed({10, 10});
  session.leftReleased({900, 900});
  session.cancel();
  EXPECT_EQ(done.count(), 1);
}

TEST(SelectionSession, ADragBeyondThePictureIsCutToIt) {
  SelectionSession session(Kind::area, kRoot, {});
  QSignalSpy done(&session, &SelectionSession::done);
  session.leftPressed({2900, 1100});
  session.leftReleased({3400, 1500});
  ASSERT_EQ(done.count(), 1);
  EXPECT_EQ(doneWith(done), QRect(2900, 1100, 100, 100));
}

TEST(SelectionSession, ReportsWhatChangedSoOverlaysRepaintOnlyThat) {
  SelectionSession session(Kind::area, kRoot, {});
  QSignalSpy changed(&session, &SelectionSession::changed);
  session.pointerMoved({10, 10});
  session.leftPressed({10, 10});
  session.pointerMoved({50, 60});
  ASSERT_EQ(changed.count(), 2);  // the press at the same point changed nothing
  EXPECT_FALSE(changed.at(1).at(0).value<std::optional<QRect>>());
  EXPECT_EQ(changed.at(1).at(1).toPoint(), QPoint(10, 10));
  session.pointerMoved({50, 60});
  EXPECT_EQ(changed.count(), 2);
}

TEST(SelectionSession, WindowModeFollowsThePointerAndTakesTheWindowClicked) {
  const std::vector<TopLevelWindow> windows{
      {1, {0, 0, 3000, 1200}, {}, {}, false},
      {2, {100, 100, 800, 600}, {2, 2, 30, 2}, {}, true},
      {3, {2800, 900, 400, 400}, {}, {10, 10, 10, 10}, true},
  };
  SelectionSession session(Kind::window, kRoot, windows);
  QSignalSpy done(&session, &SelectionSession::done);
  session.pointerMoved({150, 80});  // on window 2's title bar
  EXPECT_EQ(session.highlight(), QRect(98, 70, 804, 632));
  session.pointerMoved({2000, 80});  // the desktop only
  EXPECT_FALSE(session.highlight());
  session.leftPressed({2000, 80});
  session.leftReleased({2000, 80});
  EXPECT_EQ(done.count(), 0);  // nothing to take: picking goes on
  session.pointerMoved({2900, 1000});
  session.leftPressed({2900, 1000});
  session.leftReleased({2900, 1000});
  ASSERT_EQ(done.count(), 1);
  EXPECT_EQ(doneWith(done), QRect(2810, 910, 190, 290));  // the part on the picture
}

// An overlay on the second of two monitors draws the picture one to one: the selection as it
// is, the rest darker, a white line around the selection.
TEST(SelectionOverlay, ShowsTheSelectionAsIsAndTheRestDimmed) {
  QImage frozen(2000, 600, QImage::Format_RGB32);
  for (int y = 0; y < frozen.height(); ++y)
    for (int x = 0; x < frozen.width(); ++x) frozen.setPixel(x, y, qRgb(x % 256, y % 256, 200));
  QImage dimmed = frozen.copy();
  QPainter(&dimmed).fillRect(dimmed.rect(), QColor(0, 0, 0, 115));
  const std::vector<PixelRect> monitors{{0, 0, 1000, 600}, {1000, 0, 1000, 600}};
  SelectionSession session(Kind::area, QRect(0, 0, 2000, 600), {});
  SelectionOverlay overlay(session, frozen, dimmed, monitors[1], monitors);
  session.leftPressed({1200, 100});
  session.pointerMoved({1500, 300});

  const QImage shown = overlay.grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), QSize(1000, 600));
  const auto local = [](int x, int y) { return QPoint(x - 1000, y); };
  EXPECT_EQ(shown.pixel(local(1250, 150)), frozen.pixel(1250, 150));
  EXPECT_EQ(shown.pixel(local(1201, 299)), frozen.pixel(1201, 299));
  EXPECT_EQ(shown.pixel(local(1800, 50)), dimmed.pixel(1800, 50));
  EXPECT_EQ(shown.pixel(local(1100, 500)), dimmed.pixel(1100, 500));
  EXPECT_EQ(shown.pixel(local(1250, 99)), qRgb(255, 255, 255));   // border above
  EXPECT_EQ(shown.pixel(local(1199, 200)), qRgb(255, 255, 255));  // border to the left
  EXPECT_LT(qGray(shown.pixel(local(1250, 98))), qGray(dimmed.pixel(1250, 98)));  // its shade
  // The crosshair crosses the monitor at the pointer, lighter than the dimmed picture.
  EXPECT_GT(qGray(shown.pixel(local(1900, 300))), qGray(dimmed.pixel(1900, 300)));
  EXPECT_GT(qGray(shown.pixel(local(1500, 550))), qGray(dimmed.pixel(1500, 550)));
}

}  // namespace
}  // namespace corvalin::tools
