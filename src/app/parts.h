// Everything the shell drives, handed in whole so that each slot can hold the real thing or,
// in tests, a fake.
#pragma once

#include <QImage>
#include <functional>
#include <memory>

#include "app/menus.h"
#include "capture/area_selector.h"
#include "capture/capture_service.h"
#include "capture/color_picker.h"
#include "capture/cuenta_regresiva.h"
#include "capture/scroll_capture.h"
#include "capture/text_recognizer.h"
#include "capture/window_picker.h"
#include "core/toast.h"
#include "editor/editor_window.h"
#include "editor/recovery_copy.h"
#include "hotkeys/hotkey_manager.h"
#include "platform/alerts.h"
#include "platform/clipboard.h"
#include "recording/recording_controls.h"
#include "recording/screen_recorder.h"

namespace corvalin {

class StatusItem;

using MostrarToast =
    std::function<void(const QString& titulo, const QString& detalle, const QString& simbolo)>;
// A toast with a button (core/toast.h).
using MostrarToastConAccion = std::function<void(const QString& titulo, const QString& detalle,
                                                 const QString& simbolo, AccionDeToast accion)>;

struct Piezas {
  std::unique_ptr<Clipboard> portapapeles;
  std::unique_ptr<Alertas> alertas;
  MostrarToast toast;
  MostrarToastConAccion toastConAccion;
  // Whether screens may be captured: X11 needs no permission, and under Wayland the portal
  // asks the user itself, so only a refusal it reported answers no.
  std::function<bool()> permisoDePantalla;
  std::function<void()> activar;  // brings Corvalin forward
  // The whole screen under the pointer (else the primary, else the first).
  std::function<AreaElegida()> pantallaBajoElPuntero;
  // The whole frame of the screen with that name (empty when there is none).
  std::function<QRect(const QString& pantalla)> marcoDePantalla;

  std::unique_ptr<HotkeyManager> hotkeys;
  std::shared_ptr<HotkeyProbe> sonda;  // may be empty

  std::unique_ptr<CaptureService> capturas;
  std::unique_ptr<AreaSelector> areas;
  std::unique_ptr<WindowPicker> ventanas;
  std::unique_ptr<ColorPicker> colores;
  std::unique_ptr<TextRecognizer> lector;
  std::function<std::unique_ptr<ScrollCapture>()> desplazamiento;
  FabricaDeCuentaRegresiva cuentaRegresiva;
  FabricaDeEditor editor;
  // Documents an earlier run left unsaved (it crashed, or the session ended), newest first,
  // and the editor that reopens one.
  std::function<std::vector<CopiaPendiente>()> documentosSinGuardar;
  FabricaDeEditorRecuperado editorRecuperado;

  std::unique_ptr<ScreenRecorder> grabadora;
  FabricasDeGrabacion grabacion;

  // The tray icon, given the menu to show, the command runner and the click handler.
  std::function<std::unique_ptr<StatusItem>(
      std::function<Menu()>, std::function<void(Accion, QVariant)>, std::function<void(bool)>)>
      bandeja;

  std::function<void()> abrirPreferencias;
  std::function<void()> abrirAcercaDe;
  std::function<void()> buscarActualizaciones;
  std::function<void()> terminar;  // quits the event loop
};

}  // namespace corvalin
