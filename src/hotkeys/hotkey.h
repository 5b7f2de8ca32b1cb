// A global key combination as the settings keep it: a key code naming a key position and a
// modifier mask (command 0x100, shift 0x200, option 0x800, control 0x1000). On Linux command
// is Super, option is Alt and control is Ctrl.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class QKeyEvent;

namespace corvalin {

struct Hotkey {
  static constexpr uint32_t kCommand = 0x100;
  static constexpr uint32_t kShift = 0x200;
  static constexpr uint32_t kOption = 0x800;
  static constexpr uint32_t kControl = 0x1000;

  uint32_t keyCode = 0;
  uint32_t modifiers = 0;

  friend bool operator==(const Hotkey&, const Hotkey&) = default;

  // The combination of a key press, or nothing when it has none of Super, Alt and Ctrl (Shift
  // alone is no combination) or its key has no stored position in the current layout.
  static std::optional<Hotkey> deEvento(const QKeyEvent& event);

  // The combination the way Linux desktops write it, e.g. "Shift+Super+0".
  QString display() const;
  // The key's name: a special key's name, else what the key prints in the current layout,
  // else "tecla %@" / "key %@" with the code.
  static QString keyName(uint32_t keyCode);
  // What the current layout prints for the key without modifiers, in upper case; a US layout
  // answers while no layout is known.
  static std::optional<QString> character(uint32_t keyCode);
};

}  // namespace corvalin
