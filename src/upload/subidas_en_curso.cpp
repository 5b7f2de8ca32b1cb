#include "upload/subidas_en_curso.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

#include "core/texts.h"
#include "platform/notification_center.h"

namespace corvalin {

SubidaEnCurso::SubidaEnCurso(QString nombre, int64_t bytes, std::function<void()> cancelar)
    : id_(QUuid::createUuid()),
      nombre_(std::move(nombre)),
      bytes_(bytes),
      cancelar_(std::move(cancelar)) {}

QString SubidaEnCurso::resumen() const {
  const int percent = static_cast<int>(progreso_ * 100.0);
  return nombre_ + QStringLiteral(" \u00B7 ") + tamanoDeArchivo(bytes_) +
         QStringLiteral(" \u00B7 ") + QString::number(percent) + QStringLiteral(" %");
}

SubidasEnCurso& SubidasEnCurso::shared() {
  static SubidasEnCurso* list = new SubidasEnCurso();
  return *list;
}

std::shared_ptr<SubidaEnCurso> SubidasEnCurso::agregar(const QString& nombre, int64_t bytes,
                                                       std::function<void()> cancelar) {
  auto subida = std::make_shared<SubidaEnCurso>(nombre, bytes, std::move(cancelar));
  activas_.append(subida);
  NotificationCenter::shared().post(QString::fromUtf8(notificacion::kSubidas));
  return subida;
}

void SubidasEnCurso::quitar(const std::shared_ptr<SubidaEnCurso>& subida) {
  if (activas_.removeOne(subida)) {
    NotificationCenter::shared().post(QString::fromUtf8(notificacion::kSubidas));
  }
}

void SubidasEnCurso::ponerProgreso(const std::shared_ptr<SubidaEnCurso>& subida, double fraccion) {
  subida->progreso_ = std::isnan(fraccion) ? 0.0 : std::clamp(fraccion, 0.0, 1.0);
  NotificationCenter::shared().post(QString::fromUtf8(notificacion::kSubidas));
}

void SubidasEnCurso::cancelar(const std::shared_ptr<SubidaEnCurso>& subida) {
  if (subida->cancelar_) subida->cancelar_();
}

QString tamanoDeArchivo(int64_t bytes) {
  const QLocale locale(idiomaActual() == Idioma::ingles ? QLocale::English : QLocale::Spanish);
  // Decimal units, as file managers show file sizes.
  return locale.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

}  // namespace corvalin
