// Uploads one file to the test session's S3 gateway with Corvalin's sender and prints how long
// the transfer took and the process's resident memory before and at its peak during it.
//   corvalin_subir_archivo FILE BUCKET KEY
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "upload/s3_uploader.h"

namespace {

int64_t campoKb(const char* nombre) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& linea : status.readAll().split('\n')) {
    if (linea.startsWith(nombre)) {
      return linea.mid(qsizetype(strlen(nombre))).trimmed().split(' ').first().toLongLong();
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: corvalin_subir_archivo FILE BUCKET KEY\n");
    return 2;
  }
  using namespace corvalin;
  const QString ruta = QString::fromLocal8Bit(argv[1]);
  S3Config c;
  c.endpoint = qEnvironmentVariable("CORVALIN_S3_ENDPOINT");
  c.accessKey = qEnvironmentVariable("CORVALIN_S3_ACCESS_KEY");
  c.secretKey = qEnvironmentVariable("CORVALIN_S3_SECRET_KEY");
  c.region = QStringLiteral("us-east-1");
  c.bucket = QString::fromLocal8Bit(argv[2]);
  c.pathStyle = true;

  const int64_t antesKb = campoKb("VmRSS:");
  // Resets the peak, so that VmHWM below is the peak of the transfer alone.
  if (QFile clear(QStringLiteral("/proc/self/clear_refs")); clear.open(QIODevice::WriteOnly)) {
    clear.write("5");
  }
  QElapsedTimer reloj;
  reloj.start();
  int estado = 1;
  S3Uploader::send(Cuerpo::archivo(ruta, QFileInfo(ruta).size()), QString::fromLocal8Bit(argv[3]),
                   QStringLiteral("video/mp4"), c, false, {}, Enviador::puente(),
                   [&estado](const Resultado<UploadResult>& r) {
                     if (const auto* e = std::get_if<ErrorDeSubida>(&r)) {
                       std::fprintf(stderr, "%s\n", e->descripcion().toUtf8().constData());
                     } else {
                       estado = 0;
                     }
                     QMetaObject::invokeMethod(qApp, [] { QCoreApplication::quit(); });
                   });
  app.exec();
  const double segundos = double(reloj.nsecsElapsed()) / 1e9;
  std::printf("seconds=%.3f rss_before_kb=%lld rss_peak_kb=%lld\n", segundos,
              static_cast<long long>(antesKb), static_cast<long long>(campoKb("VmHWM:")));
  return estado;
}
