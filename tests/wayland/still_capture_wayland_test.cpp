// Still captures on a real Wayland desktop (sway, headless, with the desktop portal): the
// screenshot tool through the Screenshot portal, pixel for pixel, and what it says when no
// portal can answer.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "tools/test_pattern.h"
#include "wayland_fixtures.h"

namespace corvalin {
namespace {

using testing::BusVacio;
using testing::clienteWayland;
using testing::correr;
using testing::distintosEn;

TEST(WaylandStill, TheWholeScreenComesThroughThePortalPixelForPixel) {
  const auto cliente = clienteWayland({QStringLiteral("pattern"), QStringLiteral("7")});
  ASSERT_TRUE(cliente) << "the test client never drew";
  QTemporaryDir dir;
  const QString ruta = dir.filePath(QStringLiteral("screen.png"));
  // The compositor may show the client's first frame a refresh late: a few tries.
  QImage foto;
  int64_t malos = -1;
  for (int intento = 0; intento < 10 && malos != 0; ++intento) {
    const auto s = correr(QStringLiteral(SCREENSHOT_TOOL), {QStringLiteral("-x"), ruta});
    ASSERT_EQ(s.codigo, 0) << s.errores.toStdString();
    foto = QImage(ruta);
    ASSERT_FALSE(foto.isNull());
    ASSERT_EQ(foto.size(), QSize(1920, 1080));
    malos = distintosEn(foto, 7, {0, 0});
  }
  EXPECT_EQ(malos, 0);
  // The portal's own file is moved, not copied: nothing of the screen is left behind.
  EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/out.png")));
}

TEST(WaylandStill, AnAreaIsDraggedOutOnThePortalsPictureAndEscapeCancels) {
  const auto cliente = clienteWayland({QStringLiteral("pattern"), QStringLiteral("11")});
  ASSERT_TRUE(cliente);
  testing::PunteroVirtual puntero;
  ASSERT_TRUE(puntero.listo());
  QTemporaryDir dir;
  const QString ruta = dir.filePath(QStringLiteral("area.png"));
  QProcess herramienta;
  herramienta.start(QStringLiteral(SCREENSHOT_TOOL),
                    {QStringLiteral("-x"), QStringLiteral("-i"), ruta});
  // Our chooser covers the screen with the portal's picture.
  ASSERT_TRUE(testing::esperarVentana(QRegularExpression(QStringLiteral("^corvalin-screenshot"))));
  ASSERT_TRUE(puntero.arrastrar({300, 200}, {800, 450}));
  ASSERT_TRUE(herramienta.waitForFinished(10000));
  EXPECT_EQ(herramienta.exitCode(), 0) << herramienta.readAllStandardError().toStdString();
  const QImage area(ruta);
  ASSERT_EQ(area.size(), QSize(500, 250));
  EXPECT_EQ(distintosEn(area, 11, {300, 200}), 0);

  // Escape: no file, a clean exit.
  QFile::remove(ruta);
  herramienta.start(QStringLiteral(SCREENSHOT_TOOL),
                    {QStringLiteral("-x"), QStringLiteral("-i"), ruta});
  ASSERT_TRUE(testing::esperarVentana(QRegularExpression(QStringLiteral("^corvalin-screenshot"))));
  ASSERT_TRUE(testing::teclear(QStringLiteral("Escape")));
  ASSERT_TRUE(herramienta.waitForFinished(10000));
  EXPECT_EQ(herramienta.exitCode(), 0);
  EXPECT_FALSE(QFile::exists(ruta));
}

TEST(WaylandStill, WithoutABusOrAPortalItSaysSoInBothLanguagesAtOnce) {
  QTemporaryDir dir;
  const QString ruta = dir.filePath(QStringLiteral("screen.png"));
  BusVacio vacio;
  ASSERT_FALSE(vacio.direccion().isEmpty());
  struct Caso {
    QString bus;
    const char* espanol;
    const char* ingles;
  };
  for (const Caso& caso : {Caso{QStringLiteral("unix:path=/nonexistent/bus"),
                                "No hay bus de sesión", "No D-Bus session bus"},
                           Caso{vacio.direccion(), "Ningún portal de escritorio atiende capturas",
                                "No desktop portal answers screenshot requests"}}) {
    SCOPED_TRACE(caso.bus.toStdString());
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), caso.bus);
    QElapsedTimer reloj;
    reloj.start();
    const auto s = correr(QStringLiteral(SCREENSHOT_TOOL), {QStringLiteral("-x"), ruta}, entorno);
    EXPECT_EQ(s.codigo, 1);
    EXPECT_LT(reloj.elapsed(), 10000);
    const QString dicho = QString::fromUtf8(s.errores);
    EXPECT_TRUE(dicho.contains(QString::fromUtf8(caso.espanol))) << dicho.toStdString();
    EXPECT_TRUE(dicho.contains(QString::fromUtf8(caso.ingles))) << dicho.toStdString();
    EXPECT_FALSE(QFile::exists(ruta));
  }
}

}  // namespace
}  // namespace corvalin
