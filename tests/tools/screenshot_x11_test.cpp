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
using testing::desktopPicture;
using testing::drag;
using testing::kScreen;
using testing::kShadowPixel;
using testing::moveTo;
using testing::plainWindow;
using testing::screenshotForPeople;
using testing::ShownWindows;
using testing::TestWindow;
using testing::VirtualMonitors;
using testing::xdotool;

constexpr int kTimeoutMs = 15000;

struct ToolRun {
  int exitCode = -1;
  QString errors;
};

class ScreenshotToolX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run inside scripts/test-session";
    connection_ = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(connection_), 0);
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    ASSERT_TRUE(dir_.isValid());
    output_ = dir_.filePath(QStringLiteral("shot.png"));
  }
  void TearDown() override {
    windows_.clear();
    if (connection_) xcb_disconnect(connection_);
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

  void startTool(QStringList args, const QProcessEnvironment& extra = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("XDG_SESSION_TYPE"));
    for (const QString& key : extra.keys()) env.insert(key, extra.value(key));
    tool_.setProcessEnvironment(env);
    tool_.start(QStringLiteral(SCREENSHOT_TOOL), args << output_);
    ASSERT_TRUE(tool_.waitForStarted(kTimeoutMs));
  }
  ToolRun finishTool() {
    ToolRun run;
    if (!tool_.waitForFinished(kTimeoutMs)) {
      tool_.kill();
      tool_.waitForFinished();
      ADD_FAILURE() << "corvalin-screenshot did not end";
      return run;
    }
    run.exitCode = tool_.exitStatus() == QProcess::NormalExit ? tool_.exitCode() : -1;
    run.errors = QString::fromUtf8(tool_.readAllStandardError());
    return run;
  }

  // The overlay is ready when it holds both grabs: ours are refused from then on.
  bool waitForOverlay() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kTimeoutMs && tool_.state() == QProcess::Running) {
      std::unique_ptr<xcb_grab_keyboard_reply_t, decltype(&std::free)> keys(
          xcb_grab_keyboard_reply(connection_,
                                  xcb_grab_keyboard(connection_, 0, root_, XCB_CURRENT_TIME,
                                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                  nullptr),
          &std::free);
      std::unique_ptr<xcb_grab_pointer_reply_t, decltype(&std::free)> pointer(
          xcb_grab_pointer_reply(
              connection_,
              xcb_grab_pointer(connection_, 0, root_, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                               XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
              nullptr),
          &std::free);
      xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
      xcb_ungrab_pointer(connection_, XCB_CURRENT_TIME);
      xcb_flush(connection_);
      if (keys && pointer && keys->status == XCB_GRAB_STATUS_ALREADY_GRABBED &&
          pointer->status == XCB_GRAB_STATUS_ALREADY_GRABBED)
        return true;
      QThread::msleep(20);
    }
    return false;
  }

  QImage saved() const { return QImage(output_); }
  bool nothingSaved() const {
    return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty();
  }

  ShownWindows windows_;
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
  QTemporaryDir dir_;
  QString output_;
  QProcess tool_;
};

// The channels of a dimmed pixel: black at 115/255 laid over the original.
bool looksDimmed(std::uint32_t shown, std::uint32_t original) {
  const auto near = [](int got, int want) { return std::abs(got - want) <= 2; };
  const double keep = 1.0 - 115.0 / 255.0;
  return near(qRed(shown), int(qRed(original) * keep + 0.5)) &&
         near(qGreen(shown), int(qGreen(original) * keep + 0.5)) &&
         near(qBlue(shown), int(qBlue(original) * keep + 0.5));
}

TEST_F(ScreenshotToolX11, FullScreenSavesTheScreenPixelForPixelWithoutThePointer) {
  show({background(11)});
  moveTo({700, 500});  // the pointer sits on the picture and must not be in the file
  startTool({QStringLiteral("-x")});
  const ToolRun run = finishTool();
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  expectScreenPixels(saved(), kScreen);
  QFile file(output_);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().endsWith(QByteArray::fromHex("0000000049454e44ae426082")));
}

TEST_F(ScreenshotToolX11, ADraggedAreaSavesExactlyThoseRectanglesPixels) {
  show({background(21, desktopPicture())});
  startTool({QStringLiteral("-x"), QStringLiteral("-i")});
  ASSERT_TRUE(waitForOverlay());
  QImage overlay;
  drag({310, 205}, {742, 519}, [&] {
    overlay =
        screenshotForPeople("screenshot_area_overlay.png", {500, 300}, screenPixel({500, 300}));
  });
  ToolRun run = finishTool();
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  expectScreenPixels(saved(), QRect(310, 205, 432, 314));

  // While dragging, the selection showed the frozen picture as is and the rest dimmed.
  ASSERT_EQ(overlay.width(), kScreen.width());
  EXPECT_EQ(overlay.pixel(500, 300) & 0xffffffu, screenPixel({500, 300}) & 0xffffffu);
  EXPECT_TRUE(looksDimmed(overlay.pixel(1500, 900), screenPixel({1500, 900})));
  EXPECT_TRUE(looksDimmed(overlay.pixel(100, 100), screenPixel({100, 100})));

  // Upwards and to the left selects the same way.
  QFile::remove(output_);
  startTool({QStringLiteral("-x"), QStringLiteral("-i")});
  ASSERT_TRUE(waitForOverlay());
  drag({1901, 1000}, {1640, 781});
  run = finishTool();
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  expectScreenPixels(saved(), QRect(1640, 781, 261, 219));
}

TEST_F(ScreenshotToolX11, EscapeOrTheRightButtonCancelWithoutAFile) {
  show({background(31)});
  for (const QStringList& mode : {QStringList{QStringLiteral("-x"), QStringLiteral("-i")},
                                  QStringList{QStringLiteral("-x"), QStringLiteral("-i"),
                                              QStringLiteral("-W"), QStringLiteral("-o")}}) {
    startTool(mode);
    ASSERT_TRUE(waitForOverlay());
    moveTo({400, 400});
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    const ToolRun run = finishTool();
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(nothingSaved()) << mode.join(' ').toStdString();
  }
  startTool({QStringLiteral("-x"), QStringLiteral("-i")});
  ASSERT_TRUE(waitForOverlay());
  moveTo({400, 400});
  xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
  moveTo({600, 600});
  xdotool({QStringLiteral("click"), QStringLiteral("3")});
  xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
  const ToolRun run = finishTool();
  EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
  EXPECT_TRUE(nothingSaved());
}

TEST_F(ScreenshotToolX11, AClickOrADragAlongALineSelectsNothingAndSavesNothing) {
  show({background(41)});
  for (const QPoint end : {QPoint(400, 400), QPoint(700, 400)}) {
    startTool({QStringLiteral("-x"), QStringLiteral("-i")});
    ASSERT_TRUE(waitForOverlay());
    drag({400, 400}, end);
    const ToolRun run = finishTool();
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(nothingSaved());
  }
}

// No window manager runs here: the tool takes the root's own windows, skipping the
// override-redirect background, and leaves out what _GTK_FRAME_EXTENTS calls shadow.
TEST_F(ScreenshotToolX11, AClickedWindowIsSavedWithoutItsShadow) {
  show({background(51), plainWindow(QRect(420, 260, 640, 400), 52, {24, 24, 16, 32}),
        plainWindow(QRect(900, 500, 400, 300), 53)});
  startTool(
      {QStringLiteral("-x"), QStringLiteral("-i"), QStringLiteral("-W"), QStringLiteral("-o")});
  ASSERT_TRUE(waitForOverlay());
  click({430, 270});  // on the shadow, where only the background shows: nothing to take
  QThread::msleep(300);
  ASSERT_EQ(tool_.state(), QProcess::Running);

  moveTo({600, 400});
  const QImage overlay =
      screenshotForPeople("screenshot_window_overlay.png", {600, 400}, screenPixel({600, 400}));
  EXPECT_EQ(overlay.pixel(600, 400) & 0xffffffu, screenPixel({600, 400}) & 0xffffffu);
  EXPECT_TRUE(looksDimmed(overlay.pixel(200, 900), screenPixel({200, 900})));
  EXPECT_TRUE(looksDimmed(overlay.pixel(430, 270), kShadowPixel));

  click({600, 400});
  const ToolRun run = finishTool();
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  // The picture as the screen showed it, the window above included where it overlaps.
  expectScreenPixels(saved(), QRect(444, 276, 592, 352));
}

// With a window manager, its stacking list decides and its frame extents add the decoration
// around the client; here the test plays the window manager's part on the root window.
TEST_F(ScreenshotToolX11, TheWindowManagersListAndFrameExtentsDecide) {
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
  const xcb_atom_t extents = intern("_NET_FRAME_EXTENTS");
  // Only the first window is listed, so the second cannot be taken.
  const std::uint32_t listed[] = {windows_[1].id()};
  const std::uint32_t frame[] = {5, 6, 30, 4};  // left, right, top, bottom
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, stacking, XCB_ATOM_WINDOW, 32, 1,
                      listed);
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, windows_[1].id(), extents,
                      XCB_ATOM_CARDINAL, 32, 4, frame);
  xcb_flush(connection_);
  struct Restore {
    xcb_connection_t* c;
    xcb_window_t root;
    xcb_atom_t atom;
    ~Restore() {
      xcb_delete_property(c, root, atom);
      xcb_flush(c);
    }
  } restore{connection_, root_, stacking};

  startTool(
      {QStringLiteral("-x"), QStringLiteral("-i"), QStringLiteral("-W"), QStringLiteral("-o")});
  ASSERT_TRUE(waitForOverlay());
  click({1200, 400});  // the unlisted window
  QThread::msleep(300);
  ASSERT_EQ(tool_.state(), QProcess::Running);
  click({310, 280});  // on the title bar the frame extents describe
  const ToolRun run = finishTool();
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  expectScreenPixels(saved(), QRect(295, 270, 511, 434));
}

// A window manager that has gone leaves its stacking list and the name of its check window on
// the root; the window is gone with it, so the list is not heeded and the root's own windows
// count again.
TEST_F(ScreenshotToolX11, AListLeftByAWindowManagerThatHasGoneIsNotHeeded) {
  show({background(65), plainWindow(QRect(300, 300, 500, 400), 66),
        plainWindow(QRect(1000, 200, 500, 400), 67)});
  const auto intern = [&](const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> r(
        xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, strlen(name), name),
                              nullptr),
        &std::free);
    return r->atom;
  };
  const xcb_atom_t stacking = intern("_NET_CLIENT_LIST_STACKING");
  const xcb_atom_t check = intern("_NET_SUPPORTING_WM_CHECK");
  const std::uint32_t listed[] = {windows_[1].id()};
  const std::uint32_t gone[] = {xcb_generate_id(connection_)};  // never made
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, stacking, XCB_ATOM_WINDOW, 32, 1,
                      listed);
  xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, check, XCB_ATOM_WINDOW, 32, 1,
                      gone);
  xcb_flush(connection_);
  struct Restore {
    xcb_connection_t* c;
    xcb_window_t root;
    std::vector<xcb_atom_t> atoms;
    ~Restore() {
      for (xcb_atom_t a : atoms) xcb_delete_property(c, root, a);
      xcb_flush(c);
    }
  } restore{connection_, root_, {stacking, check}};

  startTool(
      {QStringLiteral("-x"), QStringLiteral("-i"), QStringLiteral("-W"), QStringLiteral("-o")});
  ASSERT_TRUE(waitForOverlay());
  click({1200, 400});  // unlisted, yet a window of the root
  const ToolRun run = finishTool();
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  expectScreenPixels(saved(), QRect(1000, 200, 500, 400));
}

// Qt would draw the overlay in logical pixels on a scaled monitor, the way the desktop's
// environment asks; the saved pixels must still be exactly the ones dragged over.
TEST_F(ScreenshotToolX11, MixedScaleMonitorsSelectAndSaveDevicePixels) {
  const VirtualMonitors monitors(connection_, root_,
                                 {{"CORVALIN-LEFT", QRect(0, 0, 1000, 1080), QSize(264, 285)},
                                  {"CORVALIN-RIGHT", QRect(1000, 0, 920, 1080), QSize(122, 143)}});
  ASSERT_TRUE(monitors.ok());
  show({background(71)});
  QProcessEnvironment scaled;
  scaled.insert(QStringLiteral("QT_ENABLE_HIGHDPI_SCALING"), QStringLiteral("1"));
  scaled.insert(QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("1;2"));
  scaled.insert(QStringLiteral("QT_USE_PHYSICAL_DPI"), QStringLiteral("1"));
  scaled.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1.25"));

  startTool({QStringLiteral("-x"), QStringLiteral("-i")}, scaled);
  ASSERT_TRUE(waitForOverlay());
  QImage overlay;
  drag({1100, 150}, {1700, 900}, [&] {
    overlay = screenshotForPeople("screenshot_mixed_scale_overlay.png", {1400, 500},
                                  screenPixel({1400, 500}));
  });
  ToolRun run = finishTool();
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  expectScreenPixels(saved(), QRect(1100, 150, 600, 750));
  ASSERT_EQ(overlay.width(), kScreen.width());
  EXPECT_EQ(overlay.pixel(1400, 500) & 0xffffffu, screenPixel({1400, 500}) & 0xffffffu);
  EXPECT_EQ(overlay.pixel(1101, 151) & 0xffffffu, screenPixel({1101, 151}) & 0xffffffu);
  EXPECT_TRUE(looksDimmed(overlay.pixel(1800, 1000), screenPixel({1800, 1000})));
  EXPECT_TRUE(looksDimmed(overlay.pixel(500, 500), screenPixel({500, 500})));

  QFile::remove(output_);
  startTool({QStringLiteral("-x"), QStringLiteral("-i")}, scaled);
  ASSERT_TRUE(waitForOverlay());
  drag({800, 100}, {1300, 400});  // across both monitors
  run = finishTool();
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  expectScreenPixels(saved(), QRect(800, 100, 500, 300));

  // The whole-screen capture takes the monitor under the pointer only.
  QFile::remove(output_);
  moveTo({1500, 500});
  startTool({QStringLiteral("-x")}, scaled);
  run = finishTool();
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  expectScreenPixels(saved(), QRect(1000, 0, 920, 1080));
}

TEST_F(ScreenshotToolX11, CommandLineAndDisplayFailuresSayWhyInBothLanguages) {
  const auto runWith = [&](QStringList args, QProcessEnvironment env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SCREENSHOT_TOOL), args);
    EXPECT_TRUE(p.waitForFinished(kTimeoutMs));
    return std::pair{p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
  };
  const auto twoLines = [](const QString& text, const char* spanish, const char* english) {
    const QStringList lines = text.trimmed().split('\n');
    return lines.size() == 2 && lines[0].contains(QString::fromUtf8(spanish)) &&
           lines[1].contains(QString::fromUtf8(english));
  };
  QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
  base.remove(QStringLiteral("XDG_SESSION_TYPE"));
  base.remove(QStringLiteral("WAYLAND_DISPLAY"));

  auto [code, errors] = runWith({QStringLiteral("-x"), QStringLiteral("-q"), output_}, base);
  EXPECT_EQ(code, 2);
  EXPECT_TRUE(twoLines(errors, "Uso:", "Usage:")) << errors.toStdString();

  QProcessEnvironment none = base;
  none.remove(QStringLiteral("DISPLAY"));
  std::tie(code, errors) = runWith({QStringLiteral("-x"), output_}, none);
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(twoLines(errors, "No hay pantalla", "No display")) << errors.toStdString();

  QProcessEnvironment unreachable = base;
  unreachable.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4242"));
  std::tie(code, errors) =
      runWith({QStringLiteral("-x"), QStringLiteral("-i"), output_}, unreachable);
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(
      twoLines(errors, "No se pudo abrir la pantalla X11", "Could not open the X11 display"))
      << errors.toStdString();

  // The selection interface is a second executable; without it, the tool says so.
  QTemporaryDir alone;
  const QString lonely = alone.filePath(QStringLiteral("corvalin-screenshot"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(SCREENSHOT_TOOL), lonely));
  QProcess p;
  p.setProcessEnvironment(base);
  p.start(lonely, {QStringLiteral("-x"), QStringLiteral("-i"), output_});
  ASSERT_TRUE(p.waitForFinished(kTimeoutMs));
  EXPECT_EQ(p.exitCode(), 1);
  errors = QString::fromUtf8(p.readAllStandardError());
  EXPECT_TRUE(twoLines(errors, "No se pudo iniciar corvalin-screenshot-ui",
                       "Could not start corvalin-screenshot-ui"))
      << errors.toStdString();

  // A Wayland session whose bus has no desktop portal: a clear answer, soon.
  QProcessEnvironment wayland = none;
  wayland.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("corvalin-test-none"));
  QElapsedTimer clock;
  clock.start();
  std::tie(code, errors) = runWith({QStringLiteral("-x"), QStringLiteral("-i"), output_}, wayland);
  EXPECT_EQ(code, 1);
  EXPECT_LT(clock.elapsed(), 11000);
  EXPECT_TRUE(twoLines(errors, "Ningún portal", "No desktop portal")) << errors.toStdString();
  EXPECT_TRUE(nothingSaved());
}

}  // namespace
}  // namespace corvalin::tools
