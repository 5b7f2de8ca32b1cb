// How long the review window takes from being asked for to showing a recording's first frame:
// the file opened, the decoder started, the first picture in the player. Takes a recording
// (or makes a 60 s 1080p one with ffmpeg), lets the player warm up as the shell does while a
// recording runs (not with `cold`), opens the window RUNS times, prints each time and the
// median. Run inside scripts/test-session.
//   bench_review_open [FILE.mp4|""] [RUNS] [cold]
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "recording/windows/review_window.h"

using namespace corvalin;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QString archivo = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  const int veces = argc > 2 ? std::max(1, atoi(argv[2])) : 7;
  if (archivo.isEmpty()) {
    archivo = QStringLiteral("/tmp/corvalin-review-60s.mp4");
    if (!QFile::exists(archivo)) {
      std::fprintf(stderr, "making a 60 s 1080p recording with ffmpeg…\n");
      const int r = QProcess::execute(
          QStringLiteral("ffmpeg"),
          {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
           QStringLiteral("lavfi"), QStringLiteral("-i"),
           QStringLiteral("testsrc2=size=1920x1080:rate=30"), QStringLiteral("-t"),
           QStringLiteral("60"), QStringLiteral("-c:v"), QStringLiteral("libx264"),
           QStringLiteral("-preset"), QStringLiteral("superfast"), QStringLiteral("-profile:v"),
           QStringLiteral("high"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
           QStringLiteral("-movflags"), QStringLiteral("+faststart"), archivo});
      if (r != 0) {
        std::fprintf(stderr, "bench_review_open: ffmpeg failed\n");
        return 1;
      }
    }
  }
  if (!(argc > 3 && QByteArray(argv[3]) == "cold")) {
    precalentarReproduccion();
    QEventLoop espera;
    QTimer::singleShot(2000, &espera, &QEventLoop::quit);
    espera.exec();
  }
  std::vector<double> ms;
  for (int i = 0; i < veces; ++i) {
    QElapsedTimer reloj;
    reloj.start();
    ServiciosDeRevision servicios;
    servicios.carpeta = [] { return QString(); };
    auto ventana = crearVentanaDeVideo(archivo, QSize(1920, 1080), std::move(servicios));
    QWidget* w = ventanaDeRevision();
    auto* video = w->findChild<QVideoWidget*>();
    QEventLoop espera;
    bool visto = false;
    QObject::connect(video->videoSink(), &QVideoSink::videoFrameChanged, &espera,
                     [&](const QVideoFrame& f) {
                       if (!visto && f.isValid()) {
                         visto = true;
                         ms.push_back(static_cast<double>(reloj.nsecsElapsed()) / 1e6);
                         espera.quit();
                       }
                     });
    QTimer::singleShot(10000, &espera, &QEventLoop::quit);
    ventana->mostrar();
    if (!visto) espera.exec();
    if (!visto) {
      std::fprintf(stderr, "bench_review_open: no frame within 10 s\n");
      return 1;
    }
    std::printf("run %d: %.1f ms\n", i + 1, ms.back());
    // Closed and let go, as the shell does when the next recording arrives (without a save
    // folder the file stays where it is).
    ventana->cerrar();
    ventana.reset();
  }
  std::vector<double> orden = ms;
  std::sort(orden.begin(), orden.end());
  std::printf("review window, first frame of %s: median %.1f ms (min %.1f, max %.1f)\n",
              qPrintable(archivo), orden[orden.size() / 2], orden.front(), orden.back());
  return 0;
}
