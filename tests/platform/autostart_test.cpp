#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/autostart.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

QString leer(const QString& ruta) {
  QFile f(ruta);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

TEST(Autostart, TheSwitchWritesAnEntryTheDesktopAcceptsAndRemovesIt) {
  QTemporaryDir home;
  const QString carpeta = home.path() + u"/config/autostart"_s;  // not there yet
  InicioConLaSesion inicio(carpeta, u"/opt/My Apps/corvalin"_s);

  ASSERT_EQ(inicio.poner(true), std::nullopt);
  EXPECT_TRUE(inicio.activo());
  EXPECT_TRUE(leer(inicio.ruta()).contains(u"\nExec=\"/opt/My Apps/corvalin\"\n"_s));
  QProcess validar;
  validar.start(u"desktop-file-validate"_s, {inicio.ruta()});
  ASSERT_TRUE(validar.waitForFinished(10000)) << "desktop-file-validate is missing";
  const QByteArray dijo = validar.readAllStandardOutput();
  EXPECT_TRUE(validar.exitCode() == 0 && dijo.trimmed().isEmpty()) << dijo.toStdString();

  ASSERT_EQ(inicio.poner(false), std::nullopt);
  EXPECT_FALSE(QFile::exists(inicio.ruta()));
}

TEST(Autostart, AFolderThatCantBeMadeIsReportedAndNothingChanges) {
  QTemporaryDir home;
  QFile estorbo(home.path() + u"/autostart"_s);
  ASSERT_TRUE(estorbo.open(QIODevice::WriteOnly));  // a file where the folder should be
  InicioConLaSesion inicio(estorbo.fileName(), u"corvalin"_s);
  EXPECT_FALSE(inicio.poner(true).value_or(QString()).isEmpty());
  EXPECT_FALSE(inicio.activo());
}

TEST(Autostart, TheExecLineQuotesWhatTheShellWouldReadOtherwise) {
  // Inside quotes `$` is escaped, and the entry's own escaping doubles the backslash.
  const std::pair<QString, QString> casos[] = {
      {u"/usr/bin/corvalin"_s, u"/usr/bin/corvalin"_s},
      {u"/home/a b/corvalin"_s, u"\"/home/a b/corvalin\""_s},
      {u"/x/a$b"_s, u"\"/x/a\\\\$b\""_s},
      {u"/x/\"q\""_s, u"\"/x/\\\\\"q\\\\\"\""_s}};
  for (const auto& [ruta, linea] : casos) EXPECT_EQ(InicioConLaSesion::lineaExec(ruta), linea);
}

}  // namespace
}  // namespace corvalin
