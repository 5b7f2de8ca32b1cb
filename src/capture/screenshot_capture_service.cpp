#include "capture/screenshot_capture_service.h"

#include <spawn.h>
#include <sys/wait.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QUuid>
#include <memory>
#include <thread>
#include <vector>

#include "platform/main_thread.h"
#include "platform/private_folder.h"
#include "platform/serial_queue.h"

extern char** environ;

namespace corvalin {
namespace {

// One serial queue for every capture's watcher and exit handler, for the life of the process:
// watchers may still be running when whoever asked for the capture is gone.
SerialQueue& cola() {
  static SerialQueue* queue = new SerialQueue("corvalin.captura");
  return *queue;
}

// One capture in flight. Touched only on the queue.
struct Entrega {
  std::function<void(QImage)> completion;
  QString path;
  bool yaSalio = false;
  bool vigilando = true;  // the 40 ms watcher is still wanted

  void dar(QImage image) {
    if (yaSalio) return;
    yaSalio = true;
    enMain([completion = std::move(completion), image = std::move(image)] { completion(image); });
  }
};

void vigilar(const std::shared_ptr<Entrega>& entrega, std::chrono::milliseconds intervalo) {
  cola().asyncAfter(intervalo, [entrega, intervalo] {
    if (!entrega->vigilando) return;
    if (std::optional<QImage> image = ServicioDeCaptura::loadPixelAccurate(entrega->path, true)) {
      entrega->vigilando = false;
      entrega->dar(std::move(*image));
      return;
    }
    vigilar(entrega, intervalo);
  });
}

// Starts the tool; its pid, or nothing when it cannot be started.
std::optional<pid_t> lanzar(const QString& program, const QStringList& args) {
  std::vector<QByteArray> storage;
  storage.push_back(QFile::encodeName(program));
  for (const QString& a : args) storage.push_back(QFile::encodeName(a));
  std::vector<char*> argv;
  for (QByteArray& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return std::nullopt;
  return pid;
}

}  // namespace

QString herramientaDeCapturaInstalada() {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/corvalin-screenshot");
}

ServicioDeCaptura::ServicioDeCaptura(Configuracion config) : config_(std::move(config)) {}

QStringList ServicioDeCaptura::argumentos(CaptureMode mode, const QString& path) {
  QStringList args{QStringLiteral("-x")};
  if (mode == CaptureMode::area) args << QStringLiteral("-i");
  if (mode == CaptureMode::window)
    args << QStringLiteral("-i") << QStringLiteral("-W") << QStringLiteral("-o");
  args << path;
  return args;
}

std::optional<QImage> ServicioDeCaptura::loadPixelAccurate(const QString& path, bool soloCompleta) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray data = file.readAll();
  if (data.isEmpty()) return std::nullopt;
  if (soloCompleta) {
    // An empty IEND chunk: length 0, type "IEND", then its CRC.
    static const QByteArray iend("\0\0\0\0IEND", 8);
    if (data.size() < 12 || data.right(12).left(8) != iend) return std::nullopt;
  }
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  // Only the PNG reader: a file of some other format ending like one is not a capture.
  QImageReader reader(&buffer, "png");
  reader.setAutoTransform(false);
  QImage image;
  if (!reader.read(&image) || image.isNull()) return std::nullopt;
  return image;
}

void ServicioDeCaptura::capture(CaptureMode mode, std::function<void(QImage)> completion) {
  if (mode != CaptureMode::area && mode != CaptureMode::window && mode != CaptureMode::fullscreen) {
    return;
  }
  const QString folder =
      config_.carpetaTemporal.isEmpty() ? carpetaPrivada() : config_.carpetaTemporal;
  auto entrega = std::make_shared<Entrega>();
  entrega->completion = std::move(completion);
  entrega->path = folder + QStringLiteral("/corvalin-") +
                  QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
                  QStringLiteral(".png");

  const std::optional<pid_t> pid = lanzar(config_.herramienta, argumentos(mode, entrega->path));
  if (!pid) {
    if (alFallarElLanzamiento) alFallarElLanzamiento(config_.herramienta);
    return;
  }
  vigilar(entrega, config_.intervalo);
  // The exit handler: whatever the watcher did not deliver, the file now holds (or not).
  std::thread([pid = *pid, entrega] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    cola().async([entrega] {
      entrega->vigilando = false;
      if (!entrega->yaSalio) {
        entrega->dar(ServicioDeCaptura::loadPixelAccurate(entrega->path, false).value_or(QImage()));
      }
      QFile::remove(entrega->path);
    });
  }).detach();
}

}  // namespace corvalin
