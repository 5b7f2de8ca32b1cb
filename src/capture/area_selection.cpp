#include "capture/area_selection.h"

#include <cmath>

#include "recording/output_size.h"

namespace corvalin {

QRectF rectanguloEntre(QPointF a, QPointF b) {
  return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(a.x() - b.x()),
                std::abs(a.y() - b.y()));
}

std::optional<QRect> areaElegida(QPointF inicio, QPointF fin) {
  const QRectF r = rectanguloEntre(inicio, fin);
  if (r.width() < kAreaMinima || r.height() < kAreaMinima) return std::nullopt;
  const int left = static_cast<int>(std::floor(r.left()));
  const int top = static_cast<int>(std::floor(r.top()));
  const int right = static_cast<int>(std::ceil(r.right()));
  const int bottom = static_cast<int>(std::ceil(r.bottom()));
  return QRect(left, top, right - left, bottom - top);
}

QString medidaDeArea(QSizeF area, const AjustesDeGrabacion& ajustes) {
  const QSize salida =
      tamanoDeSalida(area.width(), area.height(), ajustes.escala, ajustes.anchoMaximo);
  return QStringLiteral("%1×%2 pt  →  %3×%4 px  ·  %5 fps")
      .arg(static_cast<int>(area.width()))
      .arg(static_cast<int>(area.height()))
      .arg(salida.width())
      .arg(salida.height())
      .arg(ajustes.fps);
}

QRectF cajaDeMedida(const QRectF& seleccion, QSizeF texto, const QRectF& vista) {
  const QSizeF caja(texto.width() + 18, texto.height() + 8);
  const double x = seleccion.center().x() - texto.width() / 2 - 9;
  const bool abajo = vista.bottom() - seleccion.bottom() >= 6;
  const double y = abajo ? seleccion.bottom() + 14 : seleccion.top() - 8 - caja.height();
  return QRectF(QPointF(x, y), caja);
}

QRectF cajaDePista(QSizeF texto, const QRectF& vista) {
  const QSizeF caja(texto.width() + 28, texto.height() + 12);
  const double bottom = vista.bottom() - vista.height() * 0.12;
  return QRectF(QPointF(vista.center().x() - caja.width() / 2, bottom - caja.height()), caja);
}

}  // namespace corvalin
