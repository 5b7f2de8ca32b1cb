// The emoji the sticker tool offers, in sections, and the list of recently used ones.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace corvalin {

class Settings;

struct StickerSection {
  QString title;       // in the interface language
  QStringList glyphs;  // one emoji each, in display order
};

class StickerCatalog {
 public:
  // The catalogue, built on first use with the colour emoji font's coverage and kept for the
  // life of the process.
  static const std::vector<StickerSection>& sections();
  // The catalogue with a drawable test of one's own: every section's ranges then its fixed
  // list, filtered; sections left empty are dropped.
  static std::vector<StickerSection> construir(
      const std::function<bool(const QString&)>& dibujable);
  // One-scalar strings for every valid scalar from `start` to `end` inclusive; surrogates and
  // values past U+10FFFF are skipped.
  static QStringList rango(char32_t start, char32_t end);
  // Whether the colour emoji font has a glyph for the first scalar of `glyph`.
  static bool dibujable(const QString& glyph);
};

// The sections the picker shows: "Most used" with `recents` as they are (never filtered), then
// the catalogue; the catalogue alone when `recents` is empty.
std::vector<StickerSection> seccionesDelPicker(const QStringList& recents,
                                               const std::vector<StickerSection>& catalogue);

// `recents` with `glyph` moved or added to the front, at most 10 entries.
QStringList recordarSticker(QStringList recents, const QString& glyph);
// Stores `glyph` as the most recently used sticker.
void rememberSticker(Settings& settings, const QString& glyph);
// The status line after choosing `glyph`.
QString mensajeDeSticker(const QString& glyph);

}  // namespace corvalin
