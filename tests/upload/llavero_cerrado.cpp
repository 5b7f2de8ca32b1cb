// Uses the keychain against a keyring the caller locked: the cloud account id in it is neither
// replaced nor sent, the user reads why, and a secret set meanwhile is kept in the private file.
// Exits 0 when all holds; prints which check failed otherwise, never a secret.
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "core/settings.h"
#include "core/texts.h"
#include "upload/keychain.h"
#include "upload/nube_uploader.h"

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
