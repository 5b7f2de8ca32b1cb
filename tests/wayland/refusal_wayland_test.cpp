// A desktop whose portal refuses screenshots, screen sharing and global shortcuts (the user
// said no, or its policy forbids them): run in a Wayland session of its own, where the refusing
// stand-in backend answers instead of the wlroots one. Each refusal is said in both languages,
// at once, and leaves no file.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QTemporaryDir>
#include <QTest>

#include "core/settings.h"
#include "hotkeys/portal_hotkey_manager.h"
#include "wayland_fixtures.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

class WaylandRefusal : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!qEnvironmentVariable("CORVALIN_PORTALS_LEAVE_OUT").contains(QLatin1String("wlr")))
      GTEST_SKIP() << "only in the session with the refusing portal (ctest -R wayland.refusals)";
  }
  QTemporaryDir dir_;
};

TEST_F(WaylandRefusal, ARefusedScreenshotIsSaidForTheScreenAndForAnArea) {
  const QString ruta = dir_.filePath(u"shot.png"_s);
  for (const QStringList& args : {QStringList{u"-x"_s, ruta}, {u"-x"_s, u"-i"_s, ruta}}) {
    SCOPED_TRACE(args.join(u' ').toStdString());
    testing::fallaDiciendo(QStringLiteral(SCREENSHOT_TOOL), args,
                           QProcessEnvironment::systemEnvironment(), ruta,
                           {u"El portal de escritorio no pudo hacer la captura"_s,
                            u"The desktop portal could not take the screenshot"_s});
  }
}

TEST_F(WaylandRefusal, RefusedScreenSharingIsSaidAndNothingIsRecorded) {
  testing::grabacionSinPantalla(QProcessEnvironment::systemEnvironment(),
                                dir_.filePath(u"rec.mp4"_s));
}

// The user dismissed the desktop's dialog: the notice comes once and nothing registers after.
TEST_F(WaylandRefusal, DismissedGlobalShortcutsAreReportedOnceAndNothingMoreRegisters) {
  ASSERT_TRUE(PortalHotkeyManager::disponible(QDBusConnection::sessionBus()));
  int fallos = 0;
  PortalHotkeyManager atajos(QDBusConnection::sessionBus(), [&fallos] { ++fallos; });
  for (CaptureMode mode : kAllCaptureModes)
    EXPECT_TRUE(atajos.registrar(defaultHotkey(mode), hotkeyId(mode), [] {}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return fallos == 1; })) << fallos;
  EXPECT_FALSE(atajos.registrar(defaultHotkey(CaptureMode::area), 1, [] {}));
  QTest::qWait(300);
  EXPECT_EQ(fallos, 1);
}

}  // namespace
}  // namespace corvalin
