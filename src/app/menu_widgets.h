// Turns menu data into Qt menus whose items run shell commands.
#pragma once

#include <QList>
#include <functional>

#include "app/menus.h"

class QMenu;
class QMenuBar;
class QWidget;

namespace corvalin {

using EjecutarAccion = std::function<void(Accion, const QVariant&)>;

// How a menu reaches the screen: drawn by Qt (a window's menu, the XEmbed tray's), where a
// tab in the text puts the hotkey in its column and spaces indent; or exported over D-Bus to
// the desktop's panel (StatusNotifierItem), which shows titles as they are and hotkeys from
// the entry's shortcut.
enum class FormaDeMenu { dibujado, exportado };

// Replaces the contents of `menu` with `elementos`.
void llenarMenu(QMenu* menu, const QList<ElementoDeMenu>& elementos, const EjecutarAccion& ejecutar,
                FormaDeMenu forma = FormaDeMenu::dibujado);

// The menu bar for one of Corvalin's windows; Linux has no global menu bar, so each window
// carries its own. Cut, Copy, Paste, Select All, Close and Minimize act on `ventana`.
QMenuBar* crearBarraDeMenus(QWidget* ventana, const QList<Menu>& menus,
                            const EjecutarAccion& ejecutar);

}  // namespace corvalin
