#include "platform/screen_map.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <limits>

#include "platform/display_server.h"

namespace corvalin {
namespace {

double distancia(const QRect& r, QPointF p) {
  const double dx = std::max({r.left() - p.x(), 0.0, p.x() - (r.right() + 1)});
  const double dy = std::max({r.top() - p.y(), 0.0, p.y() - (r.bottom() + 1)});
  return std::hypot(dx, dy);
}

const PantallaEnMapa* cercana(const std::vector<PantallaEnMapa>& pantallas, QPointF p,
                              QRect (*area)(const PantallaEnMapa&)) {
  const PantallaEnMapa* mejor = nullptr;
  double menor = std::numeric_limits<double>::infinity();
  for (const PantallaEnMapa& s : pantallas) {
    const double d = distancia(area(s), p);
    if (d < menor) {
      menor = d;
      mejor = &s;
    }
  }
  return mejor;
}

QRect haciaFuera(double x0, double y0, double x1, double y1) {
  const int l = static_cast<int>(std::floor(x0 + 1e-9));
  const int t = static_cast<int>(std::floor(y0 + 1e-9));
  const int r = static_cast<int>(std::ceil(x1 - 1e-9));
  const int b = static_cast<int>(std::ceil(y1 - 1e-9));
  return QRect(l, t, r - l, b - t);
}

}  // namespace

QRect PantallaEnMapa::raiz() const {
  return QRect(logico.topLeft(), QSize(static_cast<int>(std::lround(logico.width() * escala)),
                                       static_cast<int>(std::lround(logico.height() * escala))));
}

PantallaEnMapa PantallaEnMapa::de(const QScreen& pantalla) {
  // On Wayland nothing of Corvalin's reads the screen in device pixels: the desktop's stream
  // maps its layout onto its own frames, so the root there is the layout itself.
  const double escala =
      servidorGrafico() == ServidorGrafico::wayland ? 1.0 : pantalla.devicePixelRatio();
  return {pantalla.name(), pantalla.geometry(), escala};
}

MapaDePantallas::MapaDePantallas(std::vector<PantallaEnMapa> pantallas)
    : pantallas_(std::move(pantallas)) {}

MapaDePantallas MapaDePantallas::actual() {
  std::vector<PantallaEnMapa> pantallas;
  for (QScreen* s : QGuiApplication::screens()) {
    pantallas.push_back(PantallaEnMapa::de(*s));
  }
  return MapaDePantallas(std::move(pantallas));
}

const PantallaEnMapa* MapaDePantallas::porNombre(const QString& nombre) const {
  for (const PantallaEnMapa& s : pantallas_) {
    if (s.nombre == nombre) return &s;
  }
  return nullptr;
}

const PantallaEnMapa* MapaDePantallas::enLogico(QPointF punto) const {
  return cercana(pantallas_, punto, [](const PantallaEnMapa& s) { return s.logico; });
}

const PantallaEnMapa* MapaDePantallas::enRaiz(QPoint punto) const {
  return cercana(pantallas_, punto, [](const PantallaEnMapa& s) { return s.raiz(); });
}

QPointF MapaDePantallas::aRaiz(const PantallaEnMapa& s, QPointF logico) {
  const QPointF origen = s.logico.topLeft();
  return origen + (logico - origen) * s.escala;
}

QPointF MapaDePantallas::aLogico(const PantallaEnMapa& s, QPointF raiz) {
  const QPointF origen = s.logico.topLeft();
  return origen + (raiz - origen) / s.escala;
}

QPointF MapaDePantallas::aRaiz(QPointF logico) const {
  const PantallaEnMapa* s = enLogico(logico);
  return s ? aRaiz(*s, logico) : logico;
}

QPointF MapaDePantallas::aLogico(QPointF raiz) const {
  const PantallaEnMapa* s = enRaiz(raiz.toPoint());
  return s ? aLogico(*s, raiz) : raiz;
}

QRect MapaDePantallas::rectEnRaiz(const PantallaEnMapa& s, const QRect& logico) {
  const QPointF a = aRaiz(s, QPointF(logico.x(), logico.y()));
  const QPointF b = aRaiz(s, QPointF(logico.x() + logico.width(), logico.y() + logico.height()));
  return haciaFuera(a.x(), a.y(), b.x(), b.y());
}

QRect MapaDePantallas::rectEnLogico(const PantallaEnMapa& s, const QRect& raiz) {
  const QPointF a = aLogico(s, QPointF(raiz.x(), raiz.y()));
  const QPointF b = aLogico(s, QPointF(raiz.x() + raiz.width(), raiz.y() + raiz.height()));
  return haciaFuera(a.x(), a.y(), b.x(), b.y());
}

}  // namespace corvalin
