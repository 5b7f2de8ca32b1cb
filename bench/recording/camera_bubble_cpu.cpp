// What the camera bubble costs while a recording runs: the process's CPU time while the bubble
// shows a webcam-like stream (1280×720 YUYV at 30 frames a second, the common USB camera
// mode), against the same process with the bubble shown and no frames. The frames reach the
// bubble's video sink as a camera's would. Run inside scripts/test-session.
//   bench_camera_bubble [SECONDS] [WIDTH HEIGHT]
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QVideoSink>
#include <cstdio>
#include <cstring>
#include <vector>

#include "recording/windows/camera_bubble.h"

using namespace corvalin;

namespace {

double segundosDeCpu() {
  rusage uso{};
  getrusage(RUSAGE_SELF, &uso);
  return double(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
         double(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
}

// Packed YUYV with a bright bar sweeping across, a different picture each frame.
QVideoFrame cuadroYuyv(int ancho, int alto, int n) {
  QVideoFrame f(QVideoFrameFormat(QSize(ancho, alto), QVideoFrameFormat::Format_YUYV));
  f.map(QVideoFrame::WriteOnly);
  for (int y = 0; y < alto; ++y) {
    uchar* fila = f.bits(0) + y * f.bytesPerLine(0);
    for (int x = 0; x < ancho; x += 2) {
      const bool barra = ((x + n * 24) % ancho) < 80;
      fila[x * 2 + 0] = barra ? 235 : uchar(16 + (x + y) % 200);
      fila[x * 2 + 1] = uchar(128 + (y % 64) - 32);
      fila[x * 2 + 2] = barra ? 235 : uchar(16 + (x + 1 + y) % 200);
      fila[x * 2 + 3] = uchar(128 + (x % 64) - 32);
    }
  }
  f.unmap();
  return f;
}

// CPU seconds per wall second while the event loop runs for `segundos`.
double medir(double segundos) {
  const double antes = segundosDeCpu();
  QElapsedTimer reloj;
  reloj.start();
  QEventLoop espera;
  QTimer::singleShot(int(segundos * 1000), &espera, &QEventLoop::quit);
  espera.exec();
  return (segundosDeCpu() - antes) / (double(reloj.elapsed()) / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const double segundos = argc > 1 ? std::atof(argv[1]) : 10.0;
  const int ancho = argc > 3 ? std::atoi(argv[2]) : 1280;
  const int alto = argc > 3 ? std::atoi(argv[3]) : 720;

  BurbujaDeCamara burbuja(QRect(0, 0, 1920, 1080), FormaDeCamara::circulo, nullptr);
  burbuja.show();
  std::vector<QVideoFrame> cuadros;
  for (int i = 0; i < 30; ++i) cuadros.push_back(cuadroYuyv(ancho, alto, i));

  const double quieta = medir(segundos);
  int n = 0;
  QTimer camara;
  camara.setTimerType(Qt::PreciseTimer);
  QObject::connect(&camara, &QTimer::timeout,
                   [&] { burbuja.sink()->setVideoFrame(cuadros[n++ % cuadros.size()]); });
  camara.start(1000 / 30);
  const double viva = medir(segundos);
  camara.stop();
  std::printf(
      "camera bubble, %dx%d YUYV at 30 fps for %.0f s (%d frames): %.1f %% of one core "
      "(bubble without frames: %.1f %%; the frames' share: %.1f %%)\n",
      ancho, alto, segundos, n, viva * 100, quieta * 100, (viva - quieta) * 100);
  return 0;
}
