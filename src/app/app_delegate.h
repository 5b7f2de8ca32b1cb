// The one long-lived controller: starts the system, owns the long-lived windows, receives
// every command (hotkeys, the tray menu, desktop actions, window menus) and runs each flow.
#pragma once

#include <QObject>
#include <memory>

#include "app/capture_flows.h"
#include "app/commands.h"
#include "app/menus.h"
#include "app/parts.h"
#include "app/recording_flow.h"
#include "app/status_item.h"

namespace corvalin {

class AppDelegate : public QObject {
  Q_OBJECT

 public:
  enum class Ultima { ninguna, editor, video };

  explicit AppDelegate(Piezas piezas);
  ~AppDelegate() override;

  void applicationDidFinishLaunching();
  void applicationWillTerminate();

  // A command from a menu or a desktop action, with the item's represented object.
  void ejecutar(Accion accion, const QVariant& valor = {});
  // Every hotkey and most capture commands.
  void capture(CaptureMode mode);
  void abrirEditor(const QImage& image);
  // Offers back the newest document an earlier run left unsaved, in a toast with a button.
  void ofrecerRecuperacion();
  void abrirEditorRecuperado(const QString& carpeta);
  void showLastWindow();
  void registerHotkeys();
  void refrescarMenus();
  // A click on the tray icon: left stops a running recording, otherwise the menu opens.
  void clicEnIcono(bool derecho);

  EstadoDeMenus estadoDeMenus() const;
  Menu menuDeBandeja() const { return buildMenu(false, estadoDeMenus()); }
  QList<Menu> barraDeMenus() const { return buildMainMenu(estadoDeMenus()); }

  FlujoDeGrabacion& grabacion() { return *grabacion_; }
  FlujosDeCaptura& capturas() { return *capturas_; }
  EditorWindow* editor() const { return editor_.get(); }
  VideoWindow* video() const { return video_.get(); }
  Ultima ultima() const { return ultima_; }
  StatusItem* statusItem() const { return statusItem_.get(); }

 private:
  bool hasScreenPermission(CaptureMode mode);
  void mostrarEditorNuevo(std::unique_ptr<EditorWindow> editor);
  void abrirVideo(const GrabacionTerminada& grabacion);
  bool videoConArchivo() const;
  void cambiarAjuste(Accion accion, const QVariant& valor);
  void cancelarSubida(const QVariant& valor);

  Piezas piezas_;
  std::unique_ptr<FlujosDeCaptura> capturas_;
  std::unique_ptr<FlujoDeGrabacion> grabacion_;
  std::unique_ptr<StatusItem> statusItem_;
  std::unique_ptr<EditorWindow> editor_;
  std::unique_ptr<VideoWindow> video_;
  Ultima ultima_ = Ultima::ninguna;
};

}  // namespace corvalin
