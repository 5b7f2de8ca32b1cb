// The tray menu, the desktop-actions menu and the menu bar of Corvalin's windows, built as
// plain data from the current state each time one is shown.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

#include "app/commands.h"
#include "core/settings.h"

namespace corvalin {

struct ElementoDeMenu {
  enum class Tipo { item, separador };
  Tipo tipo = Tipo::item;
  QString titulo;
  std::optional<Accion> accion;  // none: a label or a submenu holder
  QVariant valor;                // the represented object
  // A global hotkey shown beside the title, e.g. "Shift+Super+0"; only a label.
  QString atajo;
  // A key that works inside Corvalin's windows with Ctrl, e.g. "q"; empty for none.
  QString tecla;
  bool esOpcion = false;  // one of a group of choices: shows a check mark when chosen
  bool marcado = false;
  bool habilitado = true;
  int sangria = 0;
  QList<ElementoDeMenu> submenu;

  bool operator==(const ElementoDeMenu& otro) const;

  static ElementoDeMenu separador() {
    ElementoDeMenu e;
    e.tipo = Tipo::separador;
    return e;
  }
};

struct Menu {
  QString titulo;
  QList<ElementoDeMenu> elementos;
};

// What the menus show depends on.
struct EstadoDeMenus {
  bool grabando = false;
  bool pausado = false;
  bool contando = false;     // a countdown runs
  bool preparando = false;   // the setup bar shows
  bool desplazando = false;  // a long capture is active
  double escalaEfectiva = 1.0;
  int fpsEfectivos = 30;
  FuenteDeAudio fuente = FuenteDeAudio::sistema;
  qint64 retraso = 0;  // stored "recordDelay", unclamped
  DestinoDeSubida destino = DestinoDeSubida::nube;
  QStringList subidas;  // summaries of the uploads in progress, in order
  bool hayEditor = false;
  bool hayVideoConArchivo = false;
  bool portapapelesConImagen = false;
  std::function<std::optional<Hotkey>(CaptureMode)> hotkey = [](CaptureMode m) {
    return std::optional<Hotkey>(defaultHotkey(m));
  };
};

// The state the settings store gives; the window-related fields are the caller's.
EstadoDeMenus estadoDesdeAjustes(const Settings& settings);

Menu buildCaptureMenu(const QString& titulo, bool forDock, const EstadoDeMenus& estado);
// One item for a mode with its hotkey shown.
ElementoDeMenu item(const QString& titulo, CaptureMode modo, Accion accion, bool forDock,
                    const EstadoDeMenus& estado);
// The tray menu (forDock false) or the desktop-actions menu (forDock true).
Menu buildMenu(bool forDock, const EstadoDeMenus& estado);
// The menu bar of Corvalin's windows: application, Capture, Edit and Window menus.
QList<Menu> buildMainMenu(const EstadoDeMenus& estado);
// Whether a menu-bar item is enabled.
bool validateMenuItem(const ElementoDeMenu& elemento, const EstadoDeMenus& estado);

// The update item, new each time a menu is built.
ElementoDeMenu menuItemDeActualizaciones();

}  // namespace corvalin
