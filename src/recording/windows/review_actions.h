// What the review window does with a finished recording, apart from the window: the line
// that describes it, and saving a copy under a name of its own in a folder.
#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>
#include <optional>

namespace corvalin {

// "1280×720 · 12.3 s · 1.2 MB"; an em dash when the length is not known.
QString datosDelVideo(const QSize& medidas, std::optional<double> segundos, qint64 bytes);

// "Corvalin 2026-12-07 a las 14.05.09.mp4" in `carpeta`, or with " (2)", " (3)"… when that
// name is taken.
QString nombreParaGuardar(const QString& carpeta, const QDateTime& ahora);

// Copies `archivo` into `carpeta` under nombreParaGuardar; the copy's path, or nothing with
// the reason in `error` (a folder that is not set or not there is one).
std::optional<QString> guardarCopia(const QString& archivo, const QString& carpeta,
                                    const QDateTime& ahora, QString* error);

}  // namespace corvalin
