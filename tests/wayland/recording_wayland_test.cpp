// Recording on a real Wayland desktop: corvalin-record through the ScreenCast portal and
// PipeWire, an area cropped from the shared screen, the desktop's restore token, and a stream
// that the desktop ends halfway.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QThread>

#include "recording/media_probe.h"
#include "wayland_fixtures.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

using testing::clienteWayland;
using testing::correr;
using testing::sondear;

class WaylandRecording : public ::testing::Test {
 protected:
  QString ruta(const char* nombre) const { return dir_.filePath(QString::fromUtf8(nombre)); }
  QTemporaryDir dir_;
};

// (The whole screen through the tray application: shell_wayland_test.cpp.)
TEST_F(WaylandRecording, AnAreaIsCroppedFromTheSharedScreen) {
  const auto cliente = clienteWayland({u"moving"_s});
  ASSERT_TRUE(cliente);
  // The square's row, cropped in the frames' pixels. The client's grey is there.
  const QString area = ruta("area.mp4");
  const auto s = correr(
      QStringLiteral(CORVALIN_RECORD),
      {u"--area"_s, u"100,250,640,200"_s, u"--seconds"_s, u"3"_s, u"--audio"_s, u"none"_s, area});
  ASSERT_EQ(s.codigo, 0) << s.errores.toStdString();
  const auto medios = sondear(area);
  ASSERT_NE(medios.video(), nullptr);
  // The client redraws 30 times a second. A loaded machine drops many of those frames, but
  // they keep coming: not just a first frame and a last.
  EXPECT_GT(medios.video()->paquetes, 10);
  // One decoded frame, as RGB bytes.
  const QByteArray rgb =
      correr(u"ffmpeg"_s, {u"-v"_s, u"error"_s, u"-ss"_s, u"0.3"_s, u"-i"_s, area, u"-frames:v"_s,
                           u"1"_s, u"-f"_s, u"rawvideo"_s, u"-pix_fmt"_s, u"rgb24"_s, u"-"_s})
          .salida;
  ASSERT_EQ(rgb.size(), 640 * 200 * 3);
  // Its top rows lie above the square (which spans rows 300 to 399 of the screen): grey.
  int grises = 0;
  for (int i = 0; i < 640 * 40 * 3; ++i) grises += std::abs(uchar(rgb[i]) - 128) <= 6;
  EXPECT_GT(grises, 640 * 40 * 3 * 95 / 100);
}

TEST_F(WaylandRecording, WhenTheDesktopStopsSharingWhatWasRecordedIsKeptAndItSaysWhy) {
  const auto cliente = clienteWayland({u"moving"_s});
  ASSERT_TRUE(cliente);
  const QString archivo = ruta("cut.mp4");
  QProcess grabar;
  grabar.setEnvironment(QProcess::systemEnvironment() << u"LANG=es_MX.UTF-8"_s);
  grabar.start(QStringLiteral(CORVALIN_RECORD),
               {u"--seconds"_s, u"20"_s, u"--audio"_s, u"none"_s, archivo});
  ASSERT_TRUE(grabar.waitForStarted());
  // The recording starts within a second, or more on a loaded machine.
  QThread::msleep(3500);
  // The shared screen's node goes away, as when the desktop's "stop sharing" is pressed.
  const auto nodos = correr(u"pw-cli"_s, {u"ls"_s, u"Node"_s});
  QString nodo;
  for (const QByteArray& linea : nodos.salida.split('\n')) {
    if (linea.trimmed().startsWith("id "))
      nodo = QString::fromUtf8(linea.trimmed().mid(3).split(',')[0]);
    if (linea.contains("xdg-desktop-portal-wlr") && !nodo.isEmpty()) break;
  }
  ASSERT_FALSE(nodo.isEmpty()) << nodos.salida.toStdString();
  const auto destruido = correr(u"pw-cli"_s, {u"destroy"_s, nodo});
  ASSERT_EQ(destruido.codigo, 0) << destruido.errores.toStdString();
  ASSERT_TRUE(grabar.waitForFinished(10000)) << "the recording went on without a screen";
  EXPECT_EQ(grabar.exitCode(), 1);
  const QString dicho = QString::fromUtf8(grabar.readAllStandardError());
  EXPECT_TRUE(dicho.contains(u"guardado lo grabado hasta ahí"_s)) << dicho.toStdString();
  const auto medios = sondear(archivo);
  const auto* video = medios.video();
  ASSERT_NE(video, nullptr);
  EXPECT_GT(video->duracion, 1.0);
  EXPECT_LT(video->duracion, 6.0);
}

}  // namespace
}  // namespace corvalin
