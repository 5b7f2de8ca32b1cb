// The camera bubble: the live camera picture in a round or rounded-rectangle window over the
// recorded area, so the recording takes it like any window. Dragged anywhere, even while
// recording; a double click makes it bigger (or smaller again).
#pragma once

#include <QCamera>
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "recording/recording_controls.h"
#include "upload/subidor.h"

class QMediaCaptureSession;
class QVideoSink;

namespace corvalin {

class BurbujaDeCamara final : public QWidget, public CamaraFlotante {
 public:
  // Shows the pictures `camara` takes (none: only what reaches sink()); when the camera fails,
  // the bubble goes and `alFallar` runs.
  BurbujaDeCamara(const QRect& sobre, FormaDeCamara forma, std::unique_ptr<QCamera> camara,
                  std::function<void()> alFallar = {});
  ~BurbujaDeCamara() override;

  void setForma(FormaDeCamara forma) override;
  void cerrar() override;
  QVideoSink* sink() const { return sink_; }
  bool grande() const { return grande_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  void acomodar();
  void recortar();

  FormaDeCamara forma_;
  bool grande_ = false;
  std::unique_ptr<QCamera> camara_;
  std::unique_ptr<QMediaCaptureSession> sesion_;
  QVideoSink* sink_;
  QImage cuadro_;
  std::optional<QPoint> agarre_;
  std::function<void()> alFallar_;
};

// The shell's way to ask for a bubble: the system's default camera (else the first one);
// without any, the toast "No encontré una cámara" and no bubble; a camera that fails later
// takes its bubble away with "Corvalin no puede usar la cámara". Answers on the main thread.
void mostrarCamara(const QRect& sobre, FormaDeCamara forma, const MostrarAviso& aviso,
                   std::function<void(std::unique_ptr<CamaraFlotante>)> completion);

}  // namespace corvalin
