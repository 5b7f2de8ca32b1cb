#include "editor/sticker_catalog.h"

#include <QRawFont>

#include "core/settings.h"
#include "core/texts.h"
#include "editor/annotation_fonts.h"

namespace corvalin {
namespace {

struct Range {
  char32_t first, last;
};

// A fixed-list entry: its scalar, with the emoji variation selector after it when `vs16`.
struct Entry {
  char32_t scalar;
  bool vs16 = false;
};

struct SeccionFija {
  QString title;
  std::vector<Range> ranges;
  std::vector<Entry> fixed;
};

QString fromScalar(char32_t c) {
  return QString::fromUcs4(&c, 1);
}

QString fromEntry(const Entry& e) {
  QString s = fromScalar(e.scalar);
  if (e.vs16) s += QChar(0xFE0F);
  return s;
}

std::vector<SeccionFija> seccionesFijas() {
  constexpr bool V = true;
  return {
      {L("Caras y emociones"), {{0x1F600, 0x1F64F}}, {}},
      {L("Gestos y personas"), {{0x1F440, 0x1F450}, {0x1F466, 0x1F487}, {0x1F9D0, 0x1F9DF}}, {}},
      {L("Animales y naturaleza"),
       {{0x1F400, 0x1F43F}, {0x1F330, 0x1F344}},
       {{0x1F31E},
        {0x1F31D},
        {0x1F308},
        {0x26C5, V},
        {0x2600, V},
        {0x1F327, V},
        {0x2744, V},
        {0x26A1, V},
        {0x1F525},
        {0x1F4A7}}},
      {L("Comida y bebida"), {{0x1F345, 0x1F37F}}, {}},
      {L("Actividades"),
       {{0x1F380, 0x1F3C4}},
       {{0x26BD, V}, {0x1F3C0}, {0x1F3BE}, {0x1F3C6}, {0x1F947}, {0x1F3AE}, {0x1F3B2}}},
      {L("Viajes y lugares"), {{0x1F680, 0x1F6C5}, {0x1F3E0, 0x1F3F0}}, {}},
      {L("Objetos"),
       {{0x1F4A0, 0x1F4FF}, {0x1F526, 0x1F52F}},
       {{0x231A, V},
        {0x2328, V},
        {0x1F5A5, V},
        {0x1F5B1, V},
        {0x1F4BE},
        {0x1F4CE},
        {0x270F, V},
        {0x1F4CC},
        {0x1F512},
        {0x1F513}}},
      {L("Símbolos"),
       {},
       {{0x2705},    {0x274C},    {0x26A0, V}, {0x2753},    {0x2757, V}, {0x1F4AF}, {0x1F6AB},
        {0x26D4, V}, {0x1F197},   {0x1F195},   {0x1F534},   {0x1F7E0},   {0x1F7E1}, {0x1F7E2},
        {0x1F535},   {0x1F7E3},   {0x26AB, V}, {0x26AA, V}, {0x1F7E5},   {0x1F7E7}, {0x1F7E8},
        {0x1F7E9},   {0x1F7E6},   {0x1F7EA},   {0x2764, V}, {0x1F9E1},   {0x1F49B}, {0x1F49A},
        {0x1F499},   {0x1F49C},   {0x1F5A4},   {0x1F90D},   {0x1F494},   {0x1F496}, {0x2B50, V},
        {0x1F31F},   {0x2728},    {0x1F4AB},   {0x2611, V}, {0x2714, V}, {0x2795},  {0x2796},
        {0x2716, V}, {0x267E, V}, {0x2122, V}, {0x00A9, V}}},
      {L("Flechas"),
       {},
       {{0x27A1, V},
        {0x2B05, V},
        {0x2B06, V},
        {0x2B07, V},
        {0x2197, V},
        {0x2198, V},
        {0x2199, V},
        {0x2196, V},
        {0x2194, V},
        {0x2195, V},
        {0x1F504},
        {0x1F501},
        {0x1F519},
        {0x1F51A},
        {0x1F51C},
        {0x25B6, V},
        {0x23F8, V},
        {0x23F9, V}}},
  };
}

}  // namespace

QStringList StickerCatalog::rango(char32_t start, char32_t end) {
  QStringList out;
  for (char32_t c = start; c <= end && c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    out.append(fromScalar(c));
  }
  return out;
}

bool StickerCatalog::dibujable(const QString& glyph) {
  const QList<uint> scalars = glyph.toUcs4();
  if (scalars.isEmpty()) return false;
  static const QRawFont font = QRawFont::fromFont(QFont(emojiFamily()));
  // Only the colour font counts: a text face's plain glyph is not a sticker.
  if (!font.isValid() || font.familyName() != emojiFamily()) return false;
  return font.supportsCharacter(scalars.first());
}

std::vector<StickerSection> StickerCatalog::construir(
    const std::function<bool(const QString&)>& dibujable) {
  std::vector<StickerSection> out;
  for (const SeccionFija& def : seccionesFijas()) {
    StickerSection section{def.title, {}};
    QStringList candidates;
    for (const Range& r : def.ranges) candidates += rango(r.first, r.last);
    for (const Entry& e : def.fixed) candidates.append(fromEntry(e));
    for (const QString& g : candidates) {
      if (dibujable(g)) section.glyphs.append(g);
    }
    if (!section.glyphs.isEmpty()) out.push_back(std::move(section));
  }
  return out;
}

const std::vector<StickerSection>& StickerCatalog::sections() {
  static const std::vector<StickerSection> catalogue = construir(&StickerCatalog::dibujable);
  return catalogue;
}

std::vector<StickerSection> seccionesDelPicker(const QStringList& recents,
                                               const std::vector<StickerSection>& catalogue) {
  std::vector<StickerSection> out;
  if (!recents.isEmpty()) out.push_back({L("Más usados"), recents});
  out.insert(out.end(), catalogue.begin(), catalogue.end());
  return out;
}

QStringList recordarSticker(QStringList recents, const QString& glyph) {
  recents.removeAll(glyph);
  recents.prepend(glyph);
  return recents.mid(0, 10);
}

void rememberSticker(Settings& settings, const QString& glyph) {
  settings.setStickerRecents(recordarSticker(settings.stickerRecents(), glyph));
}

QString mensajeDeSticker(const QString& glyph) {
  return L("Sticker %@ — clic en la imagen para ponerlo, arrastra para darle tamaño", glyph);
}

}  // namespace corvalin
