// Puts recognised pieces of text back together as lines in reading order.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

namespace corvalin::ocr {

// One recognised piece of text. Positions are fractions of the picture (0…1) with the origin
// at the bottom left and y growing upward.
struct Cacho {
  QString texto;
  double x = 0;     // left edge
  double y = 0;     // vertical middle
  double alto = 0;  // height
};

struct Resultado {
  QString texto;
  int lineas = 0;  // lines in `texto`
};

// Groups the pieces into lines, top line first, each read left to right with its pieces
// separated by one space; lines are separated by "\n". A piece belongs to a line when its middle
// is within the tolerance of the middle of the line's first (highest) piece; the tolerance is
// 0.6 times the median piece height, and never below 0.004.
Resultado armar(std::vector<Cacho> cachos);

// The piece for a box given in pixels of a `tamano` picture, origin at the top left, right and
// bottom edges exclusive.
Cacho cachoDeCaja(QString texto, QRect caja, QSize tamano);

}  // namespace corvalin::ocr
