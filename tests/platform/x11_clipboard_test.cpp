// The clipboard through a real X server: what Corvalin puts there, another program (xclip)
// reads, and the other way round.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include "platform/clipboard.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

// Runs xclip while this process keeps serving the selection it owns.
QByteArray xclip(const QStringList& args, const QByteArray& input = {}) {
  QProcess p;
  p.start(u"xclip"_s, args);
  if (!input.isEmpty()) {
    p.write(input);
    p.closeWriteChannel();
  }
  QElapsedTimer t;
  t.start();
  while (p.state() != QProcess::NotRunning && t.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    p.waitForFinished(10);
  }
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  return p.readAllStandardOutput();
}

class X11Clipboard : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs X11";
  }
};

TEST_F(X11Clipboard, APictureWeCopyIsAPngOtherProgramsRead) {
  auto clipboard = crearPortapapelesDelSistema();
  QImage image(120, 80, QImage::Format_ARGB32);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x) image.setPixel(x, y, qRgba(x * 2, y * 3, 200, 255));
  clipboard->ponerImagen(image);
  const QByteArray png = xclip({"-selection", "clipboard", "-t", "image/png", "-o"});
  const QImage back = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(back, image);
}

TEST_F(X11Clipboard, FilesWeCopyAreWhatFileManagersAndChatAppsPaste) {
  auto clipboard = crearPortapapelesDelSistema();
  const QString ruta = u"/tmp/Corvalin 2026-12-07 a las 14.05.09.mp4"_s;
  clipboard->ponerArchivos({ruta});
  const QByteArray uris = xclip({"-selection", "clipboard", "-t", "text/uri-list", "-o"});
  EXPECT_EQ(uris.trimmed(),
            QByteArray("file:///tmp/Corvalin%202026-12-07%20a%20las%2014.05.09.mp4"));
  const QByteArray gnome =
      xclip({"-selection", "clipboard", "-t", "x-special/gnome-copied-files", "-o"});
  EXPECT_EQ(gnome, QByteArray("copy\nfile:///tmp/Corvalin%202026-12-07%20a%20las%2014.05.09.mp4"));
  EXPECT_EQ(QString::fromUtf8(xclip({"-selection", "clipboard", "-o"})), ruta);
}

TEST_F(X11Clipboard, TextAndPicturesFromOtherProgramsReachUs) {
  auto clipboard = crearPortapapelesDelSistema();
  // xclip keeps serving what it put there, in the background, until the selection changes.
  xclip({"-selection", "clipboard", "-i"}, "Año ñandú #FF8000");
  QTRY_COMPARE_WITH_TIMEOUT(clipboard->texto(), u"Año ñandú #FF8000"_s, 5000);

  QImage image(7, 9, QImage::Format_RGB32);
  image.fill(QColor(10, 200, 30));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  xclip({"-selection", "clipboard", "-t", "image/png", "-i"}, png);
  QTRY_VERIFY_WITH_TIMEOUT(clipboard->tieneImagen(), 5000);
  EXPECT_EQ(clipboard->imagen().convertToFormat(QImage::Format_RGB32), image);
}

}  // namespace
}  // namespace corvalin
