// Uses the keychain on a bus the caller set up, where the keyring is there but locked, and
// exits 0 when all holds: the cloud account id in it is neither replaced nor sent, the bucket's
// keys in it count as set up but an upload says the keyring is locked, a secret set meanwhile
// is kept in the private file, and the user is told once. With "sin-servicio", where no Secret
// Service answers at all: secrets round-trip through the private file, and the user is told
// once. Otherwise it prints which check failed, never a secret, and exits with its number.
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "core/settings.h"
#include "core/texts.h"
#include "upload/keychain.h"
#include "upload/nube_uploader.h"
#include "upload/s3_uploader.h"

using namespace corvalin;

namespace {

int falla(int codigo, const QString& que) {
  std::puts(qPrintable(que));
  return codigo;
}

int cerrado() {
  const ConfigDeNube config = configDeNube(Settings::shared());
  if (!config.cuenta.isEmpty() || !config.llaveroBloqueado)
    return falla(2, "an account id was used or made while the keyring was locked");
  QString problema;
  NubeUploader::estado(config, 1, [&](const Resultado<EstadoDeNube>& r) {
    if (const auto* e = std::get_if<ErrorDeSubida>(&r)) problema = e->descripcion();
  });
  if (problema != L("Tu llavero está cerrado: ábrelo para usar tu cuenta de la nube de Corvalin"))
    return falla(3, "the user read: " + problema);
  // The bucket's keys, as the shell reads them.
  Settings::shared().ponerLectorDeSecretos(Keychain::leer);
  const S3Config s3 = Settings::shared().s3();
  if (!Settings::shared().isConfigured() || !s3.llaveroBloqueado || !s3.accessKey.isEmpty())
    return falla(6, "locked bucket keys were taken for missing ones, or read");
  problema.clear();
  S3Uploader::send(Cuerpo::datos("x"), QStringLiteral("a.png"), QStringLiteral("image/png"), s3,
                   false, {}, Enviador::puente(), [&](const Resultado<UploadResult>& r) {
                     if (const auto* e = std::get_if<ErrorDeSubida>(&r))
                       problema = e->descripcion();
                   });
  if (problema != L("Tu llavero está cerrado: ábrelo para subir a tu bucket"))
    return falla(7, "an upload to the bucket told the user: " + problema);
  Keychain::set(QStringLiteral("nueva"), QStringLiteral("secretKey"));
  if (Keychain::get(QStringLiteral("secretKey")) != QLatin1String("nueva"))
    return falla(4, "a secret set while the keyring was locked was lost");
  return 0;
}

int sinServicio() {
  Keychain::set(QStringLiteral("uno"), QStringLiteral("accessKey"));
  Keychain::set(QStringLiteral("dos"), QStringLiteral("secretKey"));
  if (Keychain::get(QStringLiteral("accessKey")) != QLatin1String("uno") ||
      Keychain::get(QStringLiteral("secretKey")) != QLatin1String("dos"))
    return falla(1, "secrets did not round-trip");
  Keychain::set(QString(), QStringLiteral("accessKey"));
  if (!Keychain::get(QStringLiteral("accessKey")).isEmpty())
    return falla(2, "an empty value did not remove the secret");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int avisos = 0;
  QString titulo;
  Keychain::alGuardarSinLlavero([&](const QString& t, const QString&) {
    ++avisos;
    titulo = t;
  });
  const bool sinLlavero = app.arguments().value(1) == QLatin1String("sin-servicio");
  if (const int codigo = sinLlavero ? sinServicio() : cerrado()) return codigo;
  QTimer::singleShot(100, &app, &QCoreApplication::quit);
  app.exec();
  if (avisos != 1 || (!sinLlavero && titulo != L("Tu llavero está cerrado")))
    return falla(5, QStringLiteral("the user was told %1 times: %2").arg(avisos).arg(titulo));
  return 0;
}
