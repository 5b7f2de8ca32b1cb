// Uses the keychain where no Secret Service answers (the caller points the session bus at
// nothing). Exits 0 when secrets round-trip through the private file and the user was told
// once; prints which check failed otherwise, never a secret.
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "upload/keychain.h"

using corvalin::Keychain::get;
using corvalin::Keychain::set;

// Says which check failed, and exits with its number.
int falla(int codigo, const char* que) {
  std::puts(que);
  return codigo;
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int avisos = 0;
  corvalin::Keychain::alGuardarSinLlavero([&](const QString&, const QString&) { ++avisos; });
  set(QStringLiteral("uno"), QStringLiteral("accessKey"));
  set(QStringLiteral("dos"), QStringLiteral("secretKey"));
  if (get(QStringLiteral("accessKey")) != QLatin1String("uno") ||
      get(QStringLiteral("secretKey")) != QLatin1String("dos"))
    return falla(1, "secrets did not round-trip");
  set(QString(), QStringLiteral("accessKey"));
  if (!get(QStringLiteral("accessKey")).isEmpty())
    return falla(2, "an empty value did not remove the secret");
  QTimer::singleShot(100, &app, &QCoreApplication::quit);
  app.exec();
  if (avisos != 1)
    return falla(3, qPrintable(QStringLiteral("the user was told %1 times").arg(avisos)));
  return 0;
}
