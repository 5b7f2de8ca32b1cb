// The windows around a recording: the setup bar before it starts, the frame around the area,
// the floating bar with clock and buttons (also used by the long capture), the panel that
// stands in for it in the tray, the camera bubble and the review window.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

#include "core/settings.h"
#include "recording/recording_types.h"

namespace corvalin {

class RecordSetupBar {
 public:
  virtual ~RecordSetupBar() = default;
  virtual void mostrar(const QString& pantalla) = 0;
  virtual void ocultar() = 0;
};

struct ManejadoresDeSetup {
  std::function<void()> grabar;
  std::function<void()> cancelar;
  // Only for areas; a window never gets a camera bubble.
  std::function<void(FormaDeCamara)> cambiarCamara;
};

class RecordingFrame {
 public:
  virtual ~RecordingFrame() = default;
  virtual void mostrar() = 0;
  virtual void ocultar() = 0;
};

class RecordingBar {
 public:
  enum class Modo { grabacion, desplazamiento };
  virtual ~RecordingBar() = default;
  virtual void mostrarJunto(const QRect& marco, const QString& pantalla) = 0;
  virtual void ocultar() = 0;
  // Stops the heartbeat timer that refreshes the clock.
  virtual void detenerLatido() = 0;
  virtual void setPausado(bool pausado) = 0;
  // The clock text (the long capture shows its height here).
  virtual void setTextoDelReloj(const QString& texto) = 0;
  // The bar's window-system id, for the recorder to leave it out; 0 when it has none.
  virtual uint32_t ventana() const { return 0; }
};

struct ManejadoresDeBarra {
  std::function<void()> detener;
  std::function<void()> pausar;      // recording mode only
  std::function<double()> duracion;  // recording mode only: seconds for the clock
};

class PanelGrabacionEnBarra {
 public:
  virtual ~PanelGrabacionEnBarra() = default;
  virtual void actualizar(const QString& tiempo, bool pausado, const QString& atajoPausa) = 0;
  // Shows the panel: after the recorder has been told to leave it out, so that no frame
  // grabbed in between holds it.
  virtual void mostrar() = 0;
  virtual void quitar() = 0;
  // The panel's window-system id, for the recorder to leave it out; 0 when it has none.
  virtual uint32_t ventana() const { return 0; }
};

struct ManejadoresDePanel {
  std::function<void()> pausar;
  std::function<void()> detener;
  std::function<void()> menu;
};

class CamaraFlotante {
 public:
  virtual ~CamaraFlotante() = default;
  virtual void setForma(FormaDeCamara forma) = 0;
  virtual void cerrar() = 0;
};

class VideoWindow {
 public:
  virtual ~VideoWindow() = default;
  virtual void mostrar() = 0;
  virtual void cerrar() = 0;
  virtual QString archivo() const = 0;
};

// How the shell makes each of them; the recording subsystem provides the real ones.
struct FabricasDeGrabacion {
  // `marco`: what is recorded, in global logical coordinates (the bar goes beside it).
  std::function<std::unique_ptr<RecordSetupBar>(const ObjetivoDeGrabacion&, const QRect& marco,
                                                ManejadoresDeSetup)>
      setupBar;
  std::function<std::unique_ptr<RecordingFrame>(const QRect& marco)> frame;
  std::function<std::unique_ptr<RecordingBar>(RecordingBar::Modo, ManejadoresDeBarra)> bar;
  // `icono`: where the tray icon is, in global logical coordinates; empty when the tray
  // doesn't say.
  std::function<std::unique_ptr<PanelGrabacionEnBarra>(ManejadoresDePanel, const QRect& icono)>
      panel;
  // Asks for a camera bubble over `sobre`; may first ask for camera permission, so the answer
  // (a bubble, or nothing) comes later on the main thread.
  std::function<void(const QRect& sobre, FormaDeCamara,
                     std::function<void(std::unique_ptr<CamaraFlotante>)>)>
      camara;
  std::function<std::unique_ptr<VideoWindow>(const QString& archivo, const QSize& medidas)> video;
};

}  // namespace corvalin
