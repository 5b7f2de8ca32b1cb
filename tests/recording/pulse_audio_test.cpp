// What the recording hears, against the test session's PulseAudio: a tone played into the
// null sink reaches the system-audio capture (its monitor) and the microphone (the session's
// source remapped from it), at the time it was played; without a server, a clear refusal.
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

// A 16-bit stereo WAV of a 1 kHz tone.
QByteArray tono(double segundos) {
  const int frames = static_cast<int>(48000 * segundos);
  QByteArray wav;
  auto u32 = [&](uint32_t v) { wav.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { wav.append(reinterpret_cast<const char*>(&v), 2); };
  wav.append("RIFF");
  u32(36 + frames * 4);
  wav.append("WAVEfmt ");
  u32(16), u16(1), u16(2), u32(48000), u32(48000 * 4), u16(4), u16(16);
  wav.append("data");
  u32(frames * 4);
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(16000 * std::sin(2 * M_PI * 1000.0 * i / 48000.0));
    u16(static_cast<uint16_t>(v)), u16(static_cast<uint16_t>(v));
  }
  return wav;
}

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
  const QString wav = dir.filePath(QStringLiteral("tono.wav"));
  {
    QFile f(wav);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(tono(0.4));
  }
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

TEST(PulseAudioCapture, WithoutAServerItSaysWhy) {
  const QByteArray antes = qgetenv("PULSE_SERVER");
  qputenv("PULSE_SERVER", "unix:/nonexistent/pulse-socket");
  std::string error;
  auto captura = CapturaDeAudio::abrir(CapturaDeAudio::Origen::sistema, {}, &error);
  if (antes.isEmpty()) {
    qunsetenv("PULSE_SERVER");
  } else {
    qputenv("PULSE_SERVER", antes);
  }
  EXPECT_EQ(captura, nullptr);
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace corvalin
