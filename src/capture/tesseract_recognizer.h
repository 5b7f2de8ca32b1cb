// Text recognition on Tesseract. One worker thread owns the engine: it loads the language
// models at the first request, keeps them for the requests that follow and lets them go after a
// few idle minutes, so the tray application carries no models while nobody reads text.
#pragma once

#include <chrono>
#include <memory>

#include "capture/tesseract_engine.h"
#include "capture/text_assembly.h"
#include "capture/text_recognizer.h"

namespace corvalin {

class TesseractTextRecognizer final : public TextRecognizer {
 public:
  using Resultado = ocr::Resultado;

  struct Opciones {
    ocr::OpcionesDelMotor motor;
    // Reloading costs about a quarter of a second; keeping the models costs about 30 MB.
    std::chrono::milliseconds liberarTras = std::chrono::minutes(5);
  };

  TesseractTextRecognizer();
  explicit TesseractTextRecognizer(Opciones opciones);
  // Reads what was already requested, delivering those results, then stops the worker.
  ~TesseractTextRecognizer() override;

  TesseractTextRecognizer(const TesseractTextRecognizer&) = delete;
  TesseractTextRecognizer& operator=(const TesseractTextRecognizer&) = delete;

  void read(const QImage& image,
            std::function<void(QString texto, int lineas)> completion) override;

  // Reads on the worker and waits for it. A failure reads as no text.
  Resultado readSync(const QImage& image);

  // Whether the worker holds the models right now.
  bool motorCargado() const;

 private:
  class Trabajador;
  std::unique_ptr<Trabajador> trabajador_;
};

}  // namespace corvalin
