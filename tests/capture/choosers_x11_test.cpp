// The choosers as the shell runs them, against the test session's X server: a driver process
// shows one, xdotool moves the pointer and presses keys as a user would, and what it reports
// is compared with what was on screen. Pictures of each overlay, in both languages, go to
// build/artifacts for a person to look at.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstring>

#include "tools/screen_fixtures.h"

namespace corvalin {
namespace {

using namespace tools::testing;

constexpr int kTimeoutMs = 15000;

// Whether `done` came true within the time allowed.
bool until(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < kTimeoutMs) QThread::msleep(20);
  return clock.elapsed() < kTimeoutMs;
}

QProcessEnvironment mixedScale() {
  QProcessEnvironment env;
  env.insert(QStringLiteral("QT_ENABLE_HIGHDPI_SCALING"), QStringLiteral("1"));
  env.insert(QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("1;2"));
  return env;
}

class ChoosersX11 : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    screen_ = QGuiApplication::primaryScreen()->name();
  }

  static QString area(QRect r, const QString& screen) {
    return QString::asprintf("area %d %d %d %d ", r.x(), r.y(), r.width(), r.height()) + screen;
  }
  static QString window(std::uint32_t id, QRect r, const QString& screen) {
    return QStringLiteral("window %1 ").arg(id) + area(r, screen).mid(5);
  }

  // What a chooser started with `args` in its own process, as the shell runs it, reports on its
  // standard output after `gesture`.
  QString report(const QStringList& args, const std::function<void()>& gesture,
                 const QProcessEnvironment& extra = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const QString& k : extra.keys()) env.insert(k, extra.value(k));
    QProcess driver;  // killed on the way out if it still runs
    driver.setProcessEnvironment(env);
    driver.start(QStringLiteral(CHOOSER_DRIVER), args);
    // It says "ready" in one write, and its layers hold the keyboard.
    if (!driver.waitForReadyRead(kTimeoutMs) || driver.readLine().trimmed() != "ready" ||
        !until([&] { return grabbedByOthers(connection_, root_, false); }))
      return QStringLiteral("not ready: ") + QString::fromUtf8(driver.readAllStandardError());
    gesture();
    EXPECT_TRUE(driver.waitForFinished(kTimeoutMs)) << "the chooser did not end";
    return QString::fromUtf8(driver.readAllStandardOutput()).trimmed();
  }
  QString areaDragged(QPoint from, QPoint to, const QProcessEnvironment& env = {}) {
    return report(
        {QStringLiteral("area")}, [=] { drag(from, to); }, env);
  }

  QString screen_;
};

TEST_F(ChoosersX11, EscapeRightClickAClickAndANarrowDragCancel) {
  windows_.show({background(21)});
  const QStringList args{QStringLiteral("area")};
  EXPECT_EQ(report(args, [] { key(QStringLiteral("Escape")); }), QStringLiteral("cancel"));
  EXPECT_EQ(report(args, [] { click({700, 500}, 3); }), QStringLiteral("cancel"));
  EXPECT_EQ(areaDragged({700, 500}, {723, 700}), QStringLiteral("cancel"));  // 23 wide
}

// A second request while the chooser runs is ignored: the driver would report it.
TEST_F(ChoosersX11, OnMonitorsOfDifferentScalesTheAreaIsInDesktopCoordinates) {
  const VirtualMonitors monitors(connection_, root_, leftAndRightMonitors());
  ASSERT_TRUE(monitors.ok());
  windows_.show({background(41)});
  // The right monitor shows two device pixels per logical one: device (1200, 300) is logical
  // (1000 + 200 / 2, 300 / 2). A second request while it runs is ignored (else: "second ...").
  // The still picture under the layer keeps every device pixel of the area; the rest is dimmed.
  const auto same = [this](const QImage& s, QPoint p) {
    return (s.pixel(p) & 0xffffffu) == (windows_.pixel(p) & 0xffffffu);
  };
  QImage shown;
  EXPECT_EQ(report(
                {"area", "--scale", "2", "--twice"},
                [&] {
                  drag({1200, 300}, {1600, 700}, [&] {
                    shown = screenshotForPeople(QStringLiteral("chooser_area_mixed_scale.png"),
                                                [&](const QImage& s) {
                                                  return same(s, {1400, 500});
                                                });
                  });
                },
                mixedScale()),
            area(QRect(1100, 150, 200, 200), QStringLiteral("CORVALIN-RIGHT")));
  ASSERT_FALSE(shown.isNull());
  for (const QPoint p : {QPoint(1400, 500), QPoint(1210, 320), QPoint(1590, 690)})
    EXPECT_TRUE(same(shown, p)) << p.x() << "," << p.y();
  EXPECT_LE(qGray(shown.pixel(500, 500)), qGray(windows_.pixel({500, 500})) * 0.65 + 1);
  // A drag carried onto the other monitor stays on the one it began on.
  EXPECT_EQ(areaDragged({800, 100}, {1300, 400}, mixedScale()),
            area(QRect(800, 100, 200, 300), QStringLiteral("CORVALIN-LEFT")));
}

// A reparenting window manager for one test: it frames the windows and publishes its stacking
// list and the frames' extents. Gone afterwards, with what it left on the root, which would pass
// for a manager to the suites after this one.
class WindowManager {
 public:
  WindowManager(xcb_connection_t* c, xcb_window_t root) : c_(c), root_(root), before_(atoms()) {
    process_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    ready_ = until(
        [&] { return !property(root_, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).empty(); });
  }
  ~WindowManager() {
    process_.terminate();
    if (!process_.waitForFinished(kTimeoutMs)) process_.kill();
    process_.waitForFinished();
    for (const xcb_atom_t a : atoms())
      if (std::find(before_.begin(), before_.end(), a) == before_.end())
        xcb_delete_property(c_, root_, a);
    xcb_flush(c_);
  }
  bool ready() const { return ready_; }
  // Listed, and its frame's extents known.
  bool manages(xcb_window_t w) const {
    return until([&] {
      const auto list = property(root_, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
      return std::find(list.begin(), list.end(), w) != list.end() &&
             property(w, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL).size() == 4;
    });
  }
  // What the user sees of a managed window: its inside grown by the frame.
  QRect framed(xcb_window_t w) const {
    auto* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
    auto* o =
        xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, w, root_, 0, 0), nullptr);
    const auto e = property(w, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);  // l, r, t, b
    const QRect r(o->dst_x - int(e[0]), o->dst_y - int(e[2]), g->width + e[0] + e[1],
                  g->height + e[2] + e[3]);
    std::free(g);
    std::free(o);
    return r;
  }

 private:
  std::vector<std::uint32_t> property(xcb_window_t w, const char* name, xcb_atom_t type) const {
    auto* r = xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, atom(c_, name), type, 0, 1024),
                                     nullptr);
    std::vector<std::uint32_t> v;
    if (r && r->format == 32) {
      const auto* p = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
      v.assign(p, p + xcb_get_property_value_length(r) / 4);
    }
    std::free(r);
    return v;
  }
  std::vector<xcb_atom_t> atoms() const {
    auto* r = xcb_list_properties_reply(c_, xcb_list_properties(c_, root_), nullptr);
    std::vector<xcb_atom_t> v;
    if (r) v.assign(xcb_list_properties_atoms(r), xcb_list_properties_atoms(r) + r->atoms_len);
    std::free(r);
    return v;
  }

  xcb_connection_t* c_;
  xcb_window_t root_;
  std::vector<xcb_atom_t> before_;
  QProcess process_;
  bool ready_ = false;
};

// Its stacking list decides which window is on top, and the frame it draws is part of the
// window: a click on the title bar chooses the client inside, framed.
TEST_F(ChoosersX11, UnderAWindowManagerItsStackingAndFramesDecide) {
  WindowManager wm(connection_, root_);
  ASSERT_TRUE(wm.ready()) << "openbox did not start";
  windows_.show(
      {plainWindow(QRect(200, 150, 600, 400), 101), plainWindow(QRect(500, 350, 600, 400), 102)});
  const std::uint32_t a = windows_[0].id(), b = windows_[1].id();
  ASSERT_TRUE(wm.manages(a) && wm.manages(b));
  const auto raise = [](std::uint32_t w, int x, int y) {
    xdotool({"windowmove", QString::number(w), QString::number(x), QString::number(y)});
    xdotool({"windowactivate", "--sync", QString::number(w)});
    QThread::msleep(200);
  };
  raise(a, 200, 150);
  raise(b, 500, 350);
  const QRect frameA = wm.framed(a), frameB = wm.framed(b);
  ASSERT_TRUE(frameA.intersects(frameB));
  const QPoint overlap = frameA.intersected(frameB).center();
  const QPoint title(frameB.center().x(), frameB.top() + 3);
  EXPECT_EQ(report({"window"}, [&] { click(title); }), window(b, frameB, screen_));
  raise(a, 200, 150);
  EXPECT_EQ(report({"window"}, [&] { click(overlap); }), window(a, wm.framed(a), screen_));
}

// `corvalin --action pickColorAction` as the tray application runs it, over a monitor of scale 2:
// keys move the pointer a device pixel at a time, and that pixel's hex goes on the clipboard.
TEST_F(ChoosersX11, TheShellPutsTheExactDevicePixelsHexOnTheClipboardOnAScaledMonitor) {
  const VirtualMonitors monitors(connection_, root_, leftAndRightMonitors());
  ASSERT_TRUE(monitors.ok());
  windows_.show({background(71)});
  QTemporaryDir home;
  moveTo({1500, 500});
  QProcessEnvironment env = corvalinEnvironment(home.path());
  env.insert(mixedScale());
  QProcess app;
  app.setProcessEnvironment(env);
  app.start(QStringLiteral(CORVALIN), {"--action", "pickColorAction"});
  ASSERT_TRUE(until([&] { return grabbedByOthers(connection_, root_, false); }))
      << "no colour picker came up";
  for (const char* k : {"Right", "Down", "Down"}) key(QString::fromLatin1(k));
  screenshotForPeople(QStringLiteral("chooser_color_scaled.png"), [](const QImage& s) {
    return qGray(s.pixel(1560, 560)) < 40;  // the loupe
  });
  key(QStringLiteral("Return"));
  QString clipboard;
  until([&] {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"});
    xclip.waitForFinished(kTimeoutMs);
    clipboard = QString::fromUtf8(xclip.readAllStandardOutput());
    return clipboard.startsWith(QLatin1Char('#'));
  });
  // The test pattern's colour there differs from every neighbour's.
  EXPECT_EQ(clipboard, QStringLiteral("#%1")
                           .arg(windows_.pixel({1501, 502}) & 0xffffffu, 6, 16, QLatin1Char('0'))
                           .toUpper());
  EXPECT_FALSE(app.waitForFinished(100));  // the tray application stays
  app.terminate();
  app.waitForFinished(kTimeoutMs);
}

}  // namespace
}  // namespace corvalin
