// The Tools page: the interface language (applied by restarting), the folder captures are
// saved to, opening at login, the editor's behaviour after each object, software updates and
// the credit line.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "core/settings.h"
#include "preferences/form.h"

class QLabel;

namespace corvalin {

enum class Idioma;  // app/texts.h, which moc can't read

class UpdateController;

struct ServiciosDeHerramientas {
  // Opens the desktop's folder chooser at `inicial`; nothing when the user cancelled.
  std::function<std::optional<QString>(const QString& inicial)> elegirCarpeta;
  // Stores the language and restarts Corvalin in it.
  std::function<void(Idioma)> reiniciarEn;
  // Whether the desktop opens Corvalin at login, and switching it: why not, when it can't.
  std::function<bool()> abreAlIniciarSesion;
  std::function<std::optional<QString>(bool)> abrirAlIniciarSesion;
};

class ToolsPage : public Pagina {
  Q_OBJECT

 public:
  ToolsPage(Settings& settings, UpdateController& updates, ServiciosDeHerramientas servicios,
            QWidget* parent);

  // Takes a folder for "saveFolder" when it is one Corvalin can write to; false, with the
  // problem shown under the row, when not.
  bool usarCarpeta(const QString& carpeta);

 private:
  void mostrarCarpeta();

  Settings& settings_;
  ServiciosDeHerramientas servicios_;
  QLabel* carpeta_ = nullptr;
  QLabel* problema_ = nullptr;
};

// The save folder as the page shows it: the home folder abbreviated to "~", or
// "Descargas" / "Downloads" when none is set.
QString carpetaVisible(const QString& carpeta, const QString& home);

// Why captures can't be saved in `carpeta` (it doesn't exist, isn't a folder, or can't be
// written to), in the interface language; nothing when they can.
std::optional<QString> problemaDeCarpeta(const QString& carpeta);

// The default folder chooser: the desktop's own (through the portal where one runs), one
// folder and no files, confirming with "Usar esta carpeta".
std::optional<QString> elegirCarpetaDelEscritorio(QWidget* parent, const QString& inicial);

}  // namespace corvalin
