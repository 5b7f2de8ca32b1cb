#include "hotkeys/hotkey.h"

#include <QHash>
#include <QStringList>

#include "app/texts.h"

namespace corvalin {
namespace {

// What each key position prints on a US layout, by stored key code. The keyboard-layout
// aware names come from the hotkey service; this is the answer when no layout is known.
const QHash<uint32_t, QString>& caracteresUS() {
  static const QHash<uint32_t, QString> table = [] {
    const std::pair<uint32_t, const char*> keys[] = {
        {0, "A"},  {1, "S"},   {2, "D"},  {3, "F"},  {4, "H"},  {5, "G"},  {6, "Z"},  {7, "X"},
        {8, "C"},  {9, "V"},   {10, "§"}, {11, "B"}, {12, "Q"}, {13, "W"}, {14, "E"}, {15, "R"},
        {16, "Y"}, {17, "T"},  {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {22, "6"}, {23, "5"},
        {24, "="}, {25, "9"},  {26, "7"}, {27, "-"}, {28, "8"}, {29, "0"}, {30, "]"}, {31, "O"},
        {32, "U"}, {33, "["},  {34, "I"}, {35, "P"}, {37, "L"}, {38, "J"}, {39, "'"}, {40, "K"},
        {41, ";"}, {42, "\\"}, {43, ","}, {44, "/"}, {45, "N"}, {46, "M"}, {47, "."}, {50, "`"},
    };
    QHash<uint32_t, QString> t;
    for (const auto& [code, text] : keys) t.insert(code, QString::fromUtf8(text));
    return t;
  }();
  return table;
}

}  // namespace

QString Hotkey::keyName(uint32_t keyCode) {
  switch (keyCode) {
    case 49:
      return L("Espacio");
    case 36:
      return QStringLiteral("↩");
    case 48:
      return QStringLiteral("⇥");
    case 51:
      return QStringLiteral("⌫");
    case 53:
      return QStringLiteral("Esc");
    case 117:
      return QStringLiteral("⌦");
    case 123:
      return QStringLiteral("←");
    case 124:
      return QStringLiteral("→");
    case 125:
      return QStringLiteral("↓");
    case 126:
      return QStringLiteral("↑");
    // "Inicio" is also the setup bar's "Start", so the Home key is named per language here.
    case 115:
      return idiomaActual() == Idioma::ingles ? QStringLiteral("Home") : QStringLiteral("Inicio");
    case 119:
      return L("Fin");
    case 116:
      return L("Re Pág");
    case 121:
      return L("Av Pág");
    default:
      break;
  }
  static const uint32_t fKeys[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
  for (int i = 0; i < 12; ++i) {
    if (fKeys[i] == keyCode) return QStringLiteral("F%1").arg(i + 1);
  }
  auto it = caracteresUS().constFind(keyCode);
  if (it != caracteresUS().constEnd()) return *it;
  return L("tecla %@", QString::number(keyCode));
}

QString Hotkey::display() const {
  QStringList parts;
  if (modifiers & kControl) parts << QStringLiteral("Ctrl");
  if (modifiers & kOption) parts << QStringLiteral("Alt");
  if (modifiers & kShift) parts << QStringLiteral("Shift");
  if (modifiers & kCommand) parts << QStringLiteral("Super");
  parts << keyName(keyCode);
  return parts.join(QLatin1Char('+'));
}

}  // namespace corvalin
