// The text-recognition module: loaded by the shell the first time someone reads text.
#include "capture/tesseract_recognizer.h"

extern "C" __attribute__((visibility("default"))) corvalin::TextRecognizer*
corvalin_crear_lector_de_texto() {
  return new corvalin::TesseractTextRecognizer();
}
