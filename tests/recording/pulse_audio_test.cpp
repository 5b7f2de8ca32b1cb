// What the recording hears, against the test session's PulseAudio: a tone played into the
// null sink reaches the system-audio capture (its monitor) and the microphone (the session's
// source remapped from it), at the time it was played. (Without a server: recorder_x11_test.)
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <mutex>

#include "platform/screen_stream.h"
#include "recording/pulse_audio.h"

namespace corvalin {
namespace {

struct Oido {
  std::mutex m;
  std::vector<float> izquierda;
  int64_t inicioUs = -1;
  int64_t siguienteUs = -1;
  int atras = 0;    // pieces stamped before the end of the one before
  int futuros = 0;  // pieces stamped later than they arrived
  CapturaDeAudio::AlSonido alSonido() {
    return [this](const float* s, int frames, int64_t pts) {
      const int64_t llegada = relojMonotonoUs();
      std::lock_guard l(m);
      if (pts + static_cast<int64_t>(frames) * 1'000'000 / 48000 > llegada + 2000) ++futuros;
      if (inicioUs < 0) inicioUs = pts;
      // Pieces follow each other; the count may start again later (the server skipped) but
      // never earlier.
      if (siguienteUs >= 0 && pts < siguienteUs - 2) ++atras;
      siguienteUs = pts + static_cast<int64_t>(frames) * 1'000'000 / 48000;
      const int64_t desde = (pts - inicioUs) * 48000 / 1'000'000;
      if (static_cast<int64_t>(izquierda.size()) < desde + frames)
        izquierda.resize(static_cast<std::size_t>(desde + frames), 0.f);
      for (int i = 0; i < frames; ++i) izquierda[desde + i] = s[2 * i];
    };
  }
  // When the tone began, on the monotonic clock; -1 when it never did.
  int64_t comienzo() {
    std::lock_guard l(m);
    for (std::size_t i = 0; i + 240 < izquierda.size(); i += 48) {
      double e = 0;
      for (int j = 0; j < 240; ++j) e += izquierda[i + j] * izquierda[i + j];
      if (e / 240 > 0.01) return inicioUs + static_cast<int64_t>(i) * 1'000'000 / 48000;
    }
    return -1;
  }
};

bool hayServidor() {
  QProcess pactl;
  pactl.start(QStringLiteral("pactl"), {QStringLiteral("info")});
  return pactl.waitForFinished(5000) && pactl.exitCode() == 0;
}

TEST(PulseAudioCapture, AToneIsHeardFromTheSystemAndTheMicrophoneAtTheTimeItPlayed) {
  if (!hayServidor()) GTEST_SKIP() << "no PulseAudio: run inside scripts/test-session";
  QTemporaryDir dir;
  // 0.4 s of a 1 kHz tone at half scale, in stereo.
  const QString wav = dir.filePath(QStringLiteral("tono.wav"));
  ASSERT_EQ(
      QProcess::execute(QStringLiteral("ffmpeg"),
                        QStringLiteral("-v error -f lavfi -i sine=frequency=1000:duration=0.4:"
                                       "sample_rate=48000 -af volume=4 -ac 2")
                                .split(QLatin1Char(' '))
                            << wav),
      0);
  // The sink wakes from its idle state the first time something plays: play once first.
  ASSERT_EQ(QProcess::execute(QStringLiteral("paplay"), {wav}), 0);
  for (const auto origen : {CapturaDeAudio::Origen::sistema, CapturaDeAudio::Origen::microfono}) {
    SCOPED_TRACE(origen == CapturaDeAudio::Origen::sistema ? "system" : "microphone");
    Oido oido;
    std::string error;
    auto captura = CapturaDeAudio::abrir(origen, oido.alSonido(), &error);
    ASSERT_NE(captura, nullptr) << error;
    QThread::msleep(300);
    const int64_t tocado = relojMonotonoUs();
    ASSERT_EQ(QProcess::execute(QStringLiteral("paplay"), {wav}), 0);
    QThread::msleep(1500);
    captura.reset();
    const int64_t comienzo = oido.comienzo();
    ASSERT_GE(comienzo, 0) << "the tone was not heard";
    // Never before it played, never later than it arrived; time only goes on. (How long the
    // session's null sink holds the sound back is its own affair.)
    EXPECT_GE(comienzo, tocado - 30'000);
    EXPECT_EQ(oido.futuros, 0);
    EXPECT_EQ(oido.atras, 0);
  }
}

}  // namespace
}  // namespace corvalin
