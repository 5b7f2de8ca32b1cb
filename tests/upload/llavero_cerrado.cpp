// Uses the keychain against a keyring the caller locked: the cloud account id in it is neither
// replaced nor sent, the bucket's keys in it count as set up but an upload says the keyring is
// locked, and a secret set meanwhile is kept in the private file.
// Exits 0 when all holds; prints which check failed otherwise, never a secret.
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "core/settings.h"
#include "core/texts.h"
#include "upload/keychain.h"
#include "upload/nube_uploader.h"
#include "upload/s3_uploader.h"

using namespace corvalin;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int avisos = 0;
  QString titulo;
  Keychain::alGuardarSinLlavero([&](const QString& t, const QString&) {
    ++avisos;
    titulo = t;
  });
  if (!Keychain::bloqueada(QStringLiteral("nubeCuenta"))) {
    std::puts("the locked account id was not seen");
    return 1;
  }
  const ConfigDeNube config = configDeNube(Settings::shared());
  if (!config.cuenta.isEmpty() || !config.llaveroBloqueado) {
    std::puts("an account id was used or made while the keyring was locked");
    return 2;
  }
  QString problema;
  NubeUploader::estado(config, 1, [&](const Resultado<EstadoDeNube>& r) {
    if (const auto* e = std::get_if<ErrorDeSubida>(&r)) problema = e->descripcion();
  });
  if (problema != L("Tu llavero está cerrado: ábrelo para usar tu cuenta de la nube de Corvalin")) {
    std::printf("the user read: %s\n", qPrintable(problema));
    return 3;
  }
  // The bucket's keys, as the shell reads them.
  Settings::shared().ponerLectorDeSecretos(Keychain::leer);
  const S3Config s3 = Settings::shared().s3();
  if (!Settings::shared().isConfigured() || !s3.llaveroBloqueado || !s3.accessKey.isEmpty()) {
    std::puts("locked bucket keys were taken for missing ones, or read");
    return 6;
  }
  problema.clear();
  S3Uploader::send(Cuerpo::datos("x"), QStringLiteral("a.png"), QStringLiteral("image/png"), s3,
                   false, {}, Enviador::puente(), [&](const Resultado<UploadResult>& r) {
                     if (const auto* e = std::get_if<ErrorDeSubida>(&r)) {
                       problema = e->descripcion();
                     }
                   });
  if (problema != L("Tu llavero está cerrado: ábrelo para subir a tu bucket")) {
    std::printf("an upload to the bucket told the user: %s\n", qPrintable(problema));
    return 7;
  }
  Keychain::set(QStringLiteral("nueva"), QStringLiteral("secretKey"));
  if (Keychain::get(QStringLiteral("secretKey")) != QLatin1String("nueva")) {
    std::puts("a secret set while the keyring was locked was lost");
    return 4;
  }
  QTimer::singleShot(100, &app, &QCoreApplication::quit);
  app.exec();
  if (avisos != 1 || titulo != L("Tu llavero está cerrado")) {
    std::printf("the user was told %d times: %s\n", avisos, qPrintable(titulo));
    return 5;
  }
  return 0;
}
