// The faces annotations are written in, and the real text measurer over them. Fonts are held at
// one reference pixel size and scaled by the painter, so metrics stay linear in the font size
// at any zoom and on any screen density.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "editor/text_measurer.h"

namespace corvalin {

// A handwriting-like face and the weight it is used at.
struct HandwritingFace {
  QString family;
  QFont::Weight weight = QFont::Normal;
  friend bool operator==(const HandwritingFace&, const HandwritingFace&) = default;
};

// The faces tried for handwritten text, in order of preference.
const std::vector<HandwritingFace>& handwritingFaces();
// The first preferred face among the installed families; nothing when none is installed (the
// semibold system face is used then).
std::optional<HandwritingFace> pickHandwritingFace(const QStringList& installedFamilies);

// One line of laid-out text, in reference units, y growing downwards from the text's top.
struct TextLine {
  QString text;
  double x = 0;         // where the pen starts, so the line's ink is centred
  double baseline = 0;  // from the top of the text
};

class AnnotationFonts : public TextMeasurer {
 public:
  // Fonts are laid out at this pixel size and scaled to the annotation's font size.
  static constexpr double kReferencePx = 100;

  // The system face, the handwriting face picked among the installed families, and the colour
  // emoji face.
  AnnotationFonts();

  QSizeF measure(const QString& text, TextRole role, double fontSize) const override;

  // The face of a role at the reference size.
  const QFont& font(TextRole role) const;
  // Lines of `text` centred in a box `boxWidth` reference units wide (the box's measured width).
  std::vector<TextLine> layout(const QString& text, TextRole role, double boxWidth) const;

  // The colour emoji face at the reference size, and an emoji's size in it.
  const QFont& emojiFont() const { return emoji_; }
  QSizeF measureEmoji(const QString& glyph) const;

  // The family handwritten text uses, for the text field that edits it.
  QString handwritingFamily() const { return font(TextRole::handwriting).family(); }

 private:
  QFont callout_;
  QFont handwriting_;
  QFont counter_;
  QFont emoji_;
};

// The colour emoji family stickers are drawn in.
QString emojiFamily();

}  // namespace corvalin
