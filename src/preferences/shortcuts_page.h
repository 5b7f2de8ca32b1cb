// The Shortcuts page: a field per capture command for its global combination, with whether it
// was seen to arrive; a letter per editor tool; and the reset of both.
#pragma once

#include <QHash>
#include <map>
#include <memory>

#include "core/settings.h"
#include "preferences/form.h"
#include "preferences/hotkey_assignment.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace corvalin {

class HotkeyField;

class ShortcutsPage : public Pagina {
  Q_OBJECT

 public:
  ShortcutsPage(Settings& settings, std::unique_ptr<AsignacionDeAtajos> asignacion,
                QWidget* parent);

  HotkeyField* campo(CaptureMode mode) const { return filas_.at(mode).campo; }
  QLineEdit* letra(ToolKind tool) const { return letras_.value(static_cast<int>(tool)); }

 private:
  enum class Estado { nada, esperando, funciona, noLlego };
  struct Fila {
    HotkeyField* campo = nullptr;
    QLabel* estado = nullptr;
    QPushButton* otraVez = nullptr;
  };
  void mostrar(CaptureMode mode, Estado estado, const QString& marca = {});
  void actualizarCampo(CaptureMode mode);
  void mostrarLetras();
  std::function<void(bool)> alLlegar(CaptureMode mode);

  Settings& settings_;
  std::unique_ptr<AsignacionDeAtajos> asignacion_;
  std::map<CaptureMode, Fila> filas_;
  QHash<int, QLineEdit*> letras_;
};

}  // namespace corvalin
