#include "platform/private_folder.h"

#include <stdlib.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>

namespace corvalin {

QString crearCarpetaPrivada(const QString& base) {
  QByteArray plantilla = QFile::encodeName(base + QStringLiteral("/corvalin-XXXXXX"));
  // mkdtemp makes the folder with mode 0700, whatever the umask.
  if (::mkdtemp(plantilla.data()) == nullptr) return {};
  return QFile::decodeName(plantilla);
}

namespace {

QByteArray& hecha() {
  static QByteArray ruta;
  return ruta;
}

}  // namespace

QString carpetaPrivada() {
  static const QString carpeta = [] {
    const QString nueva = crearCarpetaPrivada(QDir::tempPath());
    if (nueva.isEmpty()) {
      std::fprintf(stderr, "corvalin: no private folder in %s; using it as it is\n",
                   qPrintable(QDir::tempPath()));
      return QDir::tempPath();
    }
    // Gone at exit when nothing was left in it; what was left stays where it is.
    hecha() = QFile::encodeName(nueva);
    std::atexit([] { ::rmdir(hecha().constData()); });
    return nueva;
  }();
  return carpeta;
}

}  // namespace corvalin
