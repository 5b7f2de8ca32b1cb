// Secrets in the session's gnome-keyring, the copy from the earlier product, and the private
// file where no Secret Service answers. Values are compared without ever being printed.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

#include "upload/keychain.h"

namespace corvalin {
namespace {

struct Salida {
  int codigo = -1;
  QByteArray texto;
};

Salida secretTool(const QStringList& args, const QByteArray& entrada = {}) {
  QProcess p;
  p.start(QStringLiteral("secret-tool"), args);
  p.write(entrada);
  p.closeWriteChannel();
  p.waitForFinished(20000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput()};
}

int items(const QString& servicio, const QString& cuenta) {
  const QByteArray salida =
      secretTool({"search", "--all", "service", servicio, "account", cuenta}).texto;
  return int(salida.count("\nlabel = ") + (salida.startsWith("label = ") ? 1 : 0));
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

TEST_F(KeychainTest, SecretsLiveInTheSessionKeyringUnderCorvalin) {
  Keychain::set(QStringLiteral("primero"), cuenta_);
  EXPECT_TRUE(guardado("corvalin", cuenta_, "primero"));
  Keychain::set(QStringLiteral("segundo"), cuenta_);
  EXPECT_EQ(items("corvalin", cuenta_), 1);
  EXPECT_TRUE(Keychain::get(cuenta_) == QLatin1String("segundo"));
  Keychain::set(QString(), cuenta_);
  EXPECT_EQ(items("corvalin", cuenta_), 0);
  EXPECT_TRUE(Keychain::get(cuenta_).isEmpty());
  EXPECT_FALSE(QFile::exists(Keychain::rutaDelArchivo()));
}

TEST_F(KeychainTest, TheEarlierProductsSecretIsCopiedAndLeftInPlace) {
  ASSERT_EQ(
      secretTool({"store", "--label=mirel", "service", "mirel", "account", cuenta_}, "heredado")
          .codigo,
      0);
  EXPECT_TRUE(Keychain::get(cuenta_) == QLatin1String("heredado"));
  EXPECT_TRUE(guardado("corvalin", cuenta_, "heredado"));
  EXPECT_TRUE(guardado("mirel", cuenta_, "heredado"));
  secretTool({"clear", "service", "mirel", "account", cuenta_});
  Keychain::set(QString(), cuenta_);
}

TEST(KeychainSinServicio, SecretsGoToAFileOnlyTheUserCanRead) {
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.filePath("sin-bus"));
  env.insert("XDG_DATA_HOME", dir.filePath("datos"));
  env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
  QProcess hijo;
  hijo.setProcessEnvironment(env);
  hijo.start(QStringLiteral(CORVALIN_LLAVERO_SIN_SERVICIO), QStringList());
  ASSERT_TRUE(hijo.waitForFinished(30000));
  EXPECT_EQ(hijo.exitCode(), 0) << hijo.readAllStandardOutput().toStdString();

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

}  // namespace
}  // namespace corvalin
