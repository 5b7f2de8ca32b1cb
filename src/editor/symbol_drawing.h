// Vector drawings for the editor's symbol names (the tools' icons and the inspector's
// buttons), so they look the same, crisp at any screen density, whatever icon theme is in use.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <functional>

namespace corvalin {

bool hasSymbolDrawing(const QString& symbol);
// Draws `symbol` in `color`, fitted and centred in `box`.
void drawSymbol(QPainter& painter, const QRectF& box, const QString& symbol, const QColor& color);
// An icon over drawSymbol, in the palette's text colour (dimmed when disabled, the highlighted
// text colour when selected).
QIcon symbolIcon(const QString& symbol);
// The same icon drawn by `dibujo`, given the painter, the box, the symbol and the colour.
using DibujoDeSimbolo =
    std::function<void(QPainter&, const QRect&, const QString& symbol, const QColor&)>;
QIcon symbolIcon(const QString& symbol, DibujoDeSimbolo dibujo);

}  // namespace corvalin
