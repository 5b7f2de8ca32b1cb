#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/autostart.h"

namespace corvalin {
namespace {

QString leer(const QString& ruta) {
  QFile f(ruta);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void reemplazar(const QString& ruta, const QString& de, const QString& a) {
  QString texto = leer(ruta);
  ASSERT_TRUE(texto.contains(de));
  texto.replace(de, a);
  QFile f(ruta);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(texto.toUtf8());
}

TEST(Autostart, TheSwitchWritesAnEntryTheDesktopAcceptsAndRemovesIt) {
  QTemporaryDir home;
  const QString carpeta = home.path() + QStringLiteral("/config/autostart");  // not there yet
  InicioConLaSesion inicio(carpeta, QStringLiteral("/opt/My Apps/corvalin"));
  EXPECT_FALSE(inicio.activo());
  EXPECT_EQ(inicio.poner(false), std::nullopt);  // nothing to remove

  ASSERT_EQ(inicio.poner(true), std::nullopt);
  EXPECT_TRUE(inicio.activo());
  EXPECT_EQ(inicio.ruta(), carpeta + QStringLiteral("/app.corvalin.Corvalin.desktop"));
  const QString texto = leer(inicio.ruta());
  EXPECT_TRUE(texto.startsWith(QStringLiteral("[Desktop Entry]\n")));
  EXPECT_TRUE(texto.contains(QStringLiteral("\nExec=\"/opt/My Apps/corvalin\"\n")));
  QProcess validar;
  validar.start(QStringLiteral("desktop-file-validate"), {inicio.ruta()});
  ASSERT_TRUE(validar.waitForFinished(10000)) << "desktop-file-validate is missing";
  EXPECT_EQ(validar.exitCode(), 0) << validar.readAllStandardOutput().toStdString();
  EXPECT_TRUE(validar.readAllStandardOutput().trimmed().isEmpty());

  // Switched off by the desktop's own settings: the entry stays but won't open Corvalin.
  reemplazar(inicio.ruta(), QStringLiteral("X-GNOME-Autostart-enabled=true"),
             QStringLiteral("X-GNOME-Autostart-enabled=false"));
  EXPECT_FALSE(inicio.activo());
  ASSERT_EQ(inicio.poner(true), std::nullopt);
  EXPECT_TRUE(inicio.activo());
  reemplazar(inicio.ruta(), QStringLiteral("Terminal=false"), QStringLiteral("Hidden=true"));
  EXPECT_FALSE(inicio.activo());

  ASSERT_EQ(inicio.poner(false), std::nullopt);
  EXPECT_FALSE(QFile::exists(inicio.ruta()));
  EXPECT_FALSE(inicio.activo());
}

TEST(Autostart, AFolderThatCantBeMadeIsReportedAndNothingChanges) {
  QTemporaryDir home;
  QFile estorbo(home.path() + QStringLiteral("/autostart"));
  ASSERT_TRUE(estorbo.open(QIODevice::WriteOnly));  // a file where the folder should be
  estorbo.close();
  InicioConLaSesion inicio(estorbo.fileName(), QStringLiteral("corvalin"));
  const std::optional<QString> porQue = inicio.poner(true);
  ASSERT_TRUE(porQue.has_value());
  EXPECT_FALSE(porQue->isEmpty());
  EXPECT_FALSE(inicio.activo());
}

TEST(Autostart, TheExecLineQuotesWhatTheShellWouldReadOtherwise) {
  EXPECT_EQ(InicioConLaSesion::lineaExec(QStringLiteral("corvalin")), QStringLiteral("corvalin"));
  EXPECT_EQ(InicioConLaSesion::lineaExec(QStringLiteral("/usr/bin/corvalin")),
            QStringLiteral("/usr/bin/corvalin"));
  EXPECT_EQ(InicioConLaSesion::lineaExec(QStringLiteral("/home/a b/corvalin")),
            QStringLiteral("\"/home/a b/corvalin\""));
  // Inside quotes `$` is escaped, and the entry's own escaping doubles the backslash.
  EXPECT_EQ(InicioConLaSesion::lineaExec(QStringLiteral("/x/a$b")),
            QStringLiteral("\"/x/a\\\\$b\""));
  EXPECT_EQ(InicioConLaSesion::lineaExec(QStringLiteral("/x/\"q\"")),
            QStringLiteral("\"/x/\\\\\"q\\\\\"\""));
}

}  // namespace
}  // namespace corvalin
