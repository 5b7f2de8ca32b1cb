// The tray application recording an area as a person would: the command, a drag, the setup
// bar answering Return, a window moving in the area, the command again to stop, Return in the
// review window; the file in the save folder, and none of Corvalin's own bars or frame in any
// frame of it.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "recording/media_probe.h"
#include "tools/screen_fixtures.h"

namespace corvalin {
namespace {

using testing::salidaDe;
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

// (xdotool's patterns are byte-wise: the accent of "Grabación" is left to the dot.)
const QString kTitulo = QStringLiteral("Grabaci.+n");

// Waits for a visible window of Corvalin's whose whole title matches.
bool aparece(const QString& titulo) {
  const QString buscar = QStringLiteral("xdotool search --onlyvisible --name");
  const QStringList patron{QStringLiteral("^%1$").arg(titulo)};
  return QTest::qWaitFor([&] { return !salidaDe(buscar, patron).trimmed().isEmpty(); }, kEsperaMs);
}

// Every frame of `ruta` within `zona`, as RGB bytes one after the other.
QByteArray cuadrosDe(const QString& ruta, const QRect& zona) {
  const QString recorte =
      QString::asprintf("crop=%d:%d:%d:%d", zona.width(), zona.height(), zona.x(), zona.y());
  return salidaDe(QStringLiteral("ffmpeg -v error -i"),
                  QStringList{ruta, QStringLiteral("-vf"), recorte} +
                      QStringLiteral("-f rawvideo -pix_fmt rgb24 -").split(QLatin1Char(' ')));
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

// The same for a picture of the screen.
int noGrises(const QImage& imagen) {
  const QImage rgb = imagen.convertToFormat(QImage::Format_RGB888);
  return noGrises(QByteArray(reinterpret_cast<const char*>(rgb.constBits()), rgb.sizeInBytes()));
}

class ShellRecordingX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run inside scripts/test-session";
    ASSERT_TRUE(home_.isValid());
    env_ = tools::testing::corvalinEnvironment(home_.path());
    env_.insert(QStringLiteral("LANG"), QStringLiteral("es_MX.UTF-8"));
    env_.insert(QStringLiteral("LANGUAGE"), QStringLiteral("es"));
    QDir(home_.path()).mkpath(QStringLiteral("Downloads"));
  }
  void TearDown() override {
    if (app_.state() != QProcess::NotRunning) {
      app_.terminate();
      if (!app_.waitForFinished(kEsperaMs)) app_.kill();
    }
    moveTo({1900, 1060});
  }
  // `corvalin --action NAME` in Spanish: the first launch stays as the tray application.
  void accion(const char* nombre) {
    const bool primera = app_.state() == QProcess::NotRunning;
    QProcess otro;
    QProcess& p = primera ? app_ : otro;
    p.setProcessEnvironment(env_);
    p.start(QStringLiteral(CORVALIN), {QStringLiteral("--action"), QString::fromUtf8(nombre)});
    if (!primera) otro.waitForFinished(kEsperaMs);
  }
  QStringList grabados() const {
    return QDir(home_.filePath(QStringLiteral("Downloads"))).entryList({QStringLiteral("*.mp4")});
  }
  // Return in the review window of a `medidas` video: the one file saved, once the application
  // has quit; empty when any of that fails.
  QString guardarAlRevisar(const char* medidas) {
    if (!aparece(kTitulo + QStringLiteral(" %1 .+").arg(QLatin1String(medidas)))) return {};
    key(QStringLiteral("Return"));
    (void)QTest::qWaitFor([&] { return !grabados().isEmpty(); }, kEsperaMs);
    app_.terminate();
    if (!app_.waitForFinished(kEsperaMs) || grabados().size() != 1) return {};
    return home_.filePath(QStringLiteral("Downloads/") + grabados().first());
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
  accion("toggleRecording");
  QThread::msleep(1500);  // the area chooser's layers
  drag(area.topLeft(), area.bottomRight() + QPoint(1, 1));
  moveTo({1900, 1060});  // the pointer is recorded too: away from the edges
  ASSERT_TRUE(aparece(kTitulo)) << "no setup bar";
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
  const QString ruta = guardarAlRevisar(".+800.+500");
  ASSERT_FALSE(ruta.isEmpty()) << "no review window, or not one file saved from it";
  const auto medios = sondear(ruta);
  ASSERT_NE(medios.video(), nullptr);
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
  QSettings(home_.filePath(QStringLiteral("config/corvalin/corvalin.conf")), QSettings::IniFormat)
      .setValue(QStringLiteral("recordTimerPlacement"), QStringLiteral("barraDeMenus"));

  accion("recordFullscreenAction");
  ASSERT_TRUE(aparece(kTitulo)) << "no setup bar";
  key(QStringLiteral("Return"));
  QThread::msleep(2500);  // the clock ticks over in the panel a couple of times
  // Without a tray that says where its icon is (none runs here), the panel goes to the top-right
  // corner of the work area (which an earlier window manager may have left below a top bar).
  const QRect esquina(1420, 0, 500, 300);
  const QImage visto =
      screenshotForPeople(QStringLiteral("recording_tray_panel.png"),
                          [&](const QImage& i) { return noGrises(i.copy(esquina)) > 0; });
  ASSERT_GT(noGrises(visto.copy(esquina)), 0) << "no tray panel on screen";
  accion("toggleRecording");
  const QString ruta = guardarAlRevisar(".+1920.+1080");
  ASSERT_FALSE(ruta.isEmpty()) << "no review window, or not one file saved from it";

  // Where the panel is, every frame shows the desktop under it.
  const QByteArray raw = cuadrosDe(ruta, esquina);
  ASSERT_GT(raw.size(), 0);
  EXPECT_EQ(noGrises(raw), 0);
}

}  // namespace
}  // namespace corvalin
