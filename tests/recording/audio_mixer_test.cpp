// The mixer: formats read as 48 kHz stereo float, late and far-off buffers. (Two sources added:
// RecorderX11.SoundFromTheSystemAndTheMicrophoneIsSummedInPlace.)
#include <gtest/gtest.h>

#include "recording/audio_mixer.h"

namespace corvalin {
namespace {

struct Escrito {
  std::vector<float> muestras;
  MezcladorDeAudio::Escritor escritor() {
    return [this](const float* s, int frames, int64_t) {
      muestras.insert(muestras.end(), s, s + 2 * frames);
    };
  }
  int frames() const { return static_cast<int>(muestras.size() / 2); }
};

PcmView estereo(const std::vector<float>& v, int tasa = 48000) {
  return PcmView{v.data(), 2, static_cast<int>(v.size() / 2), tasa, true, true};
}

TEST(AudioMixer, ReadsIntegerMonoPlanarAndOtherRates) {
  const std::vector<int16_t> mono(10, 16384);
  EXPECT_EQ(MezcladorDeAudio::leer({mono.data(), 1, 10, 48000, false, true}),
            std::vector<float>(20, 0.5f));

  // Two planes: left then right.
  const std::vector<float> planos{0.1f, 0.2f, 0.3f, -0.1f, -0.2f, -0.3f};
  EXPECT_EQ(MezcladorDeAudio::leer({planos.data(), 2, 3, 48000, true, false}),
            (std::vector<float>{0.1f, -0.1f, 0.2f, -0.2f, 0.3f, -0.3f}));

  std::vector<float> rampa(441 * 2);
  for (int i = 0; i < 441; ++i) rampa[2 * i] = rampa[2 * i + 1] = i / 441.0f;
  const std::vector<float> r = MezcladorDeAudio::leer(estereo(rampa, 44100));
  ASSERT_EQ(r.size(), 480u * 2);
  // Interpolated along the ramp: frame 240 of 480 is halfway.
  EXPECT_NEAR(r[2 * 240], 220.5f / 441.0f, 1e-3);
  EXPECT_TRUE(MezcladorDeAudio::leer({nullptr, 2, 10, 48000, true, true}).empty());
}

TEST(AudioMixer, LateBuffersKeepTheirUnwrittenPartAndFarOnesAreDropped) {
  MezcladorDeAudio m;
  Escrito e;
  m.agregar(estereo(std::vector<float>(24000 * 2, 0.25f)), 0);
  m.vaciar(e.escritor(), true);  // half a second written
  ASSERT_EQ(e.frames(), 24000);
  // A buffer from 0.4 s to 0.6 s: only its last 0.1 s is still to be written.
  m.agregar(estereo(std::vector<float>(9600 * 2, 0.5f)), 400'000);
  m.vaciar(e.escritor(), true);
  EXPECT_EQ(e.frames(), 24000 + 4800);
  EXPECT_FLOAT_EQ(e.muestras.back(), 0.5f);
  // Wholly in the past: nothing.
  m.agregar(estereo(std::vector<float>(480 * 2, 0.9f)), 100'000);
  m.vaciar(e.escritor(), true);
  EXPECT_EQ(e.frames(), 24000 + 4800);
  // 61 s beyond what is pending: dropped; 59 s: kept.
  m.agregar(estereo(std::vector<float>(480 * 2, 0.9f)), 600'000 + 61'000'000);
  m.agregar(estereo(std::vector<float>(480 * 2, 0.9f)), 600'000 + 59'000'000);
  m.vaciar(e.escritor(), true);
  EXPECT_EQ(e.frames(), 24000 + 4800 + 59 * 48000 + 480);
}

}  // namespace
}  // namespace corvalin
