// The recorder the tray application drives: it turns an area of Qt's desktop or a window into
// what the screen stream records and the output size, runs the recording session off the main
// thread, and reports on the main thread in the user's language.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "platform/screen_stream.h"
#include "recording/screen_recorder.h"

namespace corvalin {

class SesionDeGrabacion;
class SerialQueue;

class GrabadoraDePantalla final : public ScreenRecorder {
 public:
  struct Servicios {
    std::function<std::unique_ptr<FlujoDePantalla>()> flujo = flujoX11;
    // A note for the user (a toast): the title and the detail.
    std::function<void(const QString&, const QString&)> avisar;
    QString carpeta;  // where recordings are written; carpetaPrivada() when empty
    std::string preset = "superfast";
  };
  explicit GrabadoraDePantalla(Servicios servicios);
  ~GrabadoraDePantalla() override;

  void start(const ObjetivoDeGrabacion& objetivo, const AjustesDeGrabacion& ajustes,
             std::function<void(std::optional<QString>)> completion) override;
  void stop(std::function<void(const GrabacionTerminada&)> completion) override;
  bool grabando() const override { return grabando_; }
  bool pausado() const override;
  void pausar() override;
  void continuar() override;
  double duracionGrabada() const override;
  void dejarFuera(std::vector<uint32_t> ventanas) override;

 private:
  Servicios servicios_;
  std::unique_ptr<SerialQueue> cola_;
  std::shared_ptr<SesionDeGrabacion> sesion_;
  QSize medidas_;
  bool grabando_ = false;
  bool arrancando_ = false;
};

}  // namespace corvalin
