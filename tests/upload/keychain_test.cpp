// Secrets in the session's gnome-keyring, the copy from the earlier product, and the private
// file they go to while the keyring is locked or missing. Values are compared without ever being
// printed.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include "upload/keychain.h"

namespace corvalin {
namespace {

struct Salida {
  int codigo = -1;
  QByteArray texto;
};

// `orden`: the program, then its arguments; -1 when it crashed or did not finish in 20 s.
Salida correr(QStringList orden, const QByteArray& entrada = {},
              const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
  QProcess p;
  p.setProcessEnvironment(env);
  const QString programa = orden.takeFirst();
  p.start(programa, orden);
  p.write(entrada);
  p.closeWriteChannel();
  const bool acabo = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit;
  return {acabo ? p.exitCode() : -1, p.readAllStandardOutput()};
}

Salida secretTool(const QStringList& args, const QByteArray& entrada = {}) {
  return correr(QStringList{"secret-tool"} + args, entrada);
}

// The private file secrets wait in, read after checking it is 0600 in a 0700 folder.
QJsonObject archivoPrivado(const QTemporaryDir& dir) {
  QFile archivo(dir.filePath("datos/corvalin/secretos.json"));
  EXPECT_TRUE(archivo.open(QIODevice::ReadOnly));
  EXPECT_EQ(archivo.permissions() & ~(QFile::ReadUser | QFile::WriteUser),
            QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_EQ(QFileInfo(dir.filePath("datos/corvalin")).permissions() &
                (QFile::ReadGroup | QFile::ReadOther | QFile::ExeGroup | QFile::ExeOther),
            QFile::Permissions());
  return QJsonDocument::fromJson(archivo.readAll()).object();
}

// Written under Corvalin's name, replaced in place, removed by an empty value; a secret only the
// earlier product kept is copied over.
TEST(KeychainTest, SecretsLiveInTheSessionKeyringAndTheEarlierProductsAreCopied) {
  // Never the developer's own keyring.
  if (qEnvironmentVariableIsEmpty("SESSION_DIR")) GTEST_SKIP() << "run inside scripts/test-session";
  const QString cuenta = QStringLiteral("prueba-") + QUuid::createUuid().toString(QUuid::Id128);
  Keychain::set(QStringLiteral("primero"), cuenta);
  Keychain::set(QStringLiteral("segundo"), cuenta);
  const QStringList buscar{"search", "--all", "service", "corvalin", "account", cuenta};
  EXPECT_EQ(secretTool(buscar).texto.count("label = "), 1);
  EXPECT_TRUE(Keychain::get(cuenta) == QLatin1String("segundo"));
  Keychain::set(QString(), cuenta);
  EXPECT_EQ(secretTool(buscar).texto.count("label = "), 0);

  const QString heredada = cuenta + QStringLiteral("-mirel");
  const QStringList suya{"service", "mirel", "account", heredada};
  ASSERT_EQ(secretTool(QStringList{"store", "--label=mirel"} + suya, "heredado").codigo, 0);
  EXPECT_TRUE(Keychain::get(heredada) == QLatin1String("heredado"));
  const Salida copia = secretTool({"lookup", "service", "corvalin", "account", heredada});
  EXPECT_TRUE(copia.codigo == 0 && copia.texto == "heredado");
  secretTool(QStringList{"clear"} + suya);
  Keychain::set(QString(), heredada);
}

// No Secret Service at all (the bus points at nothing): secrets go to the private file.
TEST(KeychainSinServicio, SecretsGoToAFileOnlyTheUserCanRead) {
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.filePath("sin-bus"));
  env.insert("XDG_DATA_HOME", dir.filePath("datos"));
  env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
  const Salida hijo = correr({CORVALIN_LLAVERO, "sin-servicio"}, {}, env);
  EXPECT_EQ(hijo.codigo, 0) << hijo.texto.toStdString();
  const QJsonObject guardados = archivoPrivado(dir);
  EXPECT_TRUE(guardados.value("secretKey").toString() == QLatin1String("dos"));
  EXPECT_FALSE(guardados.contains("accessKey"));
}

// A keyring that is there but locked (the user did not open it) on a bus of its own, so the
// session's stays open for the other suites.
TEST(KeychainCerrado, LockedSecretsAreNeitherReplacedNorTakenForMissingNewOnesKept) {
  if (qEnvironmentVariableIsEmpty("SESSION_DIR")) GTEST_SKIP() << "run inside scripts/test-session";
  QTemporaryDir dir;  // 0700: fit for the keyring's runtime folder too
  QDir(dir.path()).mkpath("config/corvalin");
  // The bus and everything it might start see only the test's folders.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.filePath("bus"));
  for (const QString par :
       {"HOME=", "XDG_DATA_HOME=datos", "XDG_CONFIG_HOME=config", "XDG_RUNTIME_DIR="})
    env.insert(par.section('=', 0, 0), dir.filePath(par.section('=', 1)));
  QProcess bus, llavero;
  bus.setProcessEnvironment(env);
  llavero.setProcessEnvironment(env);
  // The session's bus configuration starts nothing on demand: no prompt to open the keyring can
  // come up, as when the user dismisses one.
  bus.start(QStringLiteral("dbus-daemon"),
            {"--config-file=" + qEnvironmentVariable("SESSION_DIR") + "/bus.conf", "--nofork",
             "--print-address=1", "--address=unix:path=" + dir.filePath("bus")});
  ASSERT_TRUE(bus.waitForReadyRead(10000));
  llavero.start(QStringLiteral("gnome-keyring-daemon"),
                {"--foreground", "--unlock", "--components=secrets"});
  llavero.write("clave-de-prueba");
  llavero.closeWriteChannel();
  auto enElBus = [&](const QStringList& orden, const QByteArray& entrada = {}) {
    return correr(orden, entrada, env);
  };
  // Stored once the keyring, unlocked with its password, answers; then it is locked.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        for (const char* c : {"nubeCuenta", "accessKey", "secretKey"}) {
          if (enElBus({"secret-tool", "store", "--label=k", "service", "corvalin", "account", c},
                      "guardada")
                  .codigo != 0)
            return false;
        }
        return true;
      },
      10000));
  ASSERT_EQ(
      enElBus({"gdbus", "call", "--session", "--dest", "org.freedesktop.secrets", "--object-path",
               "/org/freedesktop/secrets", "--method", "org.freedesktop.Secret.Service.Lock",
               "['/org/freedesktop/secrets/collection/login']"})
          .codigo,
      0);
  QFile ajustes(dir.filePath("config/corvalin/corvalin.conf"));
  ASSERT_TRUE(ajustes.open(QIODevice::WriteOnly) &&
              ajustes.write("[General]\nnubeServidor=http://127.0.0.1:9\nuploadTarget=propio\n"
                            "bucket=capturas\nendpoint=https://s3.example.com\n") > 0);
  ajustes.close();

  const Salida hijo = enElBus({CORVALIN_LLAVERO});
  EXPECT_EQ(hijo.codigo, 0) << hijo.texto.toStdString();
  // The account id is still the one item, untouched; the new secret waits in the private file.
  EXPECT_EQ(
      enElBus({"secret-tool", "search", "--all", "service", "corvalin", "account", "nubeCuenta"})
          .texto.count("label = "),
      1);
  EXPECT_TRUE(archivoPrivado(dir).value("secretKey").toString() == QLatin1String("nueva"));
  for (QProcess* p : {&llavero, &bus}) {
    p->terminate();
    p->waitForFinished(5000);
  }
}

}  // namespace
}  // namespace corvalin
