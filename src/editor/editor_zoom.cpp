#include "editor/editor_zoom.h"

#include <algorithm>
#include <cmath>

#include "core/texts.h"

namespace corvalin {

double escalaParaAjustar(QSizeF clip, QSize picture) {
  if (picture.isEmpty() || clip.isEmpty()) return 1;
  return std::min(clip.width() / picture.width(), clip.height() / picture.height());
}

std::optional<double> zoomTrasComando(const ZoomCommand& c, double s, double b, double fitScale) {
  double z = s;
  switch (c.tipo) {
    case ZoomCommand::Tipo::fit:
      return std::nullopt;
    case ZoomCommand::Tipo::zoomIn:
      z = s * 1.25;
      break;
    case ZoomCommand::Tipo::zoomOut:
      z = s / 1.25;
      break;
    case ZoomCommand::Tipo::actual:
      z = 1 / b;
      break;
    case ZoomCommand::Tipo::factor:
      z = s * std::max(0.2, std::isfinite(c.factor) ? c.factor : 1.0);
      break;
  }
  return std::clamp(z, std::min(0.05, fitScale), 16 / b);
}

QString textoDeZoom(std::optional<double> zoom, double scale, double b) {
  if (!zoom) return L("Zoom ajustado a la ventana");
  return L("Zoom %@ %%", QString::number(std::lround(b * scale * 100)));
}

QSize tamanoDeContenido(QSize picture, double b, QSize visible, int extraHeight) {
  if (b <= 0) b = 2;
  if (visible.isEmpty()) visible = QSize(1440, 900);
  const double availW = visible.width() - 80;
  const double availH = visible.height() - (kAltoBarraDeHerramientas + kAltoPie + 80);
  const double w = picture.width() / b, h = picture.height() / b;
  double f = 1;
  if (w > 0 && h > 0) f = std::min({availW / w, availH / h, 1.0});
  f = std::max(f, 0.0);
  const int width = std::max(kAnchoMinimo, static_cast<int>(w * f));
  const int height = static_cast<int>(h * f) + extraHeight;
  return QSize(width, std::max(kAltoMinimo, height));
}

QRect colocarVentana(QSize size, QPoint centre, const QRect& visible) {
  QRect r(QPoint(0, 0), size);
  r.moveCenter(centre);
  if (visible.isEmpty()) return r;
  if (r.right() > visible.right()) r.moveRight(visible.right());
  if (r.bottom() > visible.bottom()) r.moveBottom(visible.bottom());
  if (r.left() < visible.left()) r.moveLeft(visible.left());
  if (r.top() < visible.top()) r.moveTop(visible.top());
  return r;
}

}  // namespace corvalin
