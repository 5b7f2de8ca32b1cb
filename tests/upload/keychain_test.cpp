// Secrets in the session's gnome-keyring, the copy from the earlier product, and the private
// file where no Secret Service answers. Values are compared without ever being printed.
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

// `orden`: the program, then its arguments.
Salida correr(QStringList orden, const QByteArray& entrada = {},
              const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
  QProcess p;
  p.setProcessEnvironment(env);
  const QString programa = orden.takeFirst();
  p.start(programa, orden);
  p.write(entrada);
  p.closeWriteChannel();
  if (!p.waitForFinished(20000)) {
    p.kill();
    p.waitForFinished();
    return Salida{-1, "did not finish: " + p.readAllStandardOutput()};
  }
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput()};
}

Salida secretTool(const QStringList& args, const QByteArray& entrada = {}) {
  return correr(QStringList{"secret-tool"} + args, entrada);
}

bool guardado(const QString& servicio, const QString& cuenta, const QByteArray& valor) {
  const Salida s = secretTool({"lookup", "service", servicio, "account", cuenta});
  return s.codigo == 0 && s.texto == valor;
}

class KeychainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Never the developer's own keyring.
    if (qEnvironmentVariableIsEmpty("SESSION_DIR"))
      GTEST_SKIP() << "run inside scripts/test-session";
  }
  const QString cuenta_ = QStringLiteral("prueba-") + QUuid::createUuid().toString(QUuid::Id128);
};

// Written under Corvalin's name, replaced in place, removed by an empty value; a secret only the
// earlier product kept is copied over and left where it was.
TEST_F(KeychainTest, SecretsLiveInTheSessionKeyringAndTheEarlierProductsAreCopied) {
  Keychain::set(QStringLiteral("primero"), cuenta_);
  EXPECT_TRUE(guardado("corvalin", cuenta_, "primero"));
  Keychain::set(QStringLiteral("segundo"), cuenta_);
  const QStringList buscar{"search", "--all", "service", "corvalin", "account", cuenta_};
  EXPECT_EQ(secretTool(buscar).texto.count("label = "), 1);
  EXPECT_TRUE(Keychain::get(cuenta_) == QLatin1String("segundo"));
  Keychain::set(QString(), cuenta_);
  EXPECT_EQ(secretTool(buscar).texto.count("label = "), 0);
  EXPECT_FALSE(QFile::exists(Keychain::rutaDelArchivo()));

  const QString heredada = cuenta_ + QStringLiteral("-mirel");
  ASSERT_EQ(
      secretTool({"store", "--label=mirel", "service", "mirel", "account", heredada}, "heredado")
          .codigo,
      0);
  EXPECT_TRUE(Keychain::get(heredada) == QLatin1String("heredado"));
  EXPECT_TRUE(guardado("corvalin", heredada, "heredado"));
  EXPECT_TRUE(guardado("mirel", heredada, "heredado"));
  secretTool({"clear", "service", "mirel", "account", heredada});
  Keychain::set(QString(), heredada);
}

TEST(KeychainSinServicio, SecretsGoToAFileOnlyTheUserCanRead) {
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.filePath("sin-bus"));
  env.insert("XDG_DATA_HOME", dir.filePath("datos"));
  env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
  const Salida hijo = correr({CORVALIN_LLAVERO_SIN_SERVICIO}, {}, env);
  EXPECT_EQ(hijo.codigo, 0) << hijo.texto.toStdString();

  const QString ruta = dir.filePath("datos/corvalin/secretos.json");
  QFile archivo(ruta);
  ASSERT_TRUE(archivo.open(QIODevice::ReadOnly));
  EXPECT_EQ(archivo.permissions() & ~(QFile::ReadUser | QFile::WriteUser),
            QFile::ReadOwner | QFile::WriteOwner);  // 0600, nothing for group or others
  EXPECT_EQ(QFileInfo(dir.filePath("datos/corvalin")).permissions() &
                (QFile::ReadGroup | QFile::ReadOther | QFile::ExeGroup | QFile::ExeOther),
            QFile::Permissions());
  const QJsonObject guardados = QJsonDocument::fromJson(archivo.readAll()).object();
  EXPECT_TRUE(guardados.value("secretKey").toString() == QLatin1String("dos"));
  EXPECT_FALSE(guardados.contains("accessKey"));
}

// A keyring that is there but locked (the user did not open it) on a bus of its own, so the
// session's stays open for the other suites.
TEST(KeychainCerrado, LockedSecretsAreNeitherReplacedNorTakenForMissingNewOnesKept) {
  if (qEnvironmentVariableIsEmpty("SESSION_DIR")) GTEST_SKIP() << "run inside scripts/test-session";
  QTemporaryDir dir;
  for (const char* sub : {"home", "datos", "config/corvalin", "run"}) QDir(dir.path()).mkpath(sub);
  QFile::setPermissions(dir.filePath("run"),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  // The bus and everything it might start see only the test's folders.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.filePath("bus"));
  for (const QString par :
       {"HOME=home", "XDG_DATA_HOME=datos", "XDG_CONFIG_HOME=config", "XDG_RUNTIME_DIR=run"})
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
  auto gdbus = [&](const QString& destino, const QString& metodo, const QString& arg) {
    return enElBus({"gdbus", "call", "--session", "--dest", destino, "--object-path",
                    "/" + QString(destino).replace('.', '/'), "--method", metodo, arg});
  };
  // Our keyring, unlocked with its password, must own the name before anyone asks for it: an
  // asked-for name would start a keyring of the bus's own, locked. Then the three items go in.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return gdbus("org.freedesktop.DBus", "org.freedesktop.DBus.NameHasOwner",
                     "org.freedesktop.secrets")
            .texto.contains("true");
      },
      10000));
  const QStringList item{"service", "corvalin", "account", "nubeCuenta"};
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
  ASSERT_EQ(gdbus("org.freedesktop.secrets", "org.freedesktop.Secret.Service.Lock",
                  "['/org/freedesktop/secrets/collection/login']")
                .codigo,
            0);
  QFile ajustes(dir.filePath("config/corvalin/corvalin.conf"));
  ASSERT_TRUE(ajustes.open(QIODevice::WriteOnly) &&
              ajustes.write("[General]\nnubeServidor=http://127.0.0.1:9\nuploadTarget=propio\n"
                            "bucket=capturas\nendpoint=https://s3.example.com\n") > 0);
  ajustes.close();

  const Salida hijo = enElBus({QStringLiteral(CORVALIN_LLAVERO_CERRADO)});
  EXPECT_EQ(hijo.codigo, 0) << hijo.texto.toStdString();
  // The account id is still the one item, untouched; the new secret waits in the private file.
  EXPECT_EQ(enElBus(QStringList{"secret-tool", "search", "--all"} + item).texto.count("label = "),
            1);
  QFile archivo(dir.filePath("datos/corvalin/secretos.json"));
  ASSERT_TRUE(archivo.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QJsonDocument::fromJson(archivo.readAll()).object().value("secretKey").toString() ==
              QLatin1String("nueva"));
  for (QProcess* p : {&llavero, &bus}) p->terminate(), p->waitForFinished(5000);
}

}  // namespace
}  // namespace corvalin
