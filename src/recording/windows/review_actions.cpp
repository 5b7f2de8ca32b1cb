#include "recording/windows/review_actions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include "core/texts.h"
#include "platform/private_folder.h"

namespace corvalin {

QString datosDelVideo(const QSize& medidas, std::optional<double> segundos, qint64 bytes) {
  const QString duracion = segundos ? QString::asprintf("%.1f s", *segundos) : QStringLiteral("—");
  return QStringLiteral("%1×%2 · %3 · %4")
      .arg(medidas.width())
      .arg(medidas.height())
      .arg(duracion, QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat));
}

QString nombreParaGuardar(const QString& carpeta, const QDateTime& ahora) {
  const QString fecha = QLocale(QStringLiteral("es_MX"))
                            .toString(ahora, QStringLiteral("yyyy-MM-dd 'a las' HH.mm.ss"));
  const QDir dir(carpeta);
  QString ruta = dir.filePath(QStringLiteral("Corvalin %1.mp4").arg(fecha));
  for (int n = 2; QFileInfo::exists(ruta); ++n)
    ruta = dir.filePath(QStringLiteral("Corvalin %1 (%2).mp4").arg(fecha).arg(n));
  return ruta;
}

std::optional<QString> guardarCopia(const QString& archivo, const QString& carpeta,
                                    const QDateTime& ahora, QString* error) {
  if (carpeta.isEmpty() || !QFileInfo(carpeta).isDir()) {
    if (error != nullptr) *error = L("Falta la carpeta en Preferencias");
    return std::nullopt;
  }
  const QString destino = nombreParaGuardar(carpeta, ahora);
  QFile origen(archivo);
  if (!origen.copy(destino)) {
    if (error != nullptr) *error = origen.errorString();
    QFile::remove(destino);  // a half-written copy is no recording
    return std::nullopt;
  }
  // The recording was private while it was being made; the saved copy is the user's file.
  darModoHabitual(destino);
  return destino;
}

}  // namespace corvalin
