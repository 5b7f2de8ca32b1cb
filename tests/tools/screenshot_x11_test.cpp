// corvalin-screenshot as the capture service runs it, against the test session's X server:
// known pictures are put on screen, the pointer and keys are driven with xdotool, and the
// saved files are compared pixel for pixel with what was shown.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "screen_fixtures.h"

namespace corvalin::tools {
namespace {

using namespace testing;

constexpr int kTimeoutMs = 15000;

class ScreenshotToolX11 : public testing::X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    ASSERT_TRUE(dir_.isValid());
    output_ = dir_.filePath(QStringLiteral("shot.png"));
    env_.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env_.remove(QStringLiteral("XDG_SESSION_TYPE"));
  }

  // Runs the tool until it ends, with `gesture` on the overlay once it is up: its exit code, and
  // in errors_ what it said.
  int run(QStringList args, const std::function<void()>& gesture = {}) {
    tool_.setProcessEnvironment(env_);
    tool_.start(QStringLiteral(SCREENSHOT_TOOL), args << output_);
    EXPECT_TRUE(tool_.waitForStarted(kTimeoutMs)) << "corvalin-screenshot did not start";
    if (gesture) {
      // The overlay is ready when it holds both grabs.
      QElapsedTimer clock;
      clock.start();
      while (tool_.state() == QProcess::Running && !grabbedByOthers(connection_, root_, true) &&
             clock.elapsed() < kTimeoutMs)
        QThread::msleep(20);
      gesture();
    }
    if (!tool_.waitForFinished(kTimeoutMs)) {
      tool_.kill();  // else every later run of this case finds it still running
      tool_.waitForFinished();
      ADD_FAILURE() << "corvalin-screenshot did not end";
    }
    errors_ = QString::fromUtf8(tool_.readAllStandardError());
    return tool_.exitStatus() == QProcess::NormalExit ? tool_.exitCode() : -1;
  }
  // Runs the tool and compares what it saved with the screen's pixels at `area`.
  void expectSaved(QStringList args, const QRect& area, const std::function<void()>& gesture = {}) {
    QFile::remove(output_);
    ASSERT_EQ(run(std::move(args), gesture), 0) << errors_.toStdString();
    const QImage saved = QImage(output_).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(saved.size(), area.size()) << "no picture saved, or the wrong size";
    for (int y = 0; y < area.height(); ++y)
      for (int x = 0; x < area.width(); ++x)
        ASSERT_EQ(saved.pixel(x, y) & 0xffffffu,
                  windows_.pixel(area.topLeft() + QPoint(x, y)) & 0xffffffu)
            << "at " << area.x() + x << "," << area.y() + y;
  }
  // Runs the tool and checks that it ended well without a file.
  void expectNothingSaved(QStringList args, const std::function<void()>& gesture) {
    EXPECT_EQ(run(args, gesture), 0) << errors_.toStdString();
    EXPECT_TRUE(nothingSaved()) << args.join(' ').toStdString();
  }

  bool nothingSaved() const {
    return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty();
  }

  QTemporaryDir dir_;
  QString output_, errors_;
  QProcess tool_;
  QProcessEnvironment env_ = QProcessEnvironment::systemEnvironment();  // the tool's, on X11
};

const QStringList kFull{"-x"}, kArea{"-x", "-i"}, kWindow{"-x", "-i", "-W", "-o"};

TEST_F(ScreenshotToolX11, EscapeTheRightButtonOrALineCancelWithoutAFile) {
  windows_.show({background(31)});
  expectNothingSaved(kWindow, [] { key(QStringLiteral("Escape")); });
  expectNothingSaved(kArea, [] { click({600, 600}, 3); });
  expectNothingSaved(kArea, [] { drag({400, 400}, {700, 400}); });
}

// No window manager runs here: the tool takes the root's own windows, skipping the
// override-redirect background, and leaves out what _GTK_FRAME_EXTENTS calls shadow. A manager
// that has gone left its stacking list (naming neither window) and the name of its check
// window, gone with it: the list is not heeded.
TEST_F(ScreenshotToolX11, AClickedWindowIsSavedWithoutItsShadow) {
  windows_.show({background(51), plainWindow(QRect(420, 260, 640, 400), 52, {24, 24, 16, 32}),
                 plainWindow(QRect(900, 500, 400, 300), 53)});
  std::vector<xcb_atom_t> left;
  for (const auto& [name, value] : {std::pair{"_NET_CLIENT_LIST_STACKING", windows_[0].id()},
                                    {"_NET_SUPPORTING_WM_CHECK", xcb_generate_id(connection_)}}) {
    left.push_back(atom(connection_, name));
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, left.back(), XCB_ATOM_WINDOW, 32,
                        1, &value);
  }
  xcb_flush(connection_);
  // The picture as the screen showed it, the window above included where it overlaps.
  expectSaved(kWindow, QRect(444, 276, 592, 352), [&] {
    click({430, 270});  // on the shadow, where only the background shows: nothing to take
    QThread::msleep(300);
    ASSERT_EQ(tool_.state(), QProcess::Running);
    click({600, 400});
  });
  for (const xcb_atom_t a : left) xcb_delete_property(connection_, root_, a);
  xcb_flush(connection_);
}

// Qt would draw the overlay in logical pixels on a scaled monitor, the way the desktop's
// environment asks; the saved pixels must still be exactly the ones dragged over.
TEST_F(ScreenshotToolX11, MixedScaleMonitorsSelectAndSaveDevicePixels) {
  const VirtualMonitors monitors(connection_, root_, testing::leftAndRightMonitors());
  ASSERT_TRUE(monitors.ok());
  windows_.show({background(71)});
  env_.insert(QStringLiteral("QT_ENABLE_HIGHDPI_SCALING"), QStringLiteral("1"));
  env_.insert(QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("1;2"));
  env_.insert(QStringLiteral("QT_USE_PHYSICAL_DPI"), QStringLiteral("1"));
  env_.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1.25"));

  expectSaved(kArea, QRect(1100, 150, 600, 750), [] { drag({1100, 150}, {1700, 900}); });
  // Across both monitors, dragged up and to the left.
  expectSaved(kArea, QRect(800, 100, 500, 300), [] { drag({1300, 400}, {800, 100}); });
  // The whole-screen capture takes the monitor under the pointer only, without the pointer.
  moveTo({1500, 500});
  expectSaved(kFull, QRect(1000, 0, 920, 1080));
}

TEST_F(ScreenshotToolX11, CommandLineAndDisplayFailuresSayWhyInBothLanguages) {
  QProcessEnvironment none = env_, unreachable = env_, wayland = env_;
  none.remove(QStringLiteral("DISPLAY"));
  unreachable.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4242"));
  // A Wayland session whose bus has no desktop portal: a clear answer, soon, though an X server
  // (Xwayland) is there too.
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
      {SCREENSHOT_TOOL, {"-x", "-q"}, env_, 2, "Uso:", "Usage:"},
      {SCREENSHOT_TOOL, {"-x"}, none, 1, "No hay pantalla", "No display"},
      {SCREENSHOT_TOOL, {"-x", "-i"}, unreachable, 1, "abrir la pantalla X11", "open the X11"},
      {lonely, {"-x", "-i"}, env_, 1, "iniciar corvalin-screenshot-ui", "start corvalin-"},
      {SCREENSHOT_TOOL, {"-x", "-i"}, wayland, 1, "Ningún portal", "No desktop portal"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.english);
    QProcess p;
    p.setProcessEnvironment(c.env);
    QElapsedTimer clock;
    clock.start();
    p.start(c.tool, c.args + QStringList{output_});
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
