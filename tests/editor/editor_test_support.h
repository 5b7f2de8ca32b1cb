// Shared by the editor suites: a deterministic text measurer, picture helpers and the folder
// where pictures for people to look at are written.
#pragma once

#include <QColor>
#include <QDir>
#include <QImage>
#include <QString>
#include <cmath>

#include "editor/annotation_fonts.h"
#include "editor/shape.h"
#include "editor/text_measurer.h"

namespace corvalin::testing {

// Every character 0.5 × fontSize wide, every line 1.2 × fontSize tall (fractions included, so
// rounding up shows).
class FakeMeasurer : public TextMeasurer {
 public:
  QSizeF measure(const QString& text, TextRole, double fontSize) const override {
    const QStringList lines = text.split(QLatin1Char('\n'));
    qsizetype widest = 0;
    for (const QString& l : lines) widest = std::max(widest, l.size());
    return QSizeF(0.5 * fontSize * static_cast<double>(widest) + 0.3,
                  1.2 * fontSize * static_cast<double>(lines.size()) + 0.1);
  }
};

// A shape of `kind` from `a` to `b`, every other field at its default.
inline Shape shapeOf(ToolKind kind, QPointF a = {}, QPointF b = {}, double width = 2) {
  Shape s;
  s.kind = kind;
  s.start = a;
  s.end = b;
  s.width = width;
  return s;
}

// A callout, handwriting or counter with its box's lower-left corner at `origin`.
inline Shape textOf(ToolKind kind, QPointF origin, const QString& text, double fontSize) {
  Shape s = shapeOf(kind, origin);
  s.text = text;
  s.fontSize = fontSize;
  return s;
}

// The real fonts, loaded once.
inline const AnnotationFonts& fuentes() {
  static const AnnotationFonts f;
  return f;
}

inline QImage filled(int w, int h, const QColor& c) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(c);
  return img;
}

// The largest difference of one channel between two colours.
inline int colorDistance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
}

inline QString artifactsDir() {
  const QString dir = QStringLiteral(CORVALIN_ARTIFACTS_DIR);
  QDir().mkpath(dir);
  return dir;
}

}  // namespace corvalin::testing
