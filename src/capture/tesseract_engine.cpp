#include "capture/tesseract_engine.h"

#include <malloc.h>
#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <exception>
#include <string>

namespace corvalin::ocr {

struct MotorTesseract::Impl {
  tesseract::TessBaseAPI api;
};

namespace {

bool tieneTinta(const QImage& gris) {
  for (int y = 0; y < gris.height(); ++y) {
    const uchar* f = gris.constScanLine(y);
    for (int x = 0; x < gris.width(); ++x) {
      if (f[x] < 128) return true;
    }
  }
  return false;
}

// Words with their boxes, in the engine's order. Words rather than the engine's text lines: the
// two read the same on the rendered set, but with words it is armar alone, from positions, that
// decides which words share a line and in which order, whatever blocks and lines the layout
// analysis made of a screen. A word belongs to a text line, and the line's height decides
// whether the word is large enough to keep: judging single words would drop a lone dash.
std::vector<Cacho> palabras(tesseract::TessBaseAPI& api, QSize tamano) {
  std::vector<Cacho> cachos;
  std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
  if (!it) return cachos;
  // Measured against the picture's shorter side: for a screen that is its height, and a long
  // capture, many screens tall, keeps text of the size one screen would keep.
  const double altoMinimo = kAltoMinimoDeTexto * std::min(tamano.height(), tamano.width());
  int altoDeLinea = 0;
  do {
    if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
      int l = 0, t = 0, r = 0, b = 0;
      altoDeLinea = it->BoundingBox(tesseract::RIL_TEXTLINE, &l, &t, &r, &b) ? b - t : 0;
    }
    if (altoDeLinea < altoMinimo) continue;
    const std::unique_ptr<char[]> texto(it->GetUTF8Text(tesseract::RIL_WORD));
    if (!texto) continue;
    QString palabra = QString::fromUtf8(texto.get()).trimmed();
    int l = 0, t = 0, r = 0, b = 0;
    if (palabra.isEmpty() || !it->BoundingBox(tesseract::RIL_WORD, &l, &t, &r, &b)) continue;
    cachos.push_back(cachoDeCaja(std::move(palabra), QRect(l, t, r - l, b - t), tamano));
  } while (it->Next(tesseract::RIL_WORD));
  return cachos;
}

}  // namespace

MotorTesseract::MotorTesseract(OpcionesDelMotor opciones) : opciones_(std::move(opciones)) {}

MotorTesseract::~MotorTesseract() {
  liberar();
}

bool MotorTesseract::cargado() const {
  return impl_ != nullptr;
}

bool MotorTesseract::cargar() {
  if (impl_) return true;
  auto impl = std::make_unique<Impl>();
  // Set before the models load so that their messages (a missing file, the resolution guess
  // made for every picture) never reach the terminal.
  const std::vector<std::string> nombres = {"debug_file"};
  const std::vector<std::string> valores = {"/dev/null"};
  const QByteArray datos = opciones_.datos.toLocal8Bit();
  const QByteArray idiomas = opciones_.idiomas.toUtf8();
  try {
    if (impl->api.Init(datos.isEmpty() ? nullptr : datos.constData(), idiomas.constData(),
                       tesseract::OEM_LSTM_ONLY, nullptr, 0, &nombres, &valores, false) != 0) {
      return false;
    }
  } catch (const std::exception&) {
    return false;
  }
  // Automatic layout analysis: it keeps the columns of a page apart and leaves pictures and
  // icons out, where the sparse-text mode turns them into letters and the single-column mode
  // mixes rows of neighbouring columns.
  impl->api.SetPageSegMode(tesseract::PSM_AUTO);
  impl_ = std::move(impl);
  return true;
}

void MotorTesseract::liberar() {
  if (!impl_) return;
  impl_->api.End();
  impl_.reset();
  // The dictionaries stay in a process-wide cache after End(), and glibc keeps freed pages;
  // without these two the memory of an idle engine is never given back.
  tesseract::TessBaseAPI::ClearPersistentCache();
  malloc_trim(0);
}

std::vector<Cacho> MotorTesseract::cachos(const QImage& imagen) {
  if (imagen.isNull() || imagen.width() <= 0 || imagen.height() <= 0) return {};
  try {
    const Preparada p = preparar(imagen, opciones_.preparacion);
    if (p.imagen.isNull() || !tieneTinta(p.imagen)) return {};
    if (!cargar()) return {};
    tesseract::TessBaseAPI& api = impl_->api;
    // The resolution stays unset: a screenshot's has no meaning, and the engine then estimates
    // one from the letter size, which kept whole blocks that an assumed 96 dpi per factor lost.
    api.SetImage(p.imagen.constBits(), p.imagen.width(), p.imagen.height(), 1,
                 int(p.imagen.bytesPerLine()));
    std::vector<Cacho> resultado;
    if (api.Recognize(nullptr) == 0) resultado = palabras(api, p.imagen.size());
    api.Clear();
    return resultado;
  } catch (const std::exception&) {
    if (impl_) impl_->api.Clear();
    return {};
  }
}

Resultado MotorTesseract::leer(const QImage& imagen) {
  return armar(cachos(imagen));
}

void leerEnUnSoloHilo() {
  // OMP_THREAD_LIMIT would do the same, but libgomp reads it once while the program loads,
  // before main can set it. With no nested parallelism allowed from this thread, every parallel
  // region it starts runs on it alone: on two cores the engine's own threads made reading three
  // times slower, spinning against each other and against the rest of the desktop.
  omp_set_max_active_levels(0);
}

}  // namespace corvalin::ocr
