// What happens when the user gives a capture command a new global combination on the
// Shortcuts page: one already used by another command here, or by the desktop, is refused
// with the reason; otherwise it is stored, the shell registers it again, and a check starts
// that waits for the user to press it, since another program may hold it without a word.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "core/settings.h"
#include "hotkeys/sonda_de_atajos.h"
#include "hotkeys/system_shortcuts.h"

namespace corvalin {

class AsignacionDeAtajos {
 public:
  // `escritorio` reads the desktop's shortcuts as they are now.
  AsignacionDeAtajos(Settings& settings, std::function<AtajosDelEscritorio()> escritorio,
                     std::shared_ptr<SondaDeAtajos> sonda,
                     std::chrono::milliseconds espera = std::chrono::seconds(15));

  // The reason the combination is refused, in the interface language; or nothing, once it is
  // stored, "corvalin.hotkeysChanged" posted and the delivery check started (`alLlegar` hears
  // whether it arrived). Clearing a command (no combination) is never refused and starts no
  // check.
  std::optional<QString> asignar(CaptureMode mode, const std::optional<Hotkey>& hotkey,
                                 std::function<void(bool llego)> alLlegar);
  // Waits for the command's stored combination again.
  void probarDeNuevo(CaptureMode mode, std::function<void(bool llego)> alLlegar);
  // Every command's stored combination that the desktop also uses, with the text that says
  // so; read once, when the page opens.
  std::map<CaptureMode, QString> compartidos() const;
  // Every combination and tool letter back to its default.
  void restablecer();

 private:
  Settings& settings_;
  std::function<AtajosDelEscritorio()> escritorio_;
  std::shared_ptr<SondaDeAtajos> sonda_;
  std::chrono::milliseconds espera_;
};

}  // namespace corvalin
