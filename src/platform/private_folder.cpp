#include "platform/private_folder.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace corvalin {

QString crearCarpetaPrivada(const QString& base) {
  QByteArray plantilla = QFile::encodeName(base + QStringLiteral("/corvalin-XXXXXX"));
  // mkdtemp makes the folder with mode 0700, whatever the umask.
  if (::mkdtemp(plantilla.data()) == nullptr) return {};
  return QFile::decodeName(plantilla);
}

QString carpetaDeEstado() {
  QString estado = qEnvironmentVariable("XDG_STATE_HOME");
  if (estado.isEmpty() || !QDir::isAbsolutePath(estado))
    estado = QDir::homePath() + QStringLiteral("/.local/state");
  return estado + QStringLiteral("/corvalin");
}

bool crearCarpetaSoloMia(const QString& ruta) {
  if (!QDir().mkpath(ruta)) return false;
  return ::chmod(QFile::encodeName(ruta).constData(), 0700) == 0;
}

bool escribirArchivoPrivado(const QString& ruta, const QByteArray& bytes) {
  QByteArray temporal = QFile::encodeName(ruta + QStringLiteral(".XXXXXX"));
  // mkstemp makes the file 0600 with O_EXCL: a name planted beforehand is never followed.
  const int fd = ::mkstemp(temporal.data());
  if (fd < 0) return false;
  qsizetype escrito = 0;
  while (escrito < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.constData() + escrito, bytes.size() - escrito);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    escrito += n;
  }
  const bool ok = escrito == bytes.size() && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !ok ||
      ::rename(temporal.constData(), QFile::encodeName(ruta).constData()) != 0) {
    ::unlink(temporal.constData());
    return false;
  }
  return true;
}

bool crearArchivoPrivado(const QString& ruta) {
  const int fd = ::open(QFile::encodeName(ruta).constData(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

unsigned modoHabitual() {
  mode_t mascara = 022;
  QFile estado(QStringLiteral("/proc/self/status"));
  if (estado.open(QIODevice::ReadOnly)) {
    for (QByteArray linea = estado.readLine(); !linea.isEmpty(); linea = estado.readLine()) {
      if (!linea.startsWith("Umask:")) continue;
      bool ok = false;
      const uint leida = linea.mid(6).trimmed().toUInt(&ok, 8);
      if (ok) mascara = static_cast<mode_t>(leida);
      break;
    }
  }
  return 0666 & ~mascara;
}

bool darModoHabitual(const QString& ruta) {
  return ::chmod(QFile::encodeName(ruta).constData(), modoHabitual()) == 0;
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
