// Recordings end to end against the test session's X server and PulseAudio, checked with
// ffprobe and ffmpeg: only changed frames, the output size rule, a window followed and its end,
// sound from the system and the microphone summed, the shell's recorder, and corvalin-record
// from a script. (The pointer in or out: screen_stream_x11_test.cpp; a pause:
// shell_recording_x11_test.cpp.)
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <cmath>
#include <csignal>

#include "media_probe.h"
#include "platform/screen_stream.h"
#include "recording/grabadora.h"
#include "recording/recording_session.h"
#include "tools/screen_fixtures.h"

namespace corvalin {
namespace {

using testing::paquetesDeVideo;
using testing::sondear;
using testing::sonido;
using tools::testing::background;
using tools::testing::moveTo;
using tools::testing::plainWindow;

// Words of a command line, split at spaces.
QStringList palabras(const char* texto) {
  return QString::fromUtf8(texto).split(QLatin1Char(' '));
}

// Moves a window one step every `pasoMs` for `pasos` steps.
void mover(uint32_t ventana, int pasos, int pasoMs) {
  for (int i = 0; i < pasos; ++i) {
    tools::testing::xdotool({QStringLiteral("windowmove"), QString::number(ventana),
                             QString::number(150 + (i % 40) * 10), QStringLiteral("150")});
    QThread::msleep(pasoMs);
  }
}

class RecorderX11 : public tools::testing::X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    ASSERT_TRUE(dir_.isValid());
    moveTo({1900, 1060});
  }
  SesionDeGrabacion::Config config(const char* nombre, FuenteDeCuadros fuente, int ancho,
                                   int alto) {
    return {.fuente = fuente,
            .ancho = ancho,
            .alto = alto,
            .fps = 30,
            .cursor = false,
            .ruta = dir_.filePath(QString::fromLatin1(nombre)).toStdString()};
  }
  QTemporaryDir dir_;
};

TEST_F(RecorderX11, OnlyChangedFramesAreWrittenEachAtItsTimeAndAStillScreenGivesNothing) {
  windows_.show({background(11), plainWindow(QRect(150, 150, 300, 200), 12)});
  SesionDeGrabacion sesion(config("mueve.mp4", AreaDeRaiz{100, 100, 1000, 600}, 1000, 600));
  SesionDeGrabacion::Falla falla;
  // Times on the test's clock: the video's starts somewhere within the start-up.
  QElapsedTimer reloj;
  reloj.start();
  ASSERT_TRUE(sesion.arrancar(&falla)) << falla.detalle;
  const double arranque = double(reloj.elapsed()) / 1000.0;
  QThread::msleep(300);
  mover(windows_[1].id(), 20, 60);  // 20 moves in 1.2 s, or more under load
  const double ultimoCambio = double(reloj.elapsed()) / 1000.0 - 0.06;
  QThread::msleep(1000);  // then still
  const double alTerminar = double(reloj.elapsed()) / 1000.0;
  const auto r = sesion.terminar();
  ASSERT_TRUE(r.archivo);
  // The first frame and one per move (a move may land between two slots).
  EXPECT_GE(r.cuadros, 15);
  EXPECT_LE(r.cuadros, 24);
  const auto paquetes = paquetesDeVideo(QString::fromStdString(sesion.ruta()));
  ASSERT_FALSE(paquetes.empty());
  // The last frame is the last change's; the still second after it wrote nothing, yet it
  // counts in the length.
  EXPECT_GT(paquetes.back(), ultimoCambio - arranque - 0.1);
  EXPECT_LT(paquetes.back(), ultimoCambio + 0.35);
  EXPECT_GT(r.duracionUs / 1e6, alTerminar - arranque - 0.1);

  // Nothing changes at all and nothing is heard: no file, and it says so. (The moved window
  // has finished redrawing first.)
  QThread::msleep(500);
  SesionDeGrabacion quieta(config("quieta.mp4", AreaDeRaiz{100, 100, 400, 300}, 400, 300));
  ASSERT_TRUE(quieta.arrancar(&falla));
  QThread::msleep(600);
  const auto nada = quieta.terminar();
  EXPECT_FALSE(nada.archivo);
  ASSERT_TRUE(nada.falla);
  EXPECT_EQ(nada.falla->tipo, SesionDeGrabacion::Falla::Tipo::vacia);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(quieta.ruta())));
}

TEST_F(RecorderX11, AWindowIsFollowedAndItsEndStopsTheRecordingKeepingWhatWasRecorded) {
  windows_.show({background(41), plainWindow(QRect(200, 200, 401, 301), 42)});
  const uint32_t id = windows_[1].id();
  SesionDeGrabacion sesion(config("ventana.mp4", VentanaDeRaiz{id}, 400, 300));
  std::atomic<int> interrupciones{0};
  sesion.alInterrumpirse = [&] { ++interrupciones; };
  SesionDeGrabacion::Falla falla;
  ASSERT_TRUE(sesion.arrancar(&falla)) << falla.detalle;
  mover(id, 6, 100);
  windows_.close(1);
  for (int i = 0; i < 300 && interrupciones == 0; ++i) QThread::msleep(10);
  EXPECT_EQ(interrupciones, 1);
  const auto r = sesion.terminar();
  ASSERT_TRUE(r.falla);
  EXPECT_EQ(r.falla->tipo, SesionDeGrabacion::Falla::Tipo::ventana);
  EXPECT_TRUE(r.archivo);
  EXPECT_NE(sondear(QString::fromStdString(sesion.ruta())).video(), nullptr);
  // (A window that is not there: the stream's test, and the shell's recorder's below.)
}

TEST_F(RecorderX11, AFullDiskStopsTheRecordingWithItsReason) {
  windows_.show({background(51), plainWindow(QRect(150, 150, 300, 200), 52)});
  SesionDeGrabacion sesion(config("lleno.mp4", AreaDeRaiz{0, 0, 1280, 720}, 1280, 720));
  std::atomic<int> interrupciones{0};
  sesion.alInterrumpirse = [&] { ++interrupciones; };
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit antes{};
  getrlimit(RLIMIT_FSIZE, &antes);
  rlimit limite = antes;
  limite.rlim_cur = 40 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limite), 0);
  SesionDeGrabacion::Falla falla;
  const bool arranco = sesion.arrancar(&falla);
  mover(windows_[1].id(), 60, 30);
  for (int i = 0; i < 300 && interrupciones == 0; ++i) QThread::msleep(10);
  const auto r = sesion.terminar();
  setrlimit(RLIMIT_FSIZE, &antes);
  std::signal(SIGXFSZ, SIG_DFL);
  ASSERT_TRUE(arranco) << falla.detalle;
  EXPECT_EQ(interrupciones, 1);
  ASSERT_TRUE(r.falla);
  EXPECT_EQ(r.falla->tipo, SesionDeGrabacion::Falla::Tipo::escritura);
  // Whatever stays is a file ffprobe reads; else nothing stays.
  const QString ruta = QString::fromStdString(sesion.ruta());
  EXPECT_TRUE(!QFile::exists(ruta) || sondear(ruta).leido);
}

// Loudness (RMS) of the tone in the file, over its loudest 100 ms.
double volumen(const std::vector<float>& s) {
  double mejor = 0;
  for (std::size_t i = 0; i + 4800 < s.size(); i += 2400) {
    double e = 0;
    for (int j = 0; j < 4800; ++j) e += s[i + j] * s[i + j];
    mejor = std::max(mejor, std::sqrt(e / 4800));
  }
  return mejor;
}

TEST_F(RecorderX11, SoundFromTheSystemAndTheMicrophoneIsSummedInPlace) {
  windows_.show({background(61), plainWindow(QRect(150, 150, 300, 200), 62)});
  const QString wav = dir_.filePath(QStringLiteral("tono.wav"));
  ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"),
                              palabras("-v error -f lavfi -i sine=frequency=10:duration=0.8:"
                                       "sample_rate=48000 -af volume=2.4 -ac 2")
                                  << wav),
            0);
  QProcess::execute(QStringLiteral("paplay"), {wav});  // the sink wakes up
  double uno = 0, ambos = 0;
  for (const bool microfono : {false, true}) {
    auto c =
        config(microfono ? "ambos.mp4" : "sistema.mp4", AreaDeRaiz{100, 100, 640, 480}, 640, 480);
    c.sistema = true;
    c.microfono = microfono;
    SesionDeGrabacion sesion(c);
    SesionDeGrabacion::Falla falla;
    ASSERT_TRUE(sesion.arrancar(&falla));
    // The session's null sink hands its monitor's sound over late and unevenly for the first
    // second or two of a capture: the tone comes once that has settled.
    mover(windows_[1].id(), 75, 40);
    QProcess tono;
    tono.start(QStringLiteral("paplay"), {wav});
    // On a busy machine the microphone's copy of the tone can come a second late.
    mover(windows_[1].id(), 62, 40);
    ASSERT_TRUE(tono.waitForFinished());
    ASSERT_TRUE(sesion.terminar().archivo);
    (microfono ? ambos : uno) = volumen(sonido(QString::fromStdString(sesion.ruta())));
  }
  // The tone peaks at 0.3: a sine's RMS is 0.21.
  EXPECT_NEAR(uno, 0.21, 0.05) << "the tone is in the file";
  // The microphone hears the same sink: together they are louder, twice when the two captures
  // line up to the sample. Each places its sound by its own latency estimate, and on a loaded
  // machine the two estimates drift a dozen milliseconds apart. Against a 10 Hz tone that costs
  // little: 1.3 still holds with the copies 29 ms apart, while a copy left out or placed a
  // tone's length away leaves the ratio at 1.
  EXPECT_GT(ambos / uno, 1.3);
  EXPECT_LT(ambos / uno, 2.1);
}

TEST_F(RecorderX11, TheShellsRecorderFollowsTheSizeRuleAndSaysWhatWentWrong) {
  windows_.show({background(71), plainWindow(QRect(150, 150, 300, 200), 72)});
  QStringList avisos;
  GrabadoraDePantalla::Servicios servicios;
  servicios.carpeta = dir_.path();
  servicios.avisar = [&](const QString& t, const QString&) { avisos << t; };
  GrabadoraDePantalla grabadora(servicios);
  const QString pantalla = QGuiApplication::primaryScreen()->name();
  AjustesDeGrabacion ajustes;
  ajustes.audio = FuenteDeAudio::ambos;  // with no sound server to hear
  ajustes.muestraCursor = false;

  std::optional<std::optional<QString>> empezo;
  const QByteArray servidorDeSonido = qgetenv("PULSE_SERVER");
  qputenv("PULSE_SERVER", "unix:/nonexistent/pulse-socket");
  grabadora.start(ObjetivoArea{QRect(100, 100, 1001, 601), pantalla}, ajustes,
                  [&](std::optional<QString> e) { empezo = e; });
  QTRY_VERIFY_WITH_TIMEOUT(empezo.has_value(), 5000);
  qputenv("PULSE_SERVER", servidorDeSonido);
  ASSERT_FALSE(*empezo) << empezo->value().toStdString();
  // It goes on without sound, and says so once, in the user's language.
  EXPECT_EQ(avisos, QStringList{QStringLiteral("Se graba sin sonido")});
  mover(windows_[1].id(), 10, 50);
  std::optional<GrabacionTerminada> fin;
  grabadora.stop([&](const GrabacionTerminada& t) { fin = t; });
  QTRY_VERIFY_WITH_TIMEOUT(fin.has_value(), 10000);
  ASSERT_FALSE(fin->archivo.isEmpty()) << fin->error.toStdString();
  const auto m = sondear(fin->archivo);
  ASSERT_NE(m.video(), nullptr);
  EXPECT_EQ(m.video()->ancho, 1000);
  EXPECT_EQ(m.video()->alto, 600);
  EXPECT_EQ(m.audio(), nullptr);

  // A window that is gone.
  std::optional<std::optional<QString>> error;
  grabadora.start(ObjetivoVentana{0x7ffffff0u}, ajustes,
                  [&](std::optional<QString> e) { error = e; });
  QTRY_VERIFY_WITH_TIMEOUT(error.has_value(), 5000);
  ASSERT_TRUE(error->has_value());
  EXPECT_EQ(error->value(), QStringLiteral("Esa ventana ya no está en pantalla"));
}

TEST_F(RecorderX11, CorvalinRecordFromAScript) {
  windows_.show({background(81), plainWindow(QRect(150, 150, 300, 200), 82)});
  const QString salida = dir_.filePath(QStringLiteral("script.mp4"));
  QProcess grabar;
  // Half of 643×483 is 321.5×241.5: whole even pixels, 320×240. It records until SIGINT.
  grabar.start(QStringLiteral(CORVALIN_RECORD),
               palabras("--area 100,100,643,483 --fps 15 --scale 0.5 --audio none") << salida);
  ASSERT_TRUE(grabar.waitForStarted());
  QThread::msleep(300);
  mover(windows_[1].id(), 15, 60);
  kill(static_cast<pid_t>(grabar.processId()), SIGINT);
  ASSERT_TRUE(grabar.waitForFinished(15000));
  EXPECT_EQ(grabar.exitCode(), 0) << grabar.readAllStandardError().toStdString();
  const auto m = sondear(salida);
  ASSERT_NE(m.video(), nullptr);
  EXPECT_EQ(m.video()->ancho, 320);
  EXPECT_EQ(m.video()->alto, 240);

  // Failures: one line, a non-zero code, no file.
  const QString nada = dir_.filePath(QStringLiteral("x.mp4"));
  grabar.start(QStringLiteral(CORVALIN_RECORD), palabras("--window 0x7ffffff0") << nada);
  ASSERT_TRUE(grabar.waitForFinished(15000));
  EXPECT_EQ(grabar.exitCode(), 1);
  EXPECT_FALSE(QFile::exists(nada));
}

}  // namespace
}  // namespace corvalin
