// The long capture on a screen stream: the area's frames, as they change, go to the stitcher
// one at a time on the capture's own queue; the controller reads the progress on the main
// thread and gets the tall picture when it finishes.
#pragma once

#include <QImage>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "capture/scroll_capture.h"
#include "capture/stitch/scroll_stitcher.h"
#include "platform/screen_stream.h"
#include "platform/serial_queue.h"

namespace corvalin {

class CapturaLarga final : public ScrollCapture {
 public:
  // `abrirFlujo` makes the stream (null when there is no screen to stream).
  explicit CapturaLarga(std::function<std::unique_ptr<FlujoDePantalla>()> abrirFlujo);
  ~CapturaLarga() override;

  void start(const QRect& rect, const QString& pantalla,
             std::function<void(std::optional<QString> error)> completion) override;
  void finish(std::function<void(QImage)> completion) override;
  void dejarFuera(std::vector<uint32_t> ventanas) override;

  bool activa() const override { return activa_; }
  int alto() const override { return leer().alto; }
  int cabecera() const override { return leer().cabecera; }
  int pie() const override { return leer().pie; }
  int muebles() const override { return leer().muebles; }
  int filasAcumuladas() const override { return leer().filasAcumuladas; }
  int filasArriba() const override { return leer().filasArriba; }
  QString dondeEstorba() const override;

 private:
  // What the main thread reads of the stitcher, copied after every frame.
  struct Estado {
    int alto = 0, cabecera = 0, pie = 0, muebles = 0, filasAcumuladas = 0, filasArriba = 0;
    stitch::Estorbo estorbo = stitch::Estorbo::ninguno;
  };
  Estado leer() const {
    std::lock_guard<std::mutex> lock(estadoMutex_);
    return estado_;
  }
  void procesar(const CuadroDePantalla& cuadro);  // on cola_

  std::function<std::unique_ptr<FlujoDePantalla>()> abrirFlujo_;
  std::unique_ptr<FlujoDePantalla> stream_;
  std::atomic<bool> activa_{false};
  bool terminada_ = false;          // main thread: finish() came
  stitch::Cosedor cosedor_;         // cola_ only
  std::vector<uint8_t> rgba_;       // cola_ only: the frame in the stitcher's byte order
  mutable std::mutex estadoMutex_;  // guards estado_
  Estado estado_;
  // Lets main-thread callbacks queued by frames know the capture is still there.
  std::shared_ptr<int> vida_ = std::make_shared<int>(0);
  // Last: torn down first, running what is queued while everything above still exists.
  std::unique_ptr<SerialQueue> cola_;
};

}  // namespace corvalin
