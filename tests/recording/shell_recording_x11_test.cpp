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

// A rectangle written as `formato` wants it: width, height, x, y.
QString recorte(const QRect& r, const char* formato = "%dx%d+%d+%d") {
  return QString::asprintf(formato, r.width(), r.height(), r.x(), r.y());
}

// What the X server shows in `zona` now, grabbed as another program would.
QImage loQueSeVe(const QRect& zona) {
  return QImage::fromData(salidaDe(QStringLiteral("import -window root -crop"),
                                   {recorte(zona), QStringLiteral("png:-")}))
      .convertToFormat(QImage::Format_RGB32);
}

// The first grab of `zona` within a few seconds that `listo` accepts; null if none.
QImage cuadroQueSeVe(const QRect& zona, const std::function<bool(const QImage&)>& listo) {
  QElapsedTimer reloj;
  reloj.start();
  while (reloj.elapsed() < 4000) {
    const QImage c = loQueSeVe(zona);
    if (!c.isNull() && listo(c)) return c;
    QThread::msleep(50);
  }
  return {};
}

bool negro(const QImage& c) {
  for (int y = 0; y < c.height(); y += 4)
    for (int x = 0; x < c.width(); x += 4)
      if (qGray(c.pixel(x, y)) > 24) return false;
  return true;
}

// The player's part of the review window titled `titulo`: its top, as wide as the window, as
// tall as the video drawn at that width. Asked again for a while: a window that has just been
// found may be between its first map and the next (a slow machine), and the query then finds
// nothing. Empty when it never answers; `salida` keeps xdotool's last answer.
QRect lugarDe(const QString& titulo, QByteArray* salida) {
  QElapsedTimer reloj;
  reloj.start();
  while (reloj.elapsed() < kEsperaMs) {
    *salida = buscar(titulo, {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell")});
    int x = -1, y = -1, ancho = 0, alto = 0;
    for (const QByteArray& linea : salida->split('\n')) {
      if (linea.startsWith("X=")) x = linea.mid(2).toInt();
      if (linea.startsWith("Y=")) y = linea.mid(2).toInt();
      if (linea.startsWith("WIDTH=")) ancho = linea.mid(6).toInt();
      if (linea.startsWith("HEIGHT=")) alto = linea.mid(7).toInt();
    }
    const QRect lugar(x, y, ancho, alto);
    if (x >= 0 && y >= 0 && !lugar.isEmpty()) return lugar;
    QThread::msleep(100);
  }
  return {};
}

QRect lugarDelVideo(const QString& titulo, const QSize& medidas, QByteArray* salida) {
  const QRect ventana = lugarDe(titulo, salida);
  if (ventana.isEmpty()) return {};
  // A little in from the edges: the video widget may letterbox by a pixel.
  return QRect(ventana.topLeft(),
               QSize(ventana.width(), medidas.height() * ventana.width() / medidas.width()))
      .adjusted(4, 4, -4, -4);
}

// Every frame of `ruta` within `zona`, as RGB bytes one after the other.
QByteArray cuadrosDe(const QString& ruta, const QRect& zona) {
  return salidaDe(QStringLiteral("ffmpeg -v error -i"),
                  {ruta, QStringLiteral("-vf"), recorte(zona, "crop=%d:%d:%d:%d"),
                   QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"),
                   QStringLiteral("rgb24"), QStringLiteral("-")},
                  60000);
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
    if (app_.state() == QProcess::NotRunning) {
      app_.setProcessEnvironment(env);
      app_.start(QStringLiteral(CORVALIN), {QStringLiteral("--action"), QString::fromUtf8(nombre)});
      return;
    }
    QProcess otro;
    otro.setProcessEnvironment(env);
    otro.start(QStringLiteral(CORVALIN), {QStringLiteral("--action"), QString::fromUtf8(nombre)});
    otro.waitForFinished(kEsperaMs);
  }
  QStringList grabados() const {
    return QDir(home_.filePath(QStringLiteral("Downloads"))).entryList({QStringLiteral("*.mp4")});
  }

  QTemporaryDir home_;
  QProcessEnvironment env_;
  QProcess app_;
  ShownWindows windows_;
};

TEST_F(ShellRecordingX11, AnAreaIsRecordedThroughTheSetupBarAndNoneOfTheControlsShowInIt) {
  QImage gris(1920, 1080, QImage::Format_RGB32);
  gris.fill(QColor(128, 128, 128));
  windows_.show({background(71, gris), plainWindow(QRect(400, 300, 300, 200), 72)});
  const QRect area(200, 150, 800, 500);

  for (const char* idioma : {"en_US.UTF-8", "es_MX.UTF-8"}) {
    const bool ingles = QByteArray(idioma).startsWith("en");
    SCOPED_TRACE(idioma);
    accion("toggleRecording", QString::fromUtf8(idioma));
    QThread::msleep(1500);  // the area chooser's layers
    drag(area.topLeft(), area.bottomRight() + QPoint(1, 1));
    moveTo({1900, 1060});  // the pointer is recorded too: away from the edges
    // (xdotool's patterns are byte-wise: the accent is left to the dot.)
    const QString titulo = ingles ? QStringLiteral("Recording") : QStringLiteral("Grabaci.+n");
    ASSERT_TRUE(aparece(titulo)) << "no setup bar";
    screenshotForPeople(QStringLiteral("recording_setup_%1.png").arg(ingles ? "en" : "es"),
                        [](const QImage&) { return true; });
    key(QStringLiteral("Return"));
    QElapsedTimer grabando;
    grabando.start();
    QThread::msleep(800);
    auto mover = [&] {
      for (int i = 0; i < 8; ++i) {
        xdotool({QStringLiteral("windowmove"), QString::number(windows_[1].id()),
                 QString::number(300 + i * 40), QStringLiteral("300")});
        QThread::msleep(120);
      }
    };
    mover();
    screenshotForPeople(QStringLiteral("recording_bar_%1.png").arg(ingles ? "en" : "es"),
                        [](const QImage&) { return true; });
    // In Spanish, a pause of 1.5 s from its hotkey, and the record hotkey stops.
    if (!ingles) {
      key(QStringLiteral("ctrl+super+p"));
      QThread::msleep(1500);
      key(QStringLiteral("ctrl+super+p"));
      mover();
      key(QStringLiteral("ctrl+super+0"));
    } else {
      accion("toggleRecording", QString::fromUtf8(idioma));
    }
    const double segundosGrabando = double(grabando.elapsed()) / 1000.0;
    // The review window plays it; Return saves it.
    const QString tituloDeRevision = titulo + QStringLiteral(" .+800.+500 .+");
    ASSERT_TRUE(aparece(tituloDeRevision)) << "no review window";
    QElapsedTimer mostrada;
    mostrada.start();
    // It plays: the picture in the player changes as the window moves in the video. Played
    // once through it rests (on its last frame, or black), and a click plays it again from the
    // start. A slow machine may show the review window only after the first play has ended, so
    // what it shows is judged after the click: a picture that is not black and not the one it
    // rested on.
    QByteArray xdotoolDijo;
    const QRect video = lugarDelVideo(tituloDeRevision, area.size(), &xdotoolDijo);
    ASSERT_FALSE(video.isEmpty()) << xdotoolDijo.toStdString();
    QImage ultimo;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          const QImage antes = loQueSeVe(video);
          QThread::msleep(1000);
          ultimo = loQueSeVe(video);
          return mostrada.elapsed() > segundosGrabando * 1000 + 1000 && ultimo == antes;
        },
        30000))
        << "the player never came to rest";
    tools::testing::click(video.center());
    EXPECT_FALSE(
        cuadroQueSeVe(video, [&](const QImage& c) { return !negro(c) && c != ultimo; }).isNull())
        << "a click did not play it again";
    const QString revision = QStringLiteral("recording_review_%1.png").arg(ingles ? "en" : "es");
    screenshotForPeople(revision, [](const QImage&) { return true; });
    key(QStringLiteral("Return"));
    const int antes = ingles ? 0 : 1;
    (void)QTest::qWaitFor([&] { return grabados().size() > antes; }, kEsperaMs);
    ASSERT_EQ(grabados().size(), antes + 1);
    app_.terminate();
    ASSERT_TRUE(app_.waitForFinished(kEsperaMs));
    if (!ingles) {
      // The paused stretch is not in the video.
      double mayor = 0;
      for (const QString& nombre : grabados()) {
        const auto medios = sondear(home_.filePath(QStringLiteral("Downloads/") + nombre));
        if (medios.video() != nullptr) mayor = std::max(mayor, medios.video()->duracion);
      }
      EXPECT_GT(mayor, 1.5);
      EXPECT_LT(mayor, segundosGrabando - 1.0);
    }
  }

  for (const QString& nombre : grabados()) {
    SCOPED_TRACE(nombre.toStdString());
    const QString ruta = home_.filePath(QStringLiteral("Downloads/") + nombre);
    const auto medios = sondear(ruta);
    ASSERT_NE(medios.video(), nullptr);
    EXPECT_EQ(medios.video()->codec, QStringLiteral("h264"));
    EXPECT_EQ(medios.video()->ancho, area.width());
    EXPECT_EQ(medios.video()->alto, area.height());
    EXPECT_GE(medios.video()->paquetes, 5);
    // Every frame's outer band shows the grey desktop: no bar, no red line, no panel.
    const QByteArray raw = cuadrosDe(ruta, QRect(QPoint(), area.size()));
    const int bytesPorCuadro = area.width() * area.height() * 3;
    ASSERT_GT(raw.size(), 0);
    ASSERT_EQ(raw.size() % bytesPorCuadro, 0);
    int malos = 0;
    for (int c = 0; c < raw.size() / bytesPorCuadro; ++c) {
      const auto* p = reinterpret_cast<const uchar*>(raw.constData()) + c * bytesPorCuadro;
      auto revisar = [&](int x, int y) {
        const uchar* px = p + (y * area.width() + x) * 3;
        for (int k = 0; k < 3; ++k) malos += std::abs(px[k] - 128) > 20;
      };
      for (int x = 0; x < area.width(); ++x)
        for (const int y : {0, 1, area.height() - 2, area.height() - 1}) revisar(x, y);
      for (int y = 0; y < area.height(); ++y)
        for (const int x : {0, 1, area.width() - 2, area.width() - 1}) revisar(x, y);
    }
    EXPECT_EQ(malos, 0);
  }
}

TEST_F(ShellRecordingX11, WithTheClockInTheTrayItsPanelStaysOutOfAFullScreenRecording) {
  QImage gris(1920, 1080, QImage::Format_RGB32);
  gris.fill(QColor(128, 128, 128));
  windows_.show({background(73, gris)});
  moveTo({960, 1060});
  const QString idioma = QStringLiteral("es_MX.UTF-8");
  const QString conf =
      home_.filePath(QStringLiteral("config-%1/corvalin/corvalin.conf")).arg(idioma);
  QDir().mkpath(QFileInfo(conf).path());
  QFile ajustes(conf);
  ASSERT_TRUE(ajustes.open(QIODevice::WriteOnly));
  ajustes.write("recordTimerPlacement=barraDeMenus\n");
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
  const QString ruta = home_.filePath(QStringLiteral("Downloads/") + nuevos.first());
  const QByteArray raw = cuadrosDe(ruta, panel.adjusted(-4, -4, 4, 4));
  ASSERT_GT(raw.size(), 0);
  EXPECT_EQ(noGrises(raw), 0);
}

}  // namespace
}  // namespace corvalin
