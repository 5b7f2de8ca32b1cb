// One Tesseract engine with its language models: prepares a picture, recognises its words and
// assembles them into lines. It belongs to the thread that uses it; nothing in it is shared.
#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <vector>

#include "capture/ocr_prep.h"
#include "capture/text_assembly.h"

namespace corvalin::ocr {

struct OpcionesDelMotor {
  // Folder holding the *.traineddata files; empty means the system's.
  QString datos;
  // Spanish first: the first model reads every line and the second only retries doubtful
  // words, so accents survive (on the rendered set: 0.06 % errors, 0.17 % the other way round).
  QString idiomas = QStringLiteral("spa+eng");
  OpcionesDePreparacion preparacion;
};

class MotorTesseract {
 public:
  explicit MotorTesseract(OpcionesDelMotor opciones = {});
  ~MotorTesseract();

  MotorTesseract(const MotorTesseract&) = delete;
  MotorTesseract& operator=(const MotorTesseract&) = delete;

  // Loads the models unless they are loaded; false when they cannot be.
  bool cargar();
  bool cargado() const;
  // Frees the models and the library's dictionary cache and hands the memory back to the system.
  void liberar();

  // The recognised words of a picture, as pieces; the models are loaded when needed. Empty for
  // a null picture, a picture without ink, or when the models cannot be loaded.
  std::vector<Cacho> cachos(const QImage& imagen);
  // The words put together as lines.
  Resultado leer(const QImage& imagen);

 private:
  struct Impl;
  OpcionesDelMotor opciones_;
  std::unique_ptr<Impl> impl_;
};

// Keeps the parallel regions of Tesseract's OpenMP build on the calling thread. Must run on the
// thread that will use the engine, before it does: the setting belongs to that thread.
void leerEnUnSoloHilo();

// Recognised text smaller than this fraction of the picture's height is left out.
inline constexpr double kAltoMinimoDeTexto = 0.005;

}  // namespace corvalin::ocr
