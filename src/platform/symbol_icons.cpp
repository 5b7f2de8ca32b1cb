#include "platform/symbol_icons.h"

#include <QDir>
#include <QHash>
#include <QStandardPaths>

static void initPlatformIcons() {
  Q_INIT_RESOURCE(platform_icons);
}

namespace corvalin {
namespace {

const QHash<QString, IconoDeSimbolo>& tabla() {
  auto r = [](const char* file) {
    return QStringLiteral(":/corvalin/symbols/") + QLatin1String(file);
  };
  static const QHash<QString, IconoDeSimbolo> table = {
      {QStringLiteral("bell.fill"),
       {{QStringLiteral("preferences-system-notifications-symbolic"),
         QStringLiteral("notification-symbolic")},
        r("bell.svg")}},
      {QStringLiteral("camera.viewfinder"),
       {{QStringLiteral("camera-photo-symbolic")}, r("camera.svg")}},
      {QStringLiteral("stop.fill"),
       {{QStringLiteral("media-playback-stop-symbolic")}, r("stop.svg")}},
      {QStringLiteral("text.viewfinder"),
       {{QStringLiteral("insert-text-symbolic"), QStringLiteral("format-text-plaintext-symbolic")},
        r("text.svg")}},
      {QStringLiteral("eyedropper.halffull"),
       {{QStringLiteral("color-select-symbolic")}, r("eyedropper.svg")}},
      {QStringLiteral("exclamationmark.triangle"),
       {{QStringLiteral("dialog-warning-symbolic")}, r("warning.svg")}},
      {QStringLiteral("doc.on.clipboard"),
       {{QStringLiteral("edit-paste-symbolic")}, r("clipboard.svg")}},
      {QStringLiteral("icloud.and.arrow.up"),
       {{QStringLiteral("send-to-symbolic"), QStringLiteral("document-send-symbolic")},
        r("cloud-up.svg")}},
      {QStringLiteral("icloud.and.arrow.up.fill"),
       {{QStringLiteral("send-to-symbolic"), QStringLiteral("document-send-symbolic")},
        r("cloud-up.svg")}},
      {QStringLiteral("xmark.icloud"),
       {{QStringLiteral("network-error-symbolic")}, r("cloud-x.svg")}},
      {QStringLiteral("externaldrive.badge.icloud"),
       {{QStringLiteral("network-server-symbolic"), QStringLiteral("drive-harddisk-symbolic")},
        r("drive.svg")}},
      {QStringLiteral("doc.on.doc.fill"), {{QStringLiteral("edit-copy-symbolic")}, r("copy.svg")}},
      {QStringLiteral("square.and.arrow.down.fill"),
       {{QStringLiteral("document-save-symbolic")}, r("save.svg")}},
      {QStringLiteral("video.slash"),
       {{QStringLiteral("camera-disabled-symbolic")}, r("video-slash.svg")}},
      {QStringLiteral("arrow.down.doc"), {{QStringLiteral("go-bottom-symbolic")}, r("scroll.svg")}},
      {QStringLiteral("arrow.triangle.2.circlepath"),
       {{QStringLiteral("view-refresh-symbolic")}, r("refresh.svg")}},
      {QStringLiteral("paintbrush"),
       {{QStringLiteral("applications-graphics-symbolic"), QStringLiteral("draw-brush")},
        r("brush.svg")}},
      {QStringLiteral("keyboard"),
       {{QStringLiteral("input-keyboard-symbolic"), QStringLiteral("input-keyboard")},
        r("keyboard.svg")}},
      {QStringLiteral("record.circle"),
       {{QStringLiteral("media-record-symbolic"), QStringLiteral("media-record")},
        r("record.svg")}},
  };
  return table;
}

}  // namespace

bool simboloConocido(const QString& simbolo) {
  return tabla().contains(simbolo);
}

IconoDeSimbolo buscarSimbolo(const QString& simbolo) {
  auto it = tabla().constFind(simbolo);
  return it != tabla().constEnd() ? *it : tabla().value(QStringLiteral("bell.fill"));
}

QIcon iconoDeSimbolo(const QString& simbolo) {
  initPlatformIcons();
  asegurarTemaDeIconos();
  const IconoDeSimbolo icono = buscarSimbolo(simbolo);
  for (const QString& name : icono.nombresDeTema) {
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  }
  return QIcon(icono.respaldo);
}

QIcon iconoDeLaAplicacion() {
  initPlatformIcons();
  return QIcon(QStringLiteral(":/corvalin/app/corvalin.svg"));
}

void asegurarTemaDeIconos() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor")) return;
  const QStringList roots =
      QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                QStandardPaths::LocateDirectory);
  for (const QString& root : roots) {
    if (QDir(root + QStringLiteral("/Adwaita")).exists()) {
      QIcon::setThemeName(QStringLiteral("Adwaita"));
      return;
    }
  }
}

}  // namespace corvalin
