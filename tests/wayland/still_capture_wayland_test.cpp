// Still captures on a real Wayland desktop (sway, headless, with the desktop portal): the
// screenshot tool through the Screenshot portal, pixel for pixel, and what it says when no
// portal can answer. (Escape in the chooser: the X11 suites.)
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "wayland_fixtures.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

using testing::clienteWayland;
using testing::correr;
using testing::distintosEn;

TEST(WaylandStill, TheScreenAndAnAreaComeThroughThePortalPixelForPixel) {
  const auto cliente = clienteWayland({u"pattern"_s, u"7"_s});
  ASSERT_TRUE(cliente) << "the test client never drew";
  QTemporaryDir dir;
  const QString ruta = dir.filePath(u"screen.png"_s);
  // The compositor may show the client's first frame a refresh late: a few tries.
  int64_t malos = -1;
  for (int intento = 0; intento < 10 && malos != 0; ++intento) {
    const auto s = correr(QStringLiteral(SCREENSHOT_TOOL), {u"-x"_s, ruta});
    ASSERT_EQ(s.codigo, 0) << s.errores.toStdString();
    const QImage foto(ruta);
    ASSERT_EQ(foto.size(), QSize(1920, 1080));
    malos = distintosEn(foto, 7, {0, 0});
  }
  EXPECT_EQ(malos, 0);
  // The portal's own file is moved, not copied: nothing of the screen is left behind.
  EXPECT_FALSE(QFile::exists(u"/tmp/out.png"_s));

  // An area dragged out on the portal's picture. (The compositor draws the pointer into what it
  // shows: plugged in only now.)
  testing::PunteroVirtual puntero;
  QProcess herramienta;
  herramienta.start(QStringLiteral(SCREENSHOT_TOOL), {u"-x"_s, u"-i"_s, ruta});
  // Our chooser covers the screen with the portal's picture.
  ASSERT_TRUE(testing::esperarVentana(QRegularExpression(u"^corvalin-screenshot"_s)));
  ASSERT_TRUE(puntero.arrastrar({300, 200}, {800, 450}));
  ASSERT_TRUE(herramienta.waitForFinished(10000));
  EXPECT_EQ(herramienta.exitCode(), 0) << herramienta.readAllStandardError().toStdString();
  const QImage area(ruta);
  ASSERT_EQ(area.size(), QSize(500, 250));
  EXPECT_EQ(distintosEn(area, 7, {300, 200}), 0);
}

// The screenshot tool says it in both languages at once; corvalin-record in the user's.
TEST(WaylandStill, WithoutABusOrAPortalTheToolsSaySoAtOnce) {
  QTemporaryDir dir;
  const QString ruta = dir.filePath(u"screen.png"_s);
  QString vacio;
  const auto bus = testing::busVacio(&vacio);
  ASSERT_FALSE(vacio.isEmpty());
  QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
  entorno.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/bus"_s);
  testing::fallaDiciendo(QStringLiteral(SCREENSHOT_TOOL), {u"-x"_s, ruta}, entorno, ruta,
                         {u"No hay bus de sesión"_s, u"No D-Bus session bus"_s});
  entorno.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, vacio);
  testing::fallaDiciendo(QStringLiteral(SCREENSHOT_TOOL), {u"-x"_s, ruta}, entorno, ruta,
                         {u"Ningún portal de escritorio atiende capturas"_s,
                          u"No desktop portal answers screenshot requests"_s});
  testing::grabacionSinPantalla(entorno, dir.filePath(u"none.mp4"_s));
}

}  // namespace
}  // namespace corvalin
