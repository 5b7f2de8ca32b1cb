// The capture flows of the shell: still captures into the editor, text to the clipboard, a
// picked colour, the long capture and pasting a picture.
#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "app/parts.h"

namespace corvalin {

class FlujosDeCaptura : public QObject {
  Q_OBJECT

 public:
  struct Enlaces {
    std::function<void(const QImage&)> abrirEditor;
    std::function<void()> refrescar;  // the tray icon and menus
    std::function<EditorWindow*()> editor;
  };

  FlujosDeCaptura(Piezas& piezas, Enlaces enlaces);
  ~FlujosDeCaptura() override;

  // `area`, `window`, `fullscreen`: the picture opens in the editor; nothing on cancel.
  void capturaFija(CaptureMode mode);
  // `ocr`: an area, read, and its text copied.
  void capturaDeTexto();
  void captureText(const QImage& image);
  // `color`: the picker, then the colour copied.
  void sacarColor();
  void pickColor(const QColor& color);
  // `scroll`: starts a long capture, or finishes the one that runs.
  void alternarDesplazamiento();
  void startScrollCapture(const AreaElegida& area);
  void finishScrollCapture();
  void pasteFromClipboard();

  bool desplazando() const { return scroll_ != nullptr; }
  // On quit: finishes a running long capture and drops its result.
  void terminarAlSalir();

 private:
  // Drops a capture whose finish has answered; false when it is not one of ours.
  bool soltarTerminada(ScrollCapture* capture);

  Piezas& piezas_;
  Enlaces enlaces_;
  std::unique_ptr<ScrollCapture> arrancando_;               // starting, not yet running
  std::unique_ptr<ScrollCapture> scroll_;                   // the running long capture
  std::vector<std::unique_ptr<ScrollCapture>> terminando_;  // finishing
  std::unique_ptr<RecordingBar> scrollBar_;
  bool perdido_ = false;
};

// The id of the Escape hotkey that finishes a long capture.
inline constexpr uint32_t kIdEscapeDeDesplazamiento = 900;

}  // namespace corvalin
