#include "recording/windows/camera_layout.h"

namespace corvalin {

QSize tamanoDeBurbuja(FormaDeCamara forma, bool grande) {
  if (forma == FormaDeCamara::rectangulo) return grande ? QSize(352, 264) : QSize(224, 168);
  return grande ? QSize(270, 270) : QSize(170, 170);
}

QRect burbujaEnArea(const QRect& area, QSize tamano) {
  constexpr int kMargen = 24;
  return QRect(QPoint(area.x() + area.width() - tamano.width() - kMargen,
                      area.y() + area.height() - tamano.height() - kMargen),
               tamano);
}

QRect acomodarBurbuja(const QRect& actual, QSize nuevo, const QRect& visible) {
  // Twice the centres, so halves stay whole.
  const QPoint centro = actual.topLeft() * 2 + QPoint(actual.width(), actual.height());
  const QPoint medio = visible.topLeft() * 2 + QPoint(visible.width(), visible.height());
  const int x = centro.x() > medio.x() ? actual.x() + actual.width() - nuevo.width() : actual.x();
  const int y = centro.y() < medio.y() ? actual.y() : actual.y() + actual.height() - nuevo.height();
  return QRect(QPoint(x, y), nuevo);
}

}  // namespace corvalin
