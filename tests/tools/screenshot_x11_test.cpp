// corvalin-screenshot as the capture service runs it, against the test session's X server:
// known pictures are put on screen, the pointer and keys are driven with xdotool, and the
// saved files are compared pixel for pixel with what was shown.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <functional>
#include <memory>

#include "screen_fixtures.h"
#include "test_pattern.h"

namespace corvalin::tools {
namespace {

using testing::background;
using testing::click;
using testing::drag;
using testing::kScreen;
using testing::kShadowPixel;
using testing::moveTo;
using testing::plainWindow;
using testing::screenshotForPeople;
using testing::TestWindow;
using testing::VirtualMonitors;
using testing::xdotool;

constexpr int kTimeoutMs = 15000;

struct ToolRun {
  int exitCode = -1;
  QString errors;
};

// The channels of a dimmed pixel: black at 115/255 laid over the original.
bool looksDimmed(std::uint32_t shown, std::uint32_t original) {
  const auto near = [](int got, int want) { return std::abs(got - want) <= 2; };
  const double keep = 1.0 - 115.0 / 255.0;
  return near(qRed(shown), int(qRed(original) * keep + 0.5)) &&
         near(qGreen(shown), int(qGreen(original) * keep + 0.5)) &&
         near(qBlue(shown), int(qBlue(original) * keep + 0.5));
}

class ScreenshotToolX11 : public testing::X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    ASSERT_TRUE(dir_.isValid());
    output_ = dir_.filePath(QStringLiteral("shot.png"));
  }

  void show(std::vector<TestWindow::Look> looks) { windows_.show(std::move(looks)); }
  std::uint32_t screenPixel(QPoint p) const { return windows_.pixel(p); }
  // Compares a saved picture with the screen's pixels at `area`.
  void expectScreenPixels(const QImage& image, const QRect& area) const {
    ASSERT_FALSE(image.isNull()) << "no picture saved";
    ASSERT_EQ(image.width(), area.width());
    ASSERT_EQ(image.height(), area.height());
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int differences = 0;
    for (int y = 0; y < area.height(); ++y) {
      for (int x = 0; x < area.width(); ++x) {
        const std::uint32_t want = screenPixel(area.topLeft() + QPoint(x, y)) & 0xffffffu;
        const std::uint32_t got = rgb.pixel(x, y) & 0xffffffu;
        if (want != got && differences++ == 0)
          ADD_FAILURE() << "first difference at " << area.x() + x << "," << area.y() + y << std::hex
                        << ": expected " << want << ", saved " << got;
      }
    }
    EXPECT_EQ(differences, 0);
  }

  // The overlay is ready when it holds both grabs.
  bool waitForOverlay() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kTimeoutMs && tool_.state() == QProcess::Running) {
      if (testing::grabbedByOthers(connection_, root_, true)) return true;
      QThread::msleep(20);
    }
    return false;
  }
  // Runs the tool until it ends; with `gesture`, on the overlay once it is up.
  ToolRun run(QStringList args, const std::function<void()>& gesture = {},
              const QProcessEnvironment& extra = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("XDG_SESSION_TYPE"));
    for (const QString& key : extra.keys()) env.insert(key, extra.value(key));
    tool_.setProcessEnvironment(env);
    tool_.start(QStringLiteral(SCREENSHOT_TOOL), args << output_);
    if (!tool_.waitForStarted(kTimeoutMs)) ADD_FAILURE() << "corvalin-screenshot did not start";
    if (gesture) {
      if (!waitForOverlay()) ADD_FAILURE() << "no overlay";
      gesture();
    }
    if (!tool_.waitForFinished(kTimeoutMs)) {
      tool_.kill();
      tool_.waitForFinished();
      ADD_FAILURE() << "corvalin-screenshot did not end";
      return {};
    }
    return {tool_.exitStatus() == QProcess::NormalExit ? tool_.exitCode() : -1,
            QString::fromUtf8(tool_.readAllStandardError())};
  }
  // Runs the tool and compares what it saved with the screen at `area`.
  void expectSaved(QStringList args, const QRect& area, const std::function<void()>& gesture = {},
                   const QProcessEnvironment& extra = {}) {
    QFile::remove(output_);
    const ToolRun r = run(std::move(args), gesture, extra);
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    expectScreenPixels(saved(), area);
  }
  // Runs the tool and checks that it ended well without a file.
  void expectNothingSaved(QStringList args, const std::function<void()>& gesture) {
    const ToolRun r = run(args, gesture);
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_TRUE(nothingSaved()) << args.join(' ').toStdString();
  }

  // The screen once the overlay has painted, showing `clear` as it is and `dimmed` dimmed:
  // before that it shows the picture as is.
  QImage overlayShot(const char* name, QPoint clear, QPoint dimmed) const {
    return screenshotForPeople(QString::fromLatin1(name), [&](const QImage& shown) {
      return (shown.pixel(clear) & 0xffffffu) == (screenPixel(clear) & 0xffffffu) &&
             looksDimmed(shown.pixel(dimmed), screenPixel(dimmed));
    });
  }
  QImage saved() const { return QImage(output_); }
  bool nothingSaved() const {
    return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty();
  }

  QTemporaryDir dir_;
  QString output_;
  QProcess tool_;
};

const QStringList kFull{QStringLiteral("-x")};
const QStringList kArea{QStringLiteral("-x"), QStringLiteral("-i")};
const QStringList kWindow{QStringLiteral("-x"), QStringLiteral("-i"), QStringLiteral("-W"),
                          QStringLiteral("-o")};

TEST_F(ScreenshotToolX11, EscapeTheRightButtonAClickOrALineCancelWithoutAFile) {
  show({background(31)});
  const auto escape = [] {
    moveTo({400, 400});
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
  };
  expectNothingSaved(kArea, escape);
  expectNothingSaved(kWindow, escape);
  expectNothingSaved(kArea, [] {
    moveTo({400, 400});
    xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
    moveTo({600, 600});
    xdotool({QStringLiteral("click"), QStringLiteral("3")});
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
  });
  expectNothingSaved(kArea, [] { drag({400, 400}, {400, 400}); });
  expectNothingSaved(kArea, [] { drag({400, 400}, {700, 400}); });
}

// No window manager runs here: the tool takes the root's own windows, skipping the
// override-redirect background, and leaves out what _GTK_FRAME_EXTENTS calls shadow.
TEST_F(ScreenshotToolX11, AClickedWindowIsSavedWithoutItsShadow) {
  show({background(51), plainWindow(QRect(420, 260, 640, 400), 52, {24, 24, 16, 32}),
        plainWindow(QRect(900, 500, 400, 300), 53)});
  // The picture as the screen showed it, the window above included where it overlaps.
  expectSaved(kWindow, QRect(444, 276, 592, 352), [&] {
    click({430, 270});  // on the shadow, where only the background shows: nothing to take
    QThread::msleep(300);
    ASSERT_EQ(tool_.state(), QProcess::Running);
    moveTo({600, 400});
    const QImage overlay = overlayShot("screenshot_window_overlay.png", {600, 400}, {200, 900});
    EXPECT_EQ(overlay.pixel(600, 400) & 0xffffffu, screenPixel({600, 400}) & 0xffffffu);
    EXPECT_TRUE(looksDimmed(overlay.pixel(200, 900), screenPixel({200, 900})));
    EXPECT_TRUE(looksDimmed(overlay.pixel(430, 270), kShadowPixel));
    click({600, 400});
  });
}

// With a window manager, its stacking list decides and its frame extents add the decoration
// around the client; here the test plays the window manager's part on the root window. A
// manager that has gone leaves its list and the name of its check window behind; the window
// is gone with it, so the list is not heeded and the root's own windows count again.
TEST_F(ScreenshotToolX11, TheWindowManagersListAndFrameExtentsDecideWhileItRuns) {
  show({background(61), plainWindow(QRect(300, 300, 500, 400), 62),
        plainWindow(QRect(1000, 200, 500, 400), 63)});
  const auto intern = [&](const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> r(
        xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, strlen(name), name),
                              nullptr),
        &std::free);
    return r->atom;
  };
  const xcb_atom_t stacking = intern("_NET_CLIENT_LIST_STACKING");
  const xcb_atom_t check = intern("_NET_SUPPORTING_WM_CHECK");
  const auto set = [&](xcb_window_t w, xcb_atom_t atom, xcb_atom_t type,
                       std::vector<std::uint32_t> v) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, w, atom, type, 32, v.size(), v.data());
    xcb_flush(connection_);
  };
  struct Restore {
    xcb_connection_t* c;
    xcb_window_t root;
    std::vector<xcb_atom_t> atoms;
    ~Restore() {
      for (xcb_atom_t a : atoms) xcb_delete_property(c, root, a);
      xcb_flush(c);
    }
  } restore{connection_, root_, {stacking, check}};
  // Only the first window is listed, so the second cannot be taken.
  set(root_, stacking, XCB_ATOM_WINDOW, {windows_[1].id()});
  set(windows_[1].id(), intern("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, {5, 6, 30, 4});
  expectSaved(kWindow, QRect(295, 270, 511, 434), [&] {
    click({1200, 400});  // the unlisted window
    QThread::msleep(300);
    ASSERT_EQ(tool_.state(), QProcess::Running);
    click({310, 280});  // on the title bar the frame extents describe
  });

  set(root_, check, XCB_ATOM_WINDOW, {xcb_generate_id(connection_)});  // never made
  expectSaved(kWindow, QRect(1000, 200, 500, 400), [] { click({1200, 400}); });
}

// Qt would draw the overlay in logical pixels on a scaled monitor, the way the desktop's
// environment asks; the saved pixels must still be exactly the ones dragged over.
TEST_F(ScreenshotToolX11, MixedScaleMonitorsSelectAndSaveDevicePixels) {
  const VirtualMonitors monitors(connection_, root_, testing::leftAndRightMonitors());
  ASSERT_TRUE(monitors.ok());
  show({background(71)});
  QProcessEnvironment scaled;
  scaled.insert(QStringLiteral("QT_ENABLE_HIGHDPI_SCALING"), QStringLiteral("1"));
  scaled.insert(QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("1;2"));
  scaled.insert(QStringLiteral("QT_USE_PHYSICAL_DPI"), QStringLiteral("1"));
  scaled.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1.25"));

  QImage overlay;
  expectSaved(
      kArea, QRect(1100, 150, 600, 750),
      [&] {
        drag({1100, 150}, {1700, 900}, [&] {
          overlay = overlayShot("screenshot_mixed_scale_overlay.png", {1400, 500}, {500, 500});
        });
      },
      scaled);
  ASSERT_EQ(overlay.width(), kScreen.width());
  EXPECT_EQ(overlay.pixel(1400, 500) & 0xffffffu, screenPixel({1400, 500}) & 0xffffffu);
  EXPECT_EQ(overlay.pixel(1101, 151) & 0xffffffu, screenPixel({1101, 151}) & 0xffffffu);
  EXPECT_TRUE(looksDimmed(overlay.pixel(1800, 1000), screenPixel({1800, 1000})));
  EXPECT_TRUE(looksDimmed(overlay.pixel(500, 500), screenPixel({500, 500})));

  // Across both monitors, dragged up and to the left.
  expectSaved(
      kArea, QRect(800, 100, 500, 300),
      [] {
        drag({1300, 400}, {800, 100});
      },
      scaled);
  // The whole-screen capture takes the monitor under the pointer only, without the pointer,
  // and the file ends with its last chunk.
  moveTo({1500, 500});
  expectSaved(kFull, QRect(1000, 0, 920, 1080), {}, scaled);
  QFile file(output_);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().endsWith(QByteArray::fromHex("0000000049454e44ae426082")));
}

TEST_F(ScreenshotToolX11, CommandLineAndDisplayFailuresSayWhyInBothLanguages) {
  QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
  base.remove(QStringLiteral("XDG_SESSION_TYPE"));
  base.remove(QStringLiteral("WAYLAND_DISPLAY"));
  QProcessEnvironment none = base, unreachable = base, wayland = base;
  none.remove(QStringLiteral("DISPLAY"));
  unreachable.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4242"));
  // A Wayland session whose bus has no desktop portal: a clear answer, soon.
  wayland.remove(QStringLiteral("DISPLAY"));
  wayland.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("corvalin-test-none"));
  // The selection interface is a second executable; without it, the tool says so.
  QTemporaryDir alone;
  const QString lonely = alone.filePath(QStringLiteral("corvalin-screenshot"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(SCREENSHOT_TOOL), lonely));
  const struct {
    QString tool;
    QStringList args;
    QProcessEnvironment env;
    int code;
    const char *spanish, *english;
  } cases[] = {
      {SCREENSHOT_TOOL, {"-x", "-q", output_}, base, 2, "Uso:", "Usage:"},
      {SCREENSHOT_TOOL, {"-x", output_}, none, 1, "No hay pantalla", "No display"},
      {SCREENSHOT_TOOL,
       {"-x", "-i", output_},
       unreachable,
       1,
       "No se pudo abrir la pantalla X11",
       "Could not open the X11 display"},
      {lonely,
       {"-x", "-i", output_},
       base,
       1,
       "No se pudo iniciar corvalin-screenshot-ui",
       "Could not start corvalin-screenshot-ui"},
      {SCREENSHOT_TOOL, {"-x", "-i", output_}, wayland, 1, "Ningún portal", "No desktop portal"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.english);
    QProcess p;
    p.setProcessEnvironment(c.env);
    QElapsedTimer clock;
    clock.start();
    p.start(c.tool, c.args);
    ASSERT_TRUE(p.waitForFinished(kTimeoutMs));
    EXPECT_LT(clock.elapsed(), 11000);
    EXPECT_EQ(p.exitCode(), c.code);
    const QStringList lines = QString::fromUtf8(p.readAllStandardError()).trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].contains(QString::fromUtf8(c.spanish))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QString::fromUtf8(c.english))) << lines[1].toStdString();
  }
  EXPECT_TRUE(nothingSaved());
}

}  // namespace
}  // namespace corvalin::tools
