// The Preferences window: a tabbed form over the settings with the Upload, Tools, Shortcuts
// and Recording pages, opening on Upload. It fits the screen it opens on, scrolling its pages
// when the screen is small or the scale factor large.
#pragma once

#include <QTabWidget>
#include <functional>
#include <memory>

#include "core/settings.h"
#include "hotkeys/sonda_de_atajos.h"
#include "hotkeys/system_shortcuts.h"
#include "platform/escapable_window.h"
#include "preferences/tools_page.h"
#include "preferences/upload_page.h"

namespace corvalin {

class UpdateController;

struct ServiciosDePreferencias {
  ServiciosDeSubida subida;
  ServiciosDeHerramientas herramientas;
  std::function<AtajosDelEscritorio()> atajosDelEscritorio;
  std::shared_ptr<SondaDeAtajos> sonda;
};

// What the running application gives the window: the keyring, the test upload and the hosted
// service over `settings`, the clipboard, the desktop's folder chooser and dialogs, the
// language restart, the desktop's shortcuts and the shared delivery check.
ServiciosDePreferencias serviciosDelEscritorio(Settings& settings);

class PreferencesWindow : public EscapableWindow {
  Q_OBJECT

 public:
  PreferencesWindow(Settings& settings, UpdateController& updates,
                    ServiciosDePreferencias servicios);

  QTabWidget* pestanas() const { return tabs_; }
  UploadPage* subida() const { return subida_; }
  ToolsPage* herramientas() const { return herramientas_; }

  // The content size the window asks for, and less where the screen is smaller: the space the
  // screen leaves free less a margin, never below what the pages need to be usable.
  static QSize tamanoPara(const QRect& libre);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void tenirIconos();

  QTabWidget* tabs_ = nullptr;
  UploadPage* subida_ = nullptr;
  ToolsPage* herramientas_ = nullptr;
};

}  // namespace corvalin
