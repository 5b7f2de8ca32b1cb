// The desktop's own keyboard shortcuts, so that a hotkey the desktop already uses is caught
// when the user assigns it: GNOME's keybinding settings, KDE's global shortcuts file, or none.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "hotkeys/hotkey.h"

namespace corvalin {

// One of the desktop's shortcuts with every combination that triggers it, as the desktop has
// it now (the user's changes included).
struct AtajoDelEscritorio {
  std::optional<QString> nombre;  // shown to the user; none reads "otro atajo del sistema"
  QList<Hotkey> combinaciones;    // empty when turned off
};
using AtajosDelEscritorio = QList<AtajoDelEscritorio>;

// A GTK accelerator ("<Super><Shift>s", "Print"); nothing for "disabled", empty text, or a
// key or modifier that hotkeys cannot hold.
std::optional<Hotkey> hotkeyDeAceleradorGtk(const QString& acelerador);
// A Qt portable shortcut text ("Meta+Shift+Print"), as KDE writes them.
std::optional<Hotkey> hotkeyDeTextoQt(const QString& texto);

// GNOME: the output of `gsettings list-recursively`, whole or of one custom keybinding.
AtajosDelEscritorio atajosDeGnome(const QString& listado);
// The paths of the user's custom keybindings named in such a listing.
QStringList rutasDeAtajosPropiosDeGnome(const QString& listado);
// KDE: the text of kglobalshortcutsrc.
AtajosDelEscritorio atajosDeKde(const QString& texto);
// The running desktop's shortcuts: GNOME through gsettings, KDE through its file, else none.
AtajosDelEscritorio leerAtajosDelEscritorio();

class SystemShortcuts {
 public:
  // The name of the desktop shortcut `hotkey` collides with in a list already read (a form
  // checking every mode reads the list once).
  static std::optional<QString> conflicto(const Hotkey& hotkey, const AtajosDelEscritorio& lista);
};

}  // namespace corvalin
