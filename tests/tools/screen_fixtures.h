// What the X11 tests put on screen: windows showing the test pattern or a given picture
// (through the screenshot_test_window helper), and RandR monitors laid over the test server's
// one screen; and the pointer and keyboard driven as a user would.
#pragma once

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QTemporaryFile>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace corvalin::tools::testing {

inline const QRect kScreen(0, 0, 1920, 1080);

// A window shown by the helper program, gone when this goes.
class TestWindow {
 public:
  struct Look {
    QRect rect;
    std::uint32_t seed = 0;
    bool overrideRedirect = false;
    std::array<int, 4> shadow{};  // left, right, top, bottom
    QImage picture;               // instead of the pattern, Format_RGB32 of the rect's size
  };

  // Waits until the window is on screen; id() is 0 when it never got there.
  explicit TestWindow(Look look);
  ~TestWindow();

  std::uint32_t id() const { return id_; }
  const Look& look() const { return look_; }
  // The pixel this window shows at a root position inside it.
  std::uint32_t pixelAt(QPoint p) const { return shown_.pixel(p - look_.rect.topLeft()); }

 private:
  Look look_;
  QImage shown_;
  QProcess process_;
  QTemporaryFile pictureFile_;
  std::uint32_t id_ = 0;
};

// Test windows shown bottom first, and what the screen shows through them.
class ShownWindows {
 public:
  // Fails the test when one does not appear.
  void show(std::vector<TestWindow::Look> looks);
  // The pixel on screen at a root position; fails the test where no window is.
  std::uint32_t pixel(QPoint p) const;
  const TestWindow& operator[](std::size_t i) const { return *windows_[i]; }
  // Closes the window at `i`: the helper exits, and its connection's windows go with it.
  void close(std::size_t i) { windows_[i].reset(); }
  void clear() { windows_.clear(); }

 private:
  std::vector<std::unique_ptr<TestWindow>> windows_;
};

// Covers the screen without a window manager's notice, as a desktop background would.
TestWindow::Look background(std::uint32_t seed, QImage picture = {});
// A top-level window like an application's; `shadow` is left, right, top, bottom.
TestWindow::Look plainWindow(QRect rect, std::uint32_t seed, std::array<int, 4> shadow = {});

// The environment for starting Corvalin itself on the test session's X server, with its
// settings, data and cache under `home` so that nothing of the user's is read or left.
QProcessEnvironment corvalinEnvironment(const QString& home);

// The pointer and the keyboard, driven through xdotool as a user would.
void xdotool(const QStringList& args);
void moveTo(QPoint p);
// Presses the left button at `from`, moves through the middle to `to`, runs `whileHeld` and
// lets go.
void drag(QPoint from, QPoint to, const std::function<void()>& whileHeld = {});
void click(QPoint at, int button = 1);
void key(const QString& name);
// What the user sees once the screen has caught up (`ready` holds for what it shows, or five
// seconds have passed), saved as build/artifacts/`name` for a person to look at.
QImage screenshotForPeople(const QString& name, const std::function<bool(const QImage&)>& ready);

// Monitors laid over the one X screen through RandR, removed again when this goes. The
// server forgets them with the session, but later suites in the same session must not see
// them.
class VirtualMonitors {
 public:
  struct Monitor {
    const char* name;
    QRect rect;
    QSize sizeMm;
  };
  VirtualMonitors(xcb_connection_t* c, xcb_window_t root, std::vector<Monitor> monitors);
  ~VirtualMonitors();
  bool ok() const { return ok_; }

 private:
  xcb_connection_t* c_;
  xcb_window_t root_;
  std::vector<xcb_atom_t> names_;
  bool ok_ = true;
};

// Two monitors over the screen: 1000 px on the left and 920 px on the right, the second with
// more than twice the pixel density.
std::vector<VirtualMonitors::Monitor> leftAndRightMonitors();

// Whether someone else (an overlay) holds the keyboard, and with `pointerToo` the pointer as
// well: ours are refused then.
bool grabbedByOthers(xcb_connection_t* c, xcb_window_t root, bool pointerToo);

// The server's atom for `name`, made if it has none yet.
xcb_atom_t atom(xcb_connection_t* c, const char* name);

// A test on the session's X server, with a connection and the windows it shows.
class X11Test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ShownWindows windows_;
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
};

}  // namespace corvalin::tools::testing
