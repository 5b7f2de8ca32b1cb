// Two outputs side by side: the still captures map the desktop's layout onto each. Last in the
// suite: the compositor keeps a trace of an output that came and went.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "wayland_fixtures.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

using testing::clienteWayland;
using testing::correr;
using testing::distintosEn;

// A second output beside the first while it lives: HEADLESS-2, 1280x720, to the right.
struct SegundaSalida {
  const bool lista =
      correr(u"swaymsg"_s, {u"create_output"_s}).codigo == 0 &&
      correr(u"swaymsg"_s, {u"output HEADLESS-2 resolution 1280x720 position 1920 0"_s}).codigo ==
          0;
  SegundaSalida() { QThread::msleep(500); }
  ~SegundaSalida() {
    correr(u"swaymsg"_s, {u"output HEADLESS-2 disable"_s});
    // Its workspaces move to the first output: the first workspace is shown there again, and
    // new windows open on it.
    correr(u"swaymsg"_s, {u"focus output HEADLESS-1; workspace number 1"_s});
    QThread::msleep(300);
  }
};

TEST(WaylandOutputs, WithTwoOutputsAnAreaOnEitherIsTheDesktopsOwnPixels) {
  SegundaSalida segunda;
  ASSERT_TRUE(segunda.lista);
  const auto cliente = clienteWayland({u"pattern"_s, u"13"_s});
  ASSERT_TRUE(cliente);
  testing::PunteroVirtual puntero;
  ASSERT_TRUE(puntero.orden(u"extent 3200 1080"_s));
  QTemporaryDir dir;
  const QString ruta = dir.filePath(u"area.png"_s);
  auto elegir = [&](QPoint desde, QPoint hasta) {
    QFile::remove(ruta);
    QProcess herramienta;
    herramienta.start(QStringLiteral(SCREENSHOT_TOOL), {u"-x"_s, u"-i"_s, ruta});
    EXPECT_TRUE(testing::esperarVentana(QRegularExpression(u"^corvalin-screenshot"_s)));
    QThread::msleep(500);  // the overlay of the second output too
    EXPECT_TRUE(puntero.arrastrar(desde, hasta));
    EXPECT_TRUE(herramienta.waitForFinished(10000));
    return QImage(ruta);
  };
  // On the first output: the client's pattern, exactly.
  const QImage primera = elegir({100, 100}, {600, 400});
  ASSERT_EQ(primera.size(), QSize(500, 300));
  EXPECT_EQ(distintosEn(primera, 13, {100, 100}), 0);
  // On the second: what the compositor shows there, as grim reads it.
  const QImage segundaArea = elegir({2000, 100}, {2400, 400});
  ASSERT_EQ(segundaArea.size(), QSize(400, 300));
  // The compositor draws the pointer into what it shows: out of the way first.
  ASSERT_TRUE(puntero.orden(u"move 1900 1000"_s));
  QThread::msleep(200);
  const QString referencia = dir.filePath(u"grim.png"_s);
  ASSERT_EQ(correr(u"grim"_s, {u"-g"_s, u"2000,100 400x300"_s, referencia}).codigo, 0);
  EXPECT_EQ(segundaArea.convertToFormat(QImage::Format_RGB32),
            QImage(referencia).convertToFormat(QImage::Format_RGB32));
}

}  // namespace
}  // namespace corvalin
