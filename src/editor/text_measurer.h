// How annotation geometry learns the size of a text without a window system: the editor hands
// in the real font measurer (editor/annotation_fonts.h), tests hand in fakes.
#pragma once

#include <QSizeF>
#include <QString>

namespace corvalin {

// The three text styles of annotations, each with its own face and weight.
enum class TextRole {
  callout,      // semibold system face
  handwriting,  // a handwriting face, else the semibold system face
  counter,      // bold system face
};

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // The unrounded size of `text` laid out unbounded at `fontSize` image units: the widest line
  // by the number of lines times the line spacing (leading included). Never called with an
  // empty text.
  virtual QSizeF measure(const QString& text, TextRole role, double fontSize) const = 0;
};

}  // namespace corvalin
