// A desktop whose portal refuses screenshots and screen sharing (the user said no, or its
// policy forbids them): run in a Wayland session of its own, where the refusing stand-in
// backend answers instead of the wlroots one. Each refusal is said in both languages, at once,
// and leaves no file.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "wayland_fixtures.h"

namespace corvalin {
namespace {

using testing::correr;

class WaylandRefusal : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!qEnvironmentVariable("CORVALIN_PORTALS_LEAVE_OUT").contains(QLatin1String("wlr")))
      GTEST_SKIP() << "only in the session with the refusing portal (ctest -R wayland.refusals)";
  }
  // Runs the screenshot tool in both languages: it says both lines at once, every time.
  void diceEnAmbos(const QStringList& args, const QString& archivo, const char* espanol,
                   const char* ingles) {
    for (const char* idioma : {"es_MX.UTF-8", "en_US.UTF-8"}) {
      SCOPED_TRACE(idioma);
      QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
      entorno.insert(QStringLiteral("LANG"), QString::fromUtf8(idioma));
      QElapsedTimer reloj;
      reloj.start();
      const auto s = correr(QStringLiteral(SCREENSHOT_TOOL), args, entorno);
      EXPECT_EQ(s.codigo, 1);
      EXPECT_LT(reloj.elapsed(), 10000);
      const QString dicho = QString::fromUtf8(s.errores);
      EXPECT_TRUE(dicho.contains(QString::fromUtf8(espanol))) << dicho.toStdString();
      EXPECT_TRUE(dicho.contains(QString::fromUtf8(ingles))) << dicho.toStdString();
      EXPECT_FALSE(QFile::exists(archivo));
    }
  }
  QTemporaryDir dir_;
};

TEST_F(WaylandRefusal, ARefusedScreenshotIsSaidForTheScreenAndForAnArea) {
  const QString ruta = dir_.filePath(QStringLiteral("shot.png"));
  for (const QStringList& args : {QStringList{QStringLiteral("-x"), ruta},
                                  QStringList{QStringLiteral("-x"), QStringLiteral("-i"), ruta}}) {
    SCOPED_TRACE(args.join(u' ').toStdString());
    diceEnAmbos(args, ruta, "El portal de escritorio no pudo hacer la captura",
                "The desktop portal could not take the screenshot");
  }
}

TEST_F(WaylandRefusal, RefusedScreenSharingIsSaidAndNothingIsRecorded) {
  testing::grabacionSinPantalla(QProcessEnvironment::systemEnvironment(),
                                dir_.filePath(QStringLiteral("rec.mp4")));
}

}  // namespace
}  // namespace corvalin
