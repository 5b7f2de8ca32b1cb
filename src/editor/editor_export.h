// How a document leaves the editor: the export scale and pixel size, the reduced picture, its
// PNG bytes, the label that shows their size and weight, and saving under a name that is
// never taken twice. Plain functions, safe to run off the main thread.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "core/texts.h"

namespace corvalin {

// One entry of the footer's size menu.
struct OpcionDeTamano {
  QString titulo;  // in the interface language
  double valor = 1;
};
const std::vector<OpcionDeTamano>& opcionesDeTamano();

// The stored scale as used: anything outside (0.05, 1] (or not a number) is full size.
double escalaEfectiva(double stored);
// A chosen scale as stored: clamped to [0.05, 1].
double escalaParaGuardar(double chosen);
// A scale this close to 1 exports at full size.
inline constexpr double kCasiCompleta = 0.999;

// max(1, round(s × side)), halves away from zero.
QSize exportPixelSize(QSize picture, double scale);
// The flattened picture reduced to the export size (itself at full size, or when reducing fails).
QImage reducida(const QImage& flattened, double scale);
// PNG bytes; empty when encoding fails.
QByteArray codificarPng(const QImage& image);

// "1920×1080 · 1,2 MB", with "…" while the weight is unknown.
QString etiquetaDePeso(QSize exportSize, std::optional<qint64> bytes, Idioma idioma);

// "Corvalin 2026-03-01 a las 14.05.09.png", then " (2)", " (3)"… while `existe` says taken.
QString nombreUnico(const QDateTime& cuando, Idioma idioma,
                    const std::function<bool(const QString&)>& existe);
// Where pictures are saved: the setting, else the Downloads folder, else the home folder.
QString carpetaDeGuardado(const QString& saveFolder);

// What saving reports: the file written, or the system's description of what failed.
struct Guardado {
  QString ruta;
  QString error;
  bool ok() const { return error.isEmpty(); }
};
// Creates the folder (with its parents) and writes `png` under a unique name. The picture
// appears under its name whole or not at all; a name is claimed exclusively, so two saves in
// the same second never overwrite each other, and a failed write leaves nothing behind.
Guardado guardarPng(const QString& carpeta, const QByteArray& png, const QDateTime& cuando,
                    Idioma idioma);

}  // namespace corvalin
