// Pictures of interface text drawn with QPainter, with the text they show, for measuring text
// recognition; shared by the recognition suite and its benchmark.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

namespace corvalin::ocr_samples {

// The looks a screenshot of text usually has.
enum class Tema {
  claro,      // dark text on a light window, a bold title and a grey secondary line
  oscuro,     // the same in a dark theme
  resaltado,  // a light menu with one row selected: light text on a saturated colour
  burbujas,   // a chat: grey bubbles with dark text, blue bubbles with white text
  ajustes,    // label and value on the same row, far apart, as in a settings page
};

enum class Lengua { es, en };

struct Muestra {
  QString nombre;      // family, size, theme and language, for messages and file names
  QImage imagen;       // RGB32
  QString referencia;  // the lines in reading order, joined with "\n"
};

// Draws `lineas` lines of `lengua` in `familia` at `pixeles` px, starting at entry `desde` of
// that language's phrase list.
Muestra dibujar(const QString& familia, int pixeles, Tema tema, Lengua lengua, int desde = 0,
                int lineas = 5);

// The families the pictures are drawn in.
QStringList familias();

// Families the pictures use that the font database does not have; fontconfig would silently
// substitute another face for them.
QStringList familiasQueFaltan();

// Trims every line, collapses runs of spaces and drops empty lines, so that a reading is
// judged on its characters and line breaks, not on the layout of its white space.
QString normalizar(const QString& texto);

// Levenshtein distance between the normalised texts over the reference's length.
double tasaDeError(const QString& leido, const QString& referencia);

}  // namespace corvalin::ocr_samples
