#include "platform/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace corvalin {
namespace {

const QString kArchivo = QStringLiteral("app.corvalin.Corvalin.desktop");

QString programaPropio() {
  const QString propio = QCoreApplication::applicationFilePath();
  const QString enElPath = QStandardPaths::findExecutable(QStringLiteral("corvalin"));
  if (!enElPath.isEmpty() &&
      QFileInfo(enElPath).canonicalFilePath() == QFileInfo(propio).canonicalFilePath()) {
    return QStringLiteral("corvalin");
  }
  return propio;
}

}  // namespace

InicioConLaSesion::InicioConLaSesion(QString carpeta, QString programa)
    : carpeta_(carpeta.isEmpty()
                   ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/autostart")
                   : std::move(carpeta)),
      programa_(std::move(programa)) {}

QString InicioConLaSesion::ruta() const {
  return carpeta_ + QLatin1Char('/') + kArchivo;
}

bool InicioConLaSesion::activo() const {
  if (!QFileInfo(ruta()).isFile()) return false;
  QSettings entrada(ruta(), QSettings::IniFormat);
  entrada.beginGroup(QStringLiteral("Desktop Entry"));
  const auto verdad = [&](const QString& clave, bool porDefecto) {
    return entrada.value(clave, porDefecto ? QStringLiteral("true") : QStringLiteral("false"))
               .toString()
               .trimmed()
               .compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
  };
  return !verdad(QStringLiteral("Hidden"), false) &&
         verdad(QStringLiteral("X-GNOME-Autostart-enabled"), true);
}

QString InicioConLaSesion::lineaExec(const QString& programa) {
  static const QString kReservados = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
  bool citar = false;
  for (QChar c : programa) citar = citar || kReservados.contains(c);
  if (!citar) return programa;
  QString citado;
  for (QChar c : programa) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
        c == QLatin1Char('\\')) {
      citado += QLatin1Char('\\');
    }
    citado += c;
  }
  // The desktop entry's own escaping comes on top of the quoting: a backslash is doubled.
  citado.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
  return QLatin1Char('"') + citado + QLatin1Char('"');
}

std::optional<QString> InicioConLaSesion::poner(bool activo) {
  if (!activo) {
    QFile entrada(ruta());
    if (entrada.exists() && !entrada.remove()) return entrada.errorString();
    return std::nullopt;
  }
  if (!QDir().mkpath(carpeta_)) return carpeta_;
  QSaveFile entrada(ruta());
  if (entrada.open(QIODevice::WriteOnly)) {
    const QString programa = programa_.isEmpty() ? programaPropio() : programa_;
    const QString texto = QStringLiteral(
                              "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Corvalin\n"
                              "Comment=Screenshots and screen recording from the tray\n"
                              "Comment[es]=Capturas y grabación de pantalla desde la bandeja\n"
                              "Exec=%1\n"
                              "Icon=app.corvalin.Corvalin\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n")
                              .arg(lineaExec(programa));
    entrada.write(texto.toUtf8());
    if (entrada.commit()) return std::nullopt;
  }
  return entrada.errorString();
}

}  // namespace corvalin
