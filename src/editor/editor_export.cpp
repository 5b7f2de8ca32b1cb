#include "editor/editor_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QLocale>
#include <QStandardPaths>

#include <cerrno>
#include <cmath>

#include "platform/private_folder.h"

namespace corvalin {

const std::vector<OpcionDeTamano>& opcionesDeTamano() {
  static const std::vector<OpcionDeTamano> opciones = {
      {L("Tamaño original"), 1.0}, {QStringLiteral("75 %"), 0.75}, {L("Mitad (1×)"), 0.5},
      {L("Un tercio"), 1.0 / 3},   {L("Un cuarto"), 0.25},
  };
  return opciones;
}

double escalaEfectiva(double stored) {
  return stored > 0.05 && stored <= 1 ? stored : 1.0;
}

double escalaParaGuardar(double chosen) {
  if (!std::isfinite(chosen)) return 1.0;
  return std::clamp(chosen, 0.05, 1.0);
}

QSize exportPixelSize(QSize picture, double scale) {
  const auto side = [scale](int n) {
    return std::max(1, static_cast<int>(std::round(scale * static_cast<double>(n))));
  };
  return QSize(side(picture.width()), side(picture.height()));
}

QImage reducida(const QImage& flattened, double scale) {
  if (scale >= kCasiCompleta || flattened.isNull()) return flattened;
  const QImage out = flattened.scaled(exportPixelSize(flattened.size(), scale),
                                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return out.isNull() ? flattened : out;
}

QByteArray codificarPng(const QImage& image) {
  if (image.isNull()) return {};
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image)) return {};
  return bytes;
}

QString etiquetaDePeso(QSize exportSize, std::optional<qint64> bytes, Idioma idioma) {
  const QString medidas = QStringLiteral("%1×%2").arg(exportSize.width()).arg(exportSize.height());
  QString peso = QStringLiteral("…");
  if (bytes) {
    const QLocale locale(idioma == Idioma::español ? QLocale::Spanish : QLocale::English);
    peso = locale.formattedDataSize(*bytes, 1, QLocale::DataSizeSIFormat);
  }
  return medidas + QStringLiteral(" · ") + peso;
}

QString nombreUnico(const QDateTime& cuando, Idioma idioma,
                    const std::function<bool(const QString&)>& existe) {
  const QString patron = idioma == Idioma::español ? QStringLiteral("yyyy-MM-dd 'a las' HH.mm.ss")
                                                   : QStringLiteral("yyyy-MM-dd 'at' HH.mm.ss");
  const QString stamp = QStringLiteral("Corvalin ") + QLocale::c().toString(cuando, patron);
  QString name = stamp + QStringLiteral(".png");
  for (int n = 2; existe(name); ++n) name = stamp + QStringLiteral(" (%1).png").arg(n);
  return name;
}

QString carpetaDeGuardado(const QString& saveFolder) {
  if (!saveFolder.trimmed().isEmpty()) {
    QString f = saveFolder.trimmed();
    if (f == QStringLiteral("~") || f.startsWith(QStringLiteral("~/"))) {
      f = QDir::homePath() + f.mid(1);
    }
    return f;
  }
  const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
  return downloads.isEmpty() ? QDir::homePath() : downloads;
}

Guardado guardarPng(const QString& carpeta, const QByteArray& png, const QDateTime& cuando,
                    Idioma idioma) {
  QDir dir(carpeta);
  if (!dir.mkpath(QStringLiteral("."))) {
    return {{}, QStringLiteral("%1: %2").arg(carpeta, qt_error_string(errno))};
  }
  // The picture goes to a hidden file first and is linked under its name only once it is all
  // on disk: an end in the middle (a full disk, a signal) never leaves half a picture under a
  // real name. link() claims the name without overwriting, so a name taken meanwhile (another
  // save in the same second) moves on to the next number.
  QByteArray temporal = QFile::encodeName(dir.filePath(QStringLiteral(".corvalin-XXXXXX")));
  const int fd = ::mkostemp(temporal.data(), O_CLOEXEC);
  if (fd < 0) return {{}, QStringLiteral("%1: %2").arg(carpeta, qt_error_string(errno))};
  const auto fallar = [&](int error) {
    ::unlink(temporal.constData());
    return Guardado{{}, qt_error_string(error)};
  };
  qsizetype escrito = 0;
  while (escrito < png.size()) {
    const ssize_t n = ::write(fd, png.constData() + escrito, png.size() - escrito);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      ::close(fd);
      return fallar(error);
    }
    escrito += n;
  }
  // The usual mode for a new file (mkostemp made it for its owner alone).
  ::fchmod(fd, modoHabitual());
  if (::fsync(fd) != 0 || ::close(fd) != 0) return fallar(errno);
  QString lastError;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QString name = nombreUnico(
        cuando, idioma, [&dir](const QString& n) { return QFileInfo::exists(dir.filePath(n)); });
    const QString ruta = dir.filePath(name);
    if (::link(temporal.constData(), QFile::encodeName(ruta).constData()) == 0) {
      ::unlink(temporal.constData());
      return {ruta, {}};
    }
    if (errno == EEXIST) continue;
    return fallar(errno);
  }
  ::unlink(temporal.constData());
  return {{}, lastError};
}

}  // namespace corvalin
