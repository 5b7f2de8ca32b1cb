// The MP4 writer, checked with ffprobe and ffmpeg: the video's profile, the sound
// in its place against the picture, a file it can't write. (Frames at their own times and
// scaled to the video's size: the recorder's tests.)
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>

#include "media_probe.h"
#include "recording/mp4_writer.h"

namespace corvalin {
namespace {

using testing::sondear;
using testing::sonido;

// A grey ramp moved along by `paso`, so that every frame differs.
std::vector<uint8_t> cuadro(int ancho, int alto, int paso) {
  std::vector<uint8_t> px(static_cast<std::size_t>(ancho) * alto * 4);
  for (std::size_t i = 0; i < px.size(); ++i)
    px[i] = static_cast<uint8_t>(i / 4 % ancho + i / 4 / ancho + paso * 7);
  return px;
}

TEST(Mp4Writer, TheSoundLandsWhereItWasHeardAgainstThePicture) {
  QTemporaryDir dir;
  const std::string ruta = dir.filePath(QStringLiteral("a.mp4")).toStdString();
  EscritorMp4::Error error;
  auto w = EscritorMp4::abrir(ruta, {320, 200, 30, true}, &error);
  ASSERT_TRUE(w) << error.detalle;
  const int64_t t0 = 2'000'000;
  for (int i = 0; i < 60; ++i) {
    const auto px = cuadro(320, 200, i);
    ASSERT_TRUE(w->video(px.data(), 320, 200, 320 * 4, t0 + i * 33'333));
  }
  // Silence from before the picture (left out), then a beep 0.8 s into the file, in pieces
  // of 10 ms as a sound server delivers them.
  std::vector<float> pieza(480 * 2);
  for (int k = -20; k < 200; ++k) {
    const int64_t t = t0 + k * 10'000;
    for (int i = 0; i < 480; ++i) {
      const int64_t muestra = (k * 480 + i);
      const bool pitido = muestra >= 80 * 480 && muestra < 120 * 480;
      const float v = pitido ? 0.5f * std::sin(2 * M_PI * 1000.0 * muestra / 48000.0) : 0.f;
      pieza[2 * i] = pieza[2 * i + 1] = v;
    }
    ASSERT_TRUE(w->audio(pieza.data(), 480, t));
  }
  ASSERT_TRUE(w->terminar(&error)) << error.detalle;

  const auto m = sondear(QString::fromStdString(ruta));
  ASSERT_NE(m.video(), nullptr);
  EXPECT_EQ(m.video()->perfil, QStringLiteral("High"));
  EXPECT_EQ(m.video()->paquetes, 60);
  ASSERT_NE(m.audio(), nullptr);
  EXPECT_EQ(m.audio()->codec, QStringLiteral("aac"));
  const std::vector<float> s = sonido(QString::fromStdString(ruta));
  ASSERT_GT(s.size(), 48000u);
  const int inicio = testing::comienzoDelTono(s);
  ASSERT_GE(inicio, 0);
  const double segundos = m.audio()->inicio + inicio / 48000.0;
  EXPECT_NEAR(segundos, 0.8, 0.02);
}

TEST(Mp4Writer, AFolderThatIsGoneIsSaid) {
  EscritorMp4::Error error;
  EXPECT_FALSE(EscritorMp4::abrir("/nonexistent-folder/x.mp4", {320, 200, 30, false}, &error));
  EXPECT_EQ(error.falla, EscritorMp4::Falla::archivo);
  // A disk that fills up: RecorderX11.AFullDiskStopsTheRecordingWithItsReason.
}

}  // namespace
}  // namespace corvalin
