// The rules of dragging out an area to record, away from any window: the rectangle a drag
// spans, when it is big enough to count, the size label with the recording's output size,
// and where the label and the hint go. Coordinates are logical pixels, origin top left.
#pragma once

#include <QRect>
#include <QRectF>
#include <QString>
#include <optional>

#include "recording/recording_types.h"

namespace corvalin {

// A drag smaller than this in either direction cancels, as a click does.
inline constexpr double kAreaMinima = 24;

// The rectangle between two corners, whichever way the drag went.
QRectF rectanguloEntre(QPointF a, QPointF b);
// What a finished drag picks: the rectangle rounded outward to whole pixels, or nothing when
// it is under kAreaMinima in width or height.
std::optional<QRect> areaElegida(QPointF inicio, QPointF fin);

// "1280×720 pt  →  1920×1080 px  ·  30 fps": the area's size and what the recording of it
// will measure with these settings (the recorder's own rule).
QString medidaDeArea(QSizeF area, const AjustesDeGrabacion& ajustes);

// Where the size label goes: centred under the selection, 14 px below it, or 8 px above it
// when the selection reaches within 6 px of the view's bottom. `texto` is the text's size;
// the box is 18 wider and 8 taller.
QRectF cajaDeMedida(const QRectF& seleccion, QSizeF texto, const QRectF& vista);
// Where the hint goes: centred, its bottom 12 % of the view's height above the bottom; the
// box is 28 wider and 12 taller than the text.
QRectF cajaDePista(QSizeF texto, const QRectF& vista);

}  // namespace corvalin
