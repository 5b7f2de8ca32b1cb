// What the keyboard's current layout makes of each stored key position: which key (X keycode)
// types the position's keysym, what that key prints, and the way back from a keycode.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace corvalin {

class KeyboardLayout {
 public:
  // The X server's keymap in its active layout group; nothing when no server answers.
  static std::shared_ptr<const KeyboardLayout> delServidorX(const QByteArray& display = {});
  // A layout compiled from its names ("us", "es", "fr"...); empty names take the system's
  // default. Nothing when the keyboard data is missing.
  static std::shared_ptr<const KeyboardLayout> desdeNombres(const QString& layout,
                                                            const QString& variant = {});

  // The layout shown in key names and used to read key events; set by the hotkey service when
  // it loads or reloads the keymap. Empty until then.
  static std::shared_ptr<const KeyboardLayout> actual();
  static void fijarActual(std::shared_ptr<const KeyboardLayout> layout);

  ~KeyboardLayout();

  // The key that types the stored position's keysym, preferring the one that types it
  // without Shift or AltGr.
  std::optional<uint32_t> keycode(uint32_t keyCode) const;
  // What that key prints without modifiers, in upper case.
  std::optional<QString> character(uint32_t keyCode) const;
  // The stored position a key stands for; nothing when no stored position reaches it.
  std::optional<uint32_t> posicion(uint32_t keycode) const;
  // Any key that types `keysym` at any level (e.g. Num_Lock).
  std::optional<uint32_t> keycodeDeKeysym(uint32_t keysym) const;
  // The active layout group this was read in.
  uint32_t grupo() const;

  struct Datos;
  explicit KeyboardLayout(std::unique_ptr<Datos> datos);

 private:
  std::unique_ptr<Datos> d_;
};

}  // namespace corvalin
