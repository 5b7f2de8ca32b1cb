// The Preferences window: a tabbed form over the settings. The Tools page holds the language
// choice and the update switches.
#pragma once

#include <QTabWidget>

#include "platform/escapable_window.h"

namespace corvalin {

class UpdateController;

class PreferencesWindow : public EscapableWindow {
  Q_OBJECT

 public:
  explicit PreferencesWindow(UpdateController& updates);

  QTabWidget* pestanas() const { return tabs_; }

 private:
  QWidget* paginaDeHerramientas(UpdateController& updates);

  QTabWidget* tabs_ = nullptr;
};

}  // namespace corvalin
