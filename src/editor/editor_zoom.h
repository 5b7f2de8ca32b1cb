// The window-level zoom and the window's size: plain functions over scales in view points per
// image pixel, so that every rule can be checked without a screen.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

namespace corvalin {

struct ZoomCommand {
  enum class Tipo { factor, zoomIn, zoomOut, fit, actual };
  Tipo tipo = Tipo::fit;
  double factor = 1;  // for `factor`: a pinch's magnification factor
};

// The scale that shows the whole picture in `clip`.
double escalaParaAjustar(QSizeF clip, QSize picture);
// The fixed zoom a command leads to from the current scale `s` on a screen of backing scale
// `b`; nothing means fit to the window. Kept within [min(0.05, fit scale), 16 / b].
std::optional<double> zoomTrasComando(const ZoomCommand& c, double s, double b, double fitScale);
// The status line: fitted, or the zoom in device pixels per image pixel ("Zoom 100 %").
QString textoDeZoom(std::optional<double> zoom, double scale, double b);

// Heights of the window's bars, points.
inline constexpr int kAltoBarraDeHerramientas = 44;
inline constexpr int kAltoBarraDeOpciones = 32;
inline constexpr int kAltoPie = 44;
inline constexpr int kAnchoMinimo = 820;
inline constexpr int kAltoMinimo = 280;

// The content size that shows `picture` at `b` image pixels per point within the visible
// screen (1440 × 900 when unknown), with `extraHeight` for the bars above and below.
QSize tamanoDeContenido(QSize picture, double b, QSize visible, int extraHeight);
// A window frame of `size` kept centred on `centre` and moved inside `visible`.
QRect colocarVentana(QSize size, QPoint centre, const QRect& visible);

}  // namespace corvalin
