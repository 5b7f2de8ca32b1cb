// What the recording hears, against the test session's PulseAudio: a tone played into the null
// sink reaches the system-audio capture (its monitor) and the microphone (the session's source
// remapped from it), stamped no earlier than it was played and never later than it arrived.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <mutex>

#include "media_probe.h"
#include "platform/screen_stream.h"
#include "recording/pulse_audio.h"

namespace corvalin {
namespace {

constexpr int64_t usDe(int64_t frames) {
  return frames * 1'000'000 / 48000;
}

struct Oido {
  std::mutex m;
  std::vector<float> izquierda;
  int64_t inicioUs = -1, siguienteUs = -1;
  int atras = 0;    // pieces stamped before the end of the one before
  int futuros = 0;  // pieces stamped later than they arrived
  CapturaDeAudio::AlSonido alSonido() {
    return [this](const float* s, int frames, int64_t pts) {
      const int64_t llegada = relojMonotonoUs();
      std::lock_guard l(m);
      if (pts + usDe(frames) > llegada + 2000) ++futuros;
      if (inicioUs < 0) inicioUs = pts;
      // The count may start again later (the server skipped) but never earlier.
      if (siguienteUs >= 0 && pts < siguienteUs - 2) ++atras;
      siguienteUs = pts + usDe(frames);
      const int64_t desde = (pts - inicioUs) * 48000 / 1'000'000;
      if (static_cast<int64_t>(izquierda.size()) < desde + frames)
        izquierda.resize(static_cast<std::size_t>(desde + frames), 0.f);
      for (int i = 0; i < frames; ++i) izquierda[desde + i] = s[2 * i];
    };
  }
  // When the tone began, on the monotonic clock; -1 when it never did.
  int64_t comienzo() {
    std::lock_guard l(m);
    const int i = testing::comienzoDelTono(izquierda);
    return i < 0 ? -1 : inicioUs + usDe(i);
  }
};

TEST(PulseAudioCapture, AToneIsHeardFromTheSystemAndTheMicrophoneAtTheTimeItPlayed) {
  QTemporaryDir dir;
  const QString wav = dir.filePath(QStringLiteral("tono.wav"));  // 0.4 s of 1 kHz, stereo
  ASSERT_EQ(
      QProcess::execute(QStringLiteral("ffmpeg"),
                        QStringLiteral("-v error -f lavfi -i sine=frequency=1000:duration=0.4:"
                                       "sample_rate=48000 -af volume=4 -ac 2 ")
                                .split(QLatin1Char(' '), Qt::SkipEmptyParts)
                            << wav),
      0);
  // The sink wakes from its idle state the first time something plays.
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
    // How long the session's null sink holds the sound back is its own affair.
    EXPECT_GE(comienzo, tocado - 30'000);
    EXPECT_EQ(oido.futuros, 0);
    EXPECT_EQ(oido.atras, 0);
  }
}

}  // namespace
}  // namespace corvalin
