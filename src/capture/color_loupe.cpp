#include "capture/color_loupe.h"

#include <algorithm>
#include <cmath>

namespace corvalin {
namespace {

constexpr double kSeparacion = 22;  // between the pointer and the frame
constexpr double kMargen = 8;       // kept between the frame and the view's edges

}  // namespace

QRectF marcoDeLupa(QPointF cursor, const QRectF& vista) {
  double x = cursor.x() + kSeparacion;
  double y = cursor.y() + kSeparacion;
  if (x + kLadoDeLupa > vista.right() - kMargen) x = cursor.x() - kLadoDeLupa - kSeparacion;
  if (y + kAltoDeLupa > vista.bottom() - kMargen) y = cursor.y() - kAltoDeLupa - kSeparacion;
  return QRectF(x, y, kLadoDeLupa, kAltoDeLupa);
}

QRectF cuadroDeLupa(const QRectF& marco) {
  return QRectF(marco.topLeft(), QSizeF(kLadoDeLupa, kLadoDeLupa));
}

QRectF celdaCentral(const QRectF& marco) {
  const double lado = (kCeldasDeLupa / 2) * kAumentoDeLupa;  // 7 cells: 91
  return QRectF(marco.x() + lado, marco.y() + lado, kAumentoDeLupa, kAumentoDeLupa);
}

QRectF muestraDeLupa(const QRectF& marco) {
  return QRectF(marco.x() + 8, marco.y() + kLadoDeLupa + 7, 16, 16);
}

QRectF textoDeLupa(const QRectF& marco) {
  const QRectF muestra = muestraDeLupa(marco);
  return QRectF(muestra.right() + 8, marco.y() + kLadoDeLupa, marco.width() - 40,
                kAltoDeLupa - kLadoDeLupa);
}

QPoint pixelBajo(QPointF local, const PantallaEnMapa& pantalla, const QRect& raiz) {
  const QRect zona = pantalla.raiz().intersected(raiz);
  if (zona.isEmpty()) return raiz.topLeft();
  const int x = pantalla.logico.x() + static_cast<int>(std::floor(local.x() * pantalla.escala));
  const int y = pantalla.logico.y() + static_cast<int>(std::floor(local.y() * pantalla.escala));
  return QPoint(std::clamp(x, zona.left(), zona.right()), std::clamp(y, zona.top(), zona.bottom()));
}

QPointF puntoDePixel(QPoint pixel, const PantallaEnMapa& pantalla) {
  const QPointF desde = QPointF(pixel - pantalla.logico.topLeft()) + QPointF(0.5, 0.5);
  return desde / pantalla.escala;
}

}  // namespace corvalin
