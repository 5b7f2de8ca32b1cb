// The tray application recording an area as a person would: the command, a drag, the setup
// bar answering Return, a window moving in the area, the command again to stop, Return in the
// review window; the file in the save folder, and none of Corvalin's own bars or frame in any
// frame of it.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <map>

#include "recording/media_probe.h"
#include "tools/screen_fixtures.h"

namespace corvalin {
namespace {

using testing::sondear;
using tools::testing::background;
using tools::testing::drag;
using tools::testing::key;
using tools::testing::moveTo;
using tools::testing::plainWindow;
using tools::testing::screenshotForPeople;
using tools::testing::ShownWindows;
using tools::testing::xdotool;

constexpr int kEsperaMs = 10000;

// What `orden` (words split at spaces, then `mas`) prints.
QByteArray salidaDe(const QString& orden, const QStringList& mas = {}, int esperaMs = kEsperaMs) {
  QStringList args = orden.split(QLatin1Char(' ')) + mas;
  QProcess p;
  p.start(args.takeFirst(), args);
  p.waitForFinished(esperaMs);
  return p.readAllStandardOutput();
}

// xdotool's search for visible windows whose whole title matches.
QByteArray buscar(const QString& titulo, const QStringList& mas = {}) {
  return salidaDe(QStringLiteral("xdotool search --onlyvisible --name"),
                  QStringList{QStringLiteral("^%1$").arg(titulo)} + mas);
}

// Waits for a visible window of Corvalin's whose whole title matches.
bool aparece(const QString& titulo) {
  return QTest::qWaitFor([&] { return !buscar(titulo).trimmed().isEmpty(); }, kEsperaMs);
}

// Where the window titled `titulo` is. Asked again for a while: a window that has just been
// found may be between its first map and the next (a slow machine), and the query then finds
// nothing. Empty when it never answers; `salida` keeps xdotool's last answer.
QRect lugarDe(const QString& titulo, QByteArray* salida) {
  QElapsedTimer reloj;
  reloj.start();
  while (reloj.elapsed() < kEsperaMs) {
    *salida = buscar(titulo, {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell")});
    std::map<QByteArray, int> v{{"X", -1}, {"Y", -1}};
    for (const QByteArray& linea : salida->split('\n'))
      if (const int i = linea.indexOf('='); i > 0) v[linea.left(i)] = linea.mid(i + 1).toInt();
    const QRect lugar(v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]);
    if (lugar.x() >= 0 && lugar.y() >= 0 && !lugar.isEmpty()) return lugar;
    QThread::msleep(100);
  }
  return {};
}

// Every frame of `ruta` within `zona`, as RGB bytes one after the other.
QByteArray cuadrosDe(const QString& ruta, const QRect& zona) {
  const QString recorte =
      QString::asprintf("crop=%d:%d:%d:%d", zona.width(), zona.height(), zona.x(), zona.y());
  return salidaDe(QStringLiteral("ffmpeg -v error -i"),
                  QStringList{ruta, QStringLiteral("-vf"), recorte} +
                      QStringLiteral("-f rawvideo -pix_fmt rgb24 -").split(QLatin1Char(' ')),
                  60000);
}

// The grey desktop.
QImage gris() {
  QImage gris(1920, 1080, QImage::Format_RGB32);
  gris.fill(QColor(128, 128, 128));
  return gris;
}

// Samples of `rgb` (frames one after another) further than 20 levels from the grey desktop.
int noGrises(const QByteArray& rgb) {
  int malos = 0;
  for (const char c : rgb) malos += std::abs(static_cast<uchar>(c) - 128) > 20;
  return malos;
}

class ShellRecordingX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run inside scripts/test-session";
    ASSERT_TRUE(home_.isValid());
    env_ = tools::testing::corvalinEnvironment(home_.path());
    QDir(home_.path()).mkpath(QStringLiteral("Downloads"));
  }
  void TearDown() override {
    if (app_.state() != QProcess::NotRunning) {
      app_.terminate();
      if (!app_.waitForFinished(kEsperaMs)) app_.kill();
    }
    moveTo({1900, 1060});
  }
  // `corvalin --action NAME`: the first launch stays as the tray application.
  void accion(const char* nombre, const QString& idioma) {
    QProcessEnvironment env = env_;
    env.insert(QStringLiteral("LANG"), idioma);
    env.insert(QStringLiteral("LANGUAGE"), idioma.left(2));
    // Each language its own settings, so the first start picks it.
    env.insert(QStringLiteral("XDG_CONFIG_HOME"),
               home_.filePath(QStringLiteral("config-") + idioma));
    const bool primera = app_.state() == QProcess::NotRunning;
    QProcess otro;
    QProcess& p = primera ? app_ : otro;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CORVALIN), {QStringLiteral("--action"), QString::fromUtf8(nombre)});
    if (!primera) otro.waitForFinished(kEsperaMs);
  }
  QStringList grabados() const {
    return QDir(home_.filePath(QStringLiteral("Downloads"))).entryList({QStringLiteral("*.mp4")});
  }

  QTemporaryDir home_;
  QProcessEnvironment env_;
  QProcess app_;
  ShownWindows windows_;
};

// In Spanish, with a pause of 1.5 s from its hotkey, and the record hotkey to stop. (The record
// command stopping a recording: the tray panel's case below.)
TEST_F(ShellRecordingX11, AnAreaIsRecordedThroughTheSetupBarAndNoneOfTheControlsShowInIt) {
  windows_.show({background(71, gris()), plainWindow(QRect(400, 300, 300, 200), 72)});
  const QRect area(200, 150, 800, 500);
  const QString idioma = QStringLiteral("es_MX.UTF-8");
  accion("toggleRecording", idioma);
  QThread::msleep(1500);  // the area chooser's layers
  drag(area.topLeft(), area.bottomRight() + QPoint(1, 1));
  moveTo({1900, 1060});  // the pointer is recorded too: away from the edges
  // (xdotool's patterns are byte-wise: the accent is left to the dot.)
  const QString titulo = QStringLiteral("Grabaci.+n");
  ASSERT_TRUE(aparece(titulo)) << "no setup bar";
  screenshotForPeople(QStringLiteral("recording_setup_es.png"), [](const QImage&) { return true; });
  key(QStringLiteral("Return"));
  QElapsedTimer grabando;
  grabando.start();
  QThread::msleep(800);
  const auto mover = [&] {
    for (int i = 0; i < 8; ++i) {
      xdotool({QStringLiteral("windowmove"), QString::number(windows_[1].id()),
               QString::number(300 + i * 40), QStringLiteral("300")});
      QThread::msleep(120);
    }
  };
  mover();
  screenshotForPeople(QStringLiteral("recording_bar_es.png"), [](const QImage&) { return true; });
  key(QStringLiteral("ctrl+super+p"));
  QThread::msleep(1500);
  key(QStringLiteral("ctrl+super+p"));
  mover();
  key(QStringLiteral("ctrl+super+0"));
  const double segundosGrabando = double(grabando.elapsed()) / 1000.0;
  // The review window: Return saves it.
  ASSERT_TRUE(aparece(titulo + QStringLiteral(" .+800.+500 .+"))) << "no review window";
  QThread::msleep(1000);
  screenshotForPeople(QStringLiteral("recording_review_es.png"),
                      [](const QImage&) { return true; });
  key(QStringLiteral("Return"));
  (void)QTest::qWaitFor([&] { return !grabados().isEmpty(); }, kEsperaMs);
  ASSERT_EQ(grabados().size(), 1);
  app_.terminate();
  ASSERT_TRUE(app_.waitForFinished(kEsperaMs));

  const QString ruta = home_.filePath(QStringLiteral("Downloads/") + grabados().first());
  const auto medios = sondear(ruta);
  ASSERT_NE(medios.video(), nullptr);
  EXPECT_EQ(medios.video()->codec, QStringLiteral("h264"));
  EXPECT_EQ(medios.video()->ancho, area.width());
  EXPECT_EQ(medios.video()->alto, area.height());
  // The paused stretch is not in the video.
  EXPECT_GT(medios.video()->duracion, 1.5);
  EXPECT_LT(medios.video()->duracion, segundosGrabando - 1.0);
  // Every frame's outer band shows the grey desktop: no bar, no red line, no panel.
  const int w = area.width(), h = area.height();
  for (const QRect banda :
       {QRect(0, 0, w, 2), QRect(0, h - 2, w, 2), QRect(0, 0, 2, h), QRect(w - 2, 0, 2, h)}) {
    const QByteArray raw = cuadrosDe(ruta, banda);
    ASSERT_GT(raw.size(), 0);
    EXPECT_EQ(noGrises(raw), 0) << banda.x() << "," << banda.y();
  }
}

TEST_F(ShellRecordingX11, WithTheClockInTheTrayItsPanelStaysOutOfAFullScreenRecording) {
  windows_.show({background(73, gris())});
  moveTo({960, 1060});
  const QString idioma = QStringLiteral("es_MX.UTF-8");
  const QString conf =
      home_.filePath(QStringLiteral("config-%1/corvalin/corvalin.conf")).arg(idioma);
  QDir().mkpath(QFileInfo(conf).path());
  QFile ajustes(conf);
  ASSERT_TRUE(ajustes.open(QIODevice::WriteOnly) &&
              ajustes.write("recordTimerPlacement=barraDeMenus\n") > 0);
  ajustes.close();

  accion("recordFullscreenAction", idioma);
  // (xdotool's patterns are byte-wise: the accent is left to the dot.)
  const QString titulo = QStringLiteral("Grabaci.+n");
  ASSERT_TRUE(aparece(titulo)) << "no setup bar";
  key(QStringLiteral("Return"));
  QThread::msleep(2500);  // the clock ticks over in the panel a couple of times
  // Without a tray that says where its icon is (none runs here), the top-right corner of
  // the work area (which an earlier window manager may have left below a top bar).
  QByteArray xdotoolDijo;
  const QRect panel = lugarDe(titulo, &xdotoolDijo);
  ASSERT_FALSE(panel.isEmpty()) << "no tray panel: " << xdotoolDijo.toStdString();
  EXPECT_EQ(panel.right(), 1920 - 8 - 1);
  EXPECT_GE(panel.top(), 8);
  EXPECT_LT(panel.top(), 80);
  screenshotForPeople(QStringLiteral("recording_tray_panel.png"),
                      [](const QImage&) { return true; });
  accion("toggleRecording", idioma);
  ASSERT_TRUE(aparece(titulo + QStringLiteral(" .+1920.+1080 .+"))) << "no review window";
  key(QStringLiteral("Return"));
  (void)QTest::qWaitFor([&] { return !grabados().isEmpty(); }, kEsperaMs);
  const QStringList nuevos = grabados();
  ASSERT_EQ(nuevos.size(), 1);
  app_.terminate();
  ASSERT_TRUE(app_.waitForFinished(kEsperaMs));

  // The panel's place in every frame shows the desktop under it.
  const QByteArray raw = cuadrosDe(home_.filePath(QStringLiteral("Downloads/") + nuevos.first()),
                                   panel.adjusted(-4, -4, 4, 4));
  ASSERT_GT(raw.size(), 0);
  EXPECT_EQ(noGrises(raw), 0);
}

}  // namespace
}  // namespace corvalin
