// The screens as Qt lays them out and as the X server does. Qt works in logical pixels: each
// screen keeps its origin and has its size divided by its scale factor. The X server, the
// grabs and the recorder work in the root window's device pixels. This is the one conversion
// between the two, for every chooser and for the recorder.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <vector>

class QScreen;

namespace corvalin {

struct PantallaEnMapa {
  QString nombre;
  QRect logico;       // Qt's geometry of the screen
  double escala = 1;  // device pixels per logical pixel
  // The screen in root device pixels: the same origin, the size times the scale.
  QRect raiz() const;
  static PantallaEnMapa de(const QScreen& pantalla);
};

class MapaDePantallas {
 public:
  explicit MapaDePantallas(std::vector<PantallaEnMapa> pantallas);
  // The application's screens now.
  static MapaDePantallas actual();

  const std::vector<PantallaEnMapa>& pantallas() const { return pantallas_; }
  const PantallaEnMapa* porNombre(const QString& nombre) const;
  // The screen containing the point, else the nearest; null without screens.
  const PantallaEnMapa* enLogico(QPointF punto) const;
  const PantallaEnMapa* enRaiz(QPoint punto) const;

  // A point of `pantalla` (logical, global) in root pixels, and back.
  static QPointF aRaiz(const PantallaEnMapa& pantalla, QPointF logico);
  static QPointF aLogico(const PantallaEnMapa& pantalla, QPointF raiz);
  // The same through the screen the point lies on.
  QPointF aRaiz(QPointF logico) const;
  QPointF aLogico(QPointF raiz) const;
  // A rectangle of `pantalla` in root pixels, and back; both rounded outward to whole pixels.
  static QRect rectEnRaiz(const PantallaEnMapa& pantalla, const QRect& logico);
  static QRect rectEnLogico(const PantallaEnMapa& pantalla, const QRect& raiz);

 private:
  std::vector<PantallaEnMapa> pantallas_;
};

}  // namespace corvalin
