#include "editor/annotation_fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <algorithm>

namespace corvalin {
namespace {

QFont atReference(QFont font, QFont::Weight weight) {
  font.setPixelSize(static_cast<int>(AnnotationFonts::kReferencePx));
  font.setWeight(weight);
  font.setItalic(false);
  // Unhinted outlines keep advances proportional to the size, so a text measured at the
  // reference size and scaled matches what the painter draws at any zoom.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

QStringList linesOf(const QString& text) {
  return text.split(QLatin1Char('\n'));
}

// The horizontal extent of a line's ink and advance: script faces overhang their advance.
std::pair<double, double> lineExtent(const QFontMetricsF& fm, const QString& line) {
  const double advance = fm.horizontalAdvance(line);
  if (line.trimmed().isEmpty()) return {0, advance};
  const QRectF ink = fm.tightBoundingRect(line);
  return {std::min(0.0, ink.left()), std::max(advance, ink.right())};
}

}  // namespace

const std::vector<HandwritingFace>& handwritingFaces() {
  // A brisk marker hand first, then a rounded casual hand; both cover Spanish and English.
  static const std::vector<HandwritingFace> faces = {
      {QStringLiteral("Kaushan Script"), QFont::Normal},
      {QStringLiteral("Comic Neue"), QFont::Bold},
  };
  return faces;
}

std::optional<HandwritingFace> pickHandwritingFace(const QStringList& installed) {
  for (const HandwritingFace& face : handwritingFaces()) {
    if (installed.contains(face.family, Qt::CaseInsensitive)) return face;
  }
  return std::nullopt;
}

QString emojiFamily() {
  return QStringLiteral("Noto Color Emoji");
}

AnnotationFonts::AnnotationFonts() {
  const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  callout_ = atReference(system, QFont::DemiBold);
  counter_ = atReference(system, QFont::Bold);
  if (const auto face = pickHandwritingFace(QFontDatabase::families())) {
    QFont hand(face->family);
    hand.setStyleHint(QFont::Cursive);
    handwriting_ = atReference(hand, face->weight);
  } else {
    handwriting_ = callout_;
  }
  emoji_ = atReference(QFont(emojiFamily()), QFont::Normal);
}

const QFont& AnnotationFonts::font(TextRole role) const {
  switch (role) {
    case TextRole::handwriting:
      return handwriting_;
    case TextRole::counter:
      return counter_;
    case TextRole::callout:
      break;
  }
  return callout_;
}

QSizeF AnnotationFonts::measure(const QString& text, TextRole role, double fontSize) const {
  const QFontMetricsF fm(font(role));
  const QStringList lines = linesOf(text);
  double widest = 0;
  for (const QString& line : lines) {
    const auto [left, right] = lineExtent(fm, line);
    widest = std::max(widest, right - left);
  }
  const double k = fontSize / kReferencePx;
  return QSizeF(widest * k, static_cast<double>(lines.size()) * fm.lineSpacing() * k);
}

std::vector<TextLine> AnnotationFonts::layout(const QString& text, TextRole role,
                                              double boxWidth) const {
  const QFontMetricsF fm(font(role));
  std::vector<TextLine> out;
  double top = 0;
  for (const QString& line : linesOf(text)) {
    const auto [left, right] = lineExtent(fm, line);
    out.push_back({line, (boxWidth - (right - left)) / 2 - left, top + fm.ascent()});
    top += fm.lineSpacing();
  }
  return out;
}

QSizeF AnnotationFonts::measureEmoji(const QString& glyph) const {
  const QFontMetricsF fm(emoji_);
  return QSizeF(fm.horizontalAdvance(glyph), fm.lineSpacing());
}

}  // namespace corvalin
