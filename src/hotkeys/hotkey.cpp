#include "hotkeys/hotkey.h"

#include <QKeyEvent>
#include <QStringList>

#include "core/texts.h"
#include "hotkeys/key_positions.h"
#include "hotkeys/keyboard_layout.h"

namespace corvalin {

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
    case 105:
      return L("Impr Pant");
    default:
      break;
  }
  static const uint32_t fKeys[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
  for (int i = 0; i < 12; ++i) {
    if (fKeys[i] == keyCode) return QStringLiteral("F%1").arg(i + 1);
  }
  if (std::optional<QString> c = character(keyCode)) return *c;
  return L("tecla %@", QString::number(keyCode));
}

std::optional<QString> Hotkey::character(uint32_t keyCode) {
  if (std::shared_ptr<const KeyboardLayout> layout = KeyboardLayout::actual()) {
    return layout->character(keyCode);
  }
  const std::optional<uint32_t> keysym = keysymDePosicion(keyCode);
  return keysym ? textoDeKeysym(*keysym) : std::nullopt;
}

std::optional<Hotkey> Hotkey::deEvento(const QKeyEvent& event) {
  const Qt::KeyboardModifiers m = event.modifiers();
  uint32_t mask = 0;
  if (m & Qt::ShiftModifier) mask |= kShift;
  if (m & Qt::MetaModifier) mask |= kCommand;
  if (m & Qt::AltModifier) mask |= kOption;
  if (m & Qt::ControlModifier) mask |= kControl;
  if ((mask & (kCommand | kOption | kControl)) == 0) return std::nullopt;

  // The scan code names the physical key whatever Shift made of it; synthetic events carry
  // none, and then the Qt key says which key it was.
  std::optional<uint32_t> code;
  const std::shared_ptr<const KeyboardLayout> layout = KeyboardLayout::actual();
  if (event.nativeScanCode() != 0 && layout) {
    code = layout->posicion(event.nativeScanCode());
  } else if (std::optional<uint32_t> keysym = keysymDeTeclaQt(event.key())) {
    code = posicionDeKeysym(*keysym);
  }
  if (!code) return std::nullopt;
  return Hotkey{*code, mask};
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
