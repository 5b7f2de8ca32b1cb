// Recording on a real Wayland desktop: corvalin-record through the ScreenCast portal and
// PipeWire, the whole screen and an area cropped from it, a still screen, the desktop's
// restore token, and a stream that the desktop ends halfway.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "recording/media_probe.h"
#include "wayland_fixtures.h"

namespace corvalin {
namespace {

using testing::clienteWayland;
using testing::correr;
using testing::sondear;

// One decoded frame of `ruta` at `segundo`, as RGB bytes.
QByteArray cuadro(const QString& ruta, double segundo) {
  const auto s =
      correr(QStringLiteral("ffmpeg"),
             {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-ss"),
              QString::number(segundo), QStringLiteral("-i"), ruta, QStringLiteral("-frames:v"),
              QStringLiteral("1"), QStringLiteral("-f"), QStringLiteral("rawvideo"),
              QStringLiteral("-pix_fmt"), QStringLiteral("rgb24"), QStringLiteral("-")});
  return s.salida;
}

class WaylandRecording : public ::testing::Test {
 protected:
  QString ruta(const char* nombre) const { return dir_.filePath(QString::fromUtf8(nombre)); }
  QTemporaryDir dir_;
};

TEST_F(WaylandRecording, AMovingClientIsRecordedWholeAndAsAnAreaCroppedFromTheScreen) {
  const auto cliente = clienteWayland({QStringLiteral("moving")});
  ASSERT_TRUE(cliente);

  const QString pantalla = ruta("screen.mp4");
  auto s = correr(QStringLiteral(CORVALIN_RECORD),
                  {QStringLiteral("--seconds"), QStringLiteral("5"), QStringLiteral("--audio"),
                   QStringLiteral("none"), QStringLiteral("--stats"), pantalla});
  ASSERT_EQ(s.codigo, 0) << s.errores.toStdString();
  const auto medios = sondear(pantalla);
  ASSERT_TRUE(medios.leido);
  const auto* video = medios.video();
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->codec, QStringLiteral("h264"));
  EXPECT_EQ(video->ancho, 1920);
  EXPECT_EQ(video->alto, 1080);
  EXPECT_NEAR(video->duracion, 5.0, 0.5);
  // The client redraws 30 times a second: many of those frames arrive, even on a busy machine.
  EXPECT_GT(video->paquetes, 60);
  EXPECT_EQ(medios.audio(), nullptr);
  // The desktop's token is kept for the next time.
  EXPECT_TRUE(QFile::exists(qEnvironmentVariable("HOME") +
                            QStringLiteral("/.local/state/corvalin/screencast-token")));

  // An area: the square's row, cropped in the frames' pixels. The client's grey is there.
  const QString area = ruta("area.mp4");
  s = correr(
      QStringLiteral(CORVALIN_RECORD),
      {QStringLiteral("--area"), QStringLiteral("100,250,640,200"), QStringLiteral("--seconds"),
       QStringLiteral("3"), QStringLiteral("--audio"), QStringLiteral("none"), area});
  ASSERT_EQ(s.codigo, 0) << s.errores.toStdString();
  const auto recorte = sondear(area);
  ASSERT_NE(recorte.video(), nullptr);
  EXPECT_EQ(recorte.video()->ancho, 640);
  EXPECT_EQ(recorte.video()->alto, 200);
  EXPECT_GT(recorte.video()->paquetes, 15);
  const QByteArray rgb = cuadro(area, 0.3);
  ASSERT_EQ(rgb.size(), 640 * 200 * 3);
  // Its top rows lie above the square (which spans rows 300 to 399 of the screen): grey.
  int grises = 0;
  for (int i = 0; i < 640 * 40 * 3; ++i) grises += std::abs(uchar(rgb[i]) - 128) <= 6;
  EXPECT_GT(grises, 640 * 40 * 3 * 95 / 100);
}

TEST_F(WaylandRecording, OnceTheScreenIsStillNothingMoreIsWritten) {
  // Moving for a second and a half, then still.
  const auto cliente = clienteWayland({QStringLiteral("moving"), QStringLiteral("1500")});
  ASSERT_TRUE(cliente);
  const QString archivo = ruta("still.mp4");
  const auto s = correr(QStringLiteral(CORVALIN_RECORD),
                        {QStringLiteral("--seconds"), QStringLiteral("4"),
                         QStringLiteral("--audio"), QStringLiteral("none"), archivo});
  ASSERT_EQ(s.codigo, 0) << s.errores.toStdString();
  const auto paquetes = testing::paquetesDeVideo(archivo);
  ASSERT_GT(paquetes.size(), 10u);
  const double primero = paquetes.front().pts;
  for (const auto& p : paquetes) EXPECT_LT(p.pts - primero, 2.0);
}

TEST_F(WaylandRecording, WhenTheDesktopStopsSharingWhatWasRecordedIsKeptAndItSaysWhy) {
  const auto cliente = clienteWayland({QStringLiteral("moving")});
  ASSERT_TRUE(cliente);
  const QString archivo = ruta("cut.mp4");
  QProcess grabar;
  QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
  entorno.insert(QStringLiteral("LANG"), QStringLiteral("es_MX.UTF-8"));
  grabar.setProcessEnvironment(entorno);
  grabar.start(QStringLiteral(CORVALIN_RECORD),
               {QStringLiteral("--seconds"), QStringLiteral("20"), QStringLiteral("--audio"),
                QStringLiteral("none"), archivo});
  ASSERT_TRUE(grabar.waitForStarted());
  QThread::msleep(2500);
  // The shared screen's node goes away, as when the desktop's "stop sharing" is pressed.
  const auto nodos =
      correr(QStringLiteral("pw-cli"), {QStringLiteral("ls"), QStringLiteral("Node")});
  QString nodo;
  for (const QByteArray& linea : nodos.salida.split('\n')) {
    if (linea.trimmed().startsWith("id "))
      nodo = QString::fromUtf8(linea.trimmed().mid(3).split(',').first());
    if (linea.contains("xdg-desktop-portal-wlr") && !nodo.isEmpty()) break;
  }
  ASSERT_FALSE(nodo.isEmpty()) << nodos.salida.toStdString();
  const auto destruido = correr(QStringLiteral("pw-cli"), {QStringLiteral("destroy"), nodo});
  ASSERT_EQ(destruido.codigo, 0) << destruido.errores.toStdString();
  ASSERT_TRUE(grabar.waitForFinished(10000)) << "the recording went on without a screen";
  EXPECT_EQ(grabar.exitCode(), 1);
  const QString dicho = QString::fromUtf8(grabar.readAllStandardError());
  EXPECT_TRUE(dicho.contains(QStringLiteral("guardado lo grabado hasta ahí")))
      << dicho.toStdString();
  const auto medios = sondear(archivo);
  ASSERT_NE(medios.video(), nullptr);
  EXPECT_GT(medios.video()->duracion, 1.5);
  EXPECT_LT(medios.video()->duracion, 6.0);
}

TEST_F(WaylandRecording, WithoutAPortalToShareTheScreenItSaysSoAtOnce) {
  testing::BusVacio vacio;
  ASSERT_FALSE(vacio.direccion().isEmpty());
  QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
  entorno.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), vacio.direccion());
  testing::grabacionSinPantalla(entorno, ruta("none.mp4"));
}

}  // namespace
}  // namespace corvalin
