// Still captures through Corvalin's screenshot tool: the tool runs as its own process, writes
// a PNG into a temporary file and exits; the picture is handed over as soon as the file is
// complete, without waiting for the tool to exit, and the file is deleted when it does.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

#include "capture/capture_service.h"

namespace corvalin {

class ServicioDeCaptura final : public CaptureService {
 public:
  struct Configuracion {
    QString herramienta;      // path of corvalin-screenshot (or a stand-in in tests)
    QString carpetaTemporal;  // where the temporary PNG goes; empty: carpetaPrivada()
    std::chrono::milliseconds intervalo{40};  // how often the file is looked at
  };

  explicit ServicioDeCaptura(Configuracion config);

  // `area`, `window` or `fullscreen`; other modes do nothing. The completion runs on the main
  // thread once, with the picture or with a null image (cancelled, unreadable); it does not
  // run at all when the tool cannot be started, which `alFallarElLanzamiento` reports.
  void capture(CaptureMode mode, std::function<void(QImage)> completion) override;

  std::function<void(const QString& herramienta)> alFallarElLanzamiento;

  // The tool's arguments for a mode, ending with the output path.
  static QStringList argumentos(CaptureMode mode, const QString& path);

  // Reads a PNG file. With `soloCompleta`, only a file that decodes whole and ends with the
  // IEND chunk counts: that is how a finished file is told from one still being written.
  static std::optional<QImage> loadPixelAccurate(const QString& path, bool soloCompleta);

 private:
  Configuracion config_;
};

// The screenshot tool installed beside the running executable.
QString herramientaDeCapturaInstalada();

}  // namespace corvalin
