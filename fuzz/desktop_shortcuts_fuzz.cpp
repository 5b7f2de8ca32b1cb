// The desktop's own shortcut lists, whatever they hold: GNOME's gsettings listing and KDE's
// kglobalshortcutsrc, and the accelerator texts inside them.
#include <cstdint>

#include "hotkeys/system_shortcuts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString texto =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  (void)corvalin::atajosDeGnome(texto);
  (void)corvalin::rutasDeAtajosPropiosDeGnome(texto);
  (void)corvalin::atajosDeKde(texto);
  (void)corvalin::hotkeyDeAceleradorGtk(texto);
  (void)corvalin::hotkeyDeTextoQt(texto);
  return 0;
}
