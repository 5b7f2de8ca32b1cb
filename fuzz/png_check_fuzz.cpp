// The screenshot tool's output file at any moment of its writing, or damaged on the way: the
// check that tells a finished PNG from one still being written, and the picture handed over.
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

#include "capture/screenshot_capture_service.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The picture readers warn about every damaged file; thousands a second are only noise.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("corvalin-captura.png"));
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    if (file.write(bytes) != bytes.size()) return 0;
  }
  // What the watcher sees while the tool runs, and what the exit handler reads once it is gone.
  const std::optional<QImage> completa = corvalin::ServicioDeCaptura::loadPixelAccurate(path, true);
  const std::optional<QImage> alSalir = corvalin::ServicioDeCaptura::loadPixelAccurate(path, false);
  // Whatever is handed over is a picture.
  if (completa && completa->isNull()) __builtin_trap();
  if (alSalir && alSalir->isNull()) __builtin_trap();
  if (completa) {
    // Finished means ending with an empty IEND chunk: its length, its type and then its CRC.
    static const QByteArray iend("\0\0\0\0IEND", 8);
    if (bytes.size() < 12 || bytes.sliced(bytes.size() - 12, 8) != iend) __builtin_trap();
    // The same file gives the same picture whoever reads it.
    if (!alSalir || *alSalir != *completa) __builtin_trap();
  }
  return 0;
}
