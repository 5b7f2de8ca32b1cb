// The recording flow: idle → setup → countdown → recording ⇄ paused → idle. Each state is
// shown by which of the windows below exist.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "app/parts.h"

namespace corvalin {

class FlujoDeGrabacion : public QObject {
  Q_OBJECT

 public:
  struct Enlaces {
    std::function<void()> refrescar;  // the tray icon and menus
    std::function<void(const GrabacionTerminada&)> abrirVideo;
    std::function<void()> desplegarMenu;
    std::function<QString()> atajoDePausa;      // the pause hotkey's display text
    std::function<QRect()> dondeEstaLaBandeja;  // the tray icon; empty when unknown
  };

  FlujoDeGrabacion(Piezas& piezas, Enlaces enlaces);
  ~FlujoDeGrabacion() override;

  // A record command (`record`, `recordWindow`, `recordFullscreen`): cancels from setup or
  // countdown, stops a running recording, starts one from idle.
  void comando(CaptureMode mode);
  void startRecording(CaptureMode mode);
  // By value: the caller may be a handler of a window that these steps drop.
  void prepararGrabacion(ObjetivoDeGrabacion objetivo, QRect marco, QString pantalla);
  void ponerCamara(FormaDeCamara forma, const QRect& sobre);
  void arrancarGrabacion(ObjetivoDeGrabacion objetivo, QRect marco, QString pantalla);
  void alternarPausa();
  void stopRecording();
  void cancelarGrabacion();
  // On quit: closes every window of the flow and, if a recording runs, stops it and waits
  // up to `esperaMs` for the file to be finished.
  void terminarAlSalir(int esperaMs = 3000);

  bool grabando() const;
  bool pausado() const;
  bool contando() const { return cuenta_ != nullptr; }
  bool preparando() const { return recordSetup_ != nullptr; }
  bool hayCamara() const { return camara_ != nullptr; }
  bool hayMarco() const { return recordingFrame_ != nullptr; }
  bool hayBarra() const { return recordingBar_ != nullptr; }
  bool hayPanel() const { return panelBarra_ != nullptr; }
  bool cronometroActivo() const { return cronometro_.isActive(); }
  // The elapsed time for the tray: empty unless a recording started.
  QString tiempo() const;

 private:
  void capturar(const ObjetivoDeGrabacion& objetivo, const QRect& marco, const QString& pantalla);
  void refrescarBotonDePausa();
  void cerrarCamara();

  Piezas& piezas_;
  Enlaces enlaces_;
  std::unique_ptr<RecordSetupBar> recordSetup_;
  std::unique_ptr<RecordingFrame> recordingFrame_;
  std::unique_ptr<CamaraFlotante> camara_;
  std::unique_ptr<CuentaRegresiva> cuenta_;
  std::unique_ptr<RecordingBar> recordingBar_;
  std::unique_ptr<PanelGrabacionEnBarra> panelBarra_;
  QTimer cronometro_;
  std::optional<QDateTime> inicioGrabacion_;
};

}  // namespace corvalin
