// Opening Corvalin at login: an entry in the desktop's autostart folder
// ($XDG_CONFIG_HOME/autostart), which every desktop following the freedesktop autostart rules
// starts when the user logs in.
#pragma once

#include <QString>
#include <optional>

namespace corvalin {

class InicioConLaSesion {
 public:
  // `carpeta` empty: the user's autostart folder. `programa` empty: this executable, named
  // as `corvalin` when that is what the PATH finds.
  explicit InicioConLaSesion(QString carpeta = {}, QString programa = {});

  QString ruta() const;
  // Whether the desktop will open Corvalin at the next login: the entry is there and neither
  // hidden nor switched off.
  bool activo() const;
  // Writes or removes the entry; why it couldn't (the system's words, or the folder that
  // couldn't be made) when it fails.
  std::optional<QString> poner(bool activo);

  // The Exec line for `programa`, quoted as desktop entries want when it needs it.
  static QString lineaExec(const QString& programa);

 private:
  QString carpeta_;
  QString programa_;
};

}  // namespace corvalin
