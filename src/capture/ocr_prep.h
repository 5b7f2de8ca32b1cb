// Turns a screenshot into the picture the recognition engine reads best: grey, dark ink on a
// white ground in every region whatever the theme, and enlarged so that small interface text
// reaches the letter size the engine was trained on.
#pragma once

#include <QImage>

namespace corvalin::ocr {

struct OpcionesDePreparacion {
  // Invert regions whose text is lighter than their ground and stretch each region's contrast.
  bool normalizarTinta = true;
  // Enlarge until the typical letter (about the x-height) is this tall; 0 leaves the size
  // alone. Measured on 9 to 24 px text, 16 reads the smallest text as well as enlarging
  // everything three times, and spends less time on large text, which it leaves nearly alone.
  double altoDeLetraObjetivoPx = 16;
  // Used instead of the letter height when positive.
  double factorFijo = 0;
};

// The picture as read, and how much larger than the original it is.
struct Preparada {
  QImage imagen;  // Format_Grayscale8
  double factor = 1.0;
};

// Grey levels (Rec. 709 luma), with transparent pixels composited over white.
QImage aGris(const QImage& imagen);

// Each flat region of the picture (a window, a selected row, a bubble) with the marks inside
// it becomes dark ink on white: the region is inverted when its marks are lighter than its
// ground, and its contrast stretched so that its strongest ink is black. The antialiased edges
// where two grounds meet (rounded bubbles and buttons) become white instead of ink.
QImage normalizarTinta(const QImage& gris);

// The median height in pixels of the ink marks (mostly single letters) of a picture with dark
// ink on a light ground; 0 when it has none.
double altoDeLetra(const QImage& gris);

// Enlarged by `factor` (at least 1) with bicubic interpolation, which keeps stroke edges
// steeper than bilinear does.
QImage ampliar(const QImage& gris, double factor);

// The factor that brings letters of `altoPx` to `objetivoPx`, between 1 and 4, reduced so that
// the result stays within the engine's comfortable size.
double factorPara(double altoPx, double objetivoPx, QSize tamano);

Preparada preparar(const QImage& imagen, const OpcionesDePreparacion& opciones);

}  // namespace corvalin::ocr
