#include "capture/scroll_capture_stream.h"

#include <libyuv/convert_from_argb.h>

#include <QTimer>

#include "core/texts.h"
#include "platform/main_thread.h"
#include "platform/screen_map.h"

namespace corvalin {
namespace {

constexpr int kCuadrosPorSegundo = 30;
constexpr int kAsentarMs = 300;

// The area in the root window's pixels, clipped to its screen; empty when it is on none.
QRect enRaiz(const QRect& rect, const QString& pantalla) {
  const MapaDePantallas mapa = MapaDePantallas::actual();
  const PantallaEnMapa* p = mapa.porNombre(pantalla);
  if (p == nullptr) p = mapa.enLogico(QPointF(rect.center()));
  if (p == nullptr) return {};
  return MapaDePantallas::rectEnRaiz(*p, rect).intersected(p->raiz());
}

}  // namespace

CapturaLarga::CapturaLarga(std::function<std::unique_ptr<FlujoDePantalla>()> abrirFlujo)
    : abrirFlujo_(std::move(abrirFlujo)),
      cola_(std::make_unique<SerialQueue>("corvalin.desplazamiento")) {}

CapturaLarga::~CapturaLarga() {
  activa_ = false;
  if (stream_) stream_->detener();
}

void CapturaLarga::start(const QRect& rect, const QString& pantalla,
                         std::function<void(std::optional<QString>)> completion) {
  auto fallar = [completion](const QString& error) {
    enMain([completion, error] { completion(error); });
  };
  const QRect raiz = enRaiz(rect, pantalla);
  if (raiz.width() < 1 || raiz.height() < 1) {
    fallar(L("No encontré la pantalla del área"));
    return;
  }
  stream_ = abrirFlujo_ ? abrirFlujo_() : nullptr;
  if (!stream_) {
    fallar(L("No encontré la pantalla del área"));
    return;
  }
  // The area chooser has only just closed: until the windows under it have repainted, the
  // screen there shows what the chooser left. A first frame of that would match nothing after.
  QTimer::singleShot(kAsentarMs, [this, vida = std::weak_ptr<int>(vida_), raiz, completion] {
    if (vida.expired() || terminada_) return;
    FlujoDePantalla::Manejadores manejadores;
    manejadores.alCuadro = [this](CuadroDePantalla cuadro) {
      if (!activa_) return;
      // Holding the frame's pixels until it is stitched keeps the stream from grabbing faster
      // than the stitcher goes: frames in between are skipped, never queued without end.
      cola_->async([this, cuadro] {
        if (activa_) procesar(cuadro);
      });
    };
    FlujoDePantalla::Opciones opciones;
    opciones.fps = kCuadrosPorSegundo;
    opciones.cursor = false;
    std::string error;
    activa_ = true;
    if (!stream_->arrancar(AreaDeRaiz{raiz.x(), raiz.y(), raiz.width(), raiz.height()}, opciones,
                           std::move(manejadores), &error)) {
      activa_ = false;
      completion(QString::fromStdString(error));
      return;
    }
    completion(std::nullopt);
  });
}

void CapturaLarga::procesar(const CuadroDePantalla& cuadro) {
  if (cuadro.bgra == nullptr || cuadro.ancho < 1 || cuadro.alto < 1) return;
  const std::size_t paso = static_cast<std::size_t>(cuadro.ancho) * 4;
  rgba_.resize(paso * static_cast<std::size_t>(cuadro.alto));
  // libyuv's "ARGB" is B, G, R, A in memory and its "ABGR" R, G, B, A.
  libyuv::ARGBToABGR(cuadro.bgra, static_cast<int>(cuadro.pasoBytes), rgba_.data(),
                     static_cast<int>(paso), cuadro.ancho, cuadro.alto);
  cosedor_.procesar(rgba_.data(), cuadro.ancho, cuadro.alto, paso);
  const int total = cosedor_.filasTotales();
  const bool perdido = cosedor_.perdido();
  {
    std::lock_guard<std::mutex> lock(estadoMutex_);
    estado_ = Estado{cosedor_.alto(),        cosedor_.cabecera(),        cosedor_.pie(),
                     cosedor_.muebles(),     cosedor_.filasAcumuladas(), cosedor_.filasArriba(),
                     cosedor_.dondeEstorba()};
  }
  enMain([this, vida = std::weak_ptr<int>(vida_), total, perdido] {
    if (vida.expired()) return;
    if (alAvanzar) alAvanzar(total);
    if (alPerderse) alPerderse(perdido);
  });
}

void CapturaLarga::finish(std::function<void(QImage)> completion) {
  activa_ = false;
  terminada_ = true;
  if (stream_) stream_->detener();  // no frame arrives after this
  cola_->async([this, completion] {
    auto imagen = std::make_unique<stitch::Imagen>(cosedor_.armarImagen());
    if (imagen->vacia()) {
      enMain([completion] { completion(QImage()); });
      return;
    }
    // The picture can be tall (up to 24 000 rows): wrapped, not copied.
    stitch::Imagen* datos = imagen.release();
    QImage q(
        datos->rgba.data(), datos->ancho, datos->alto, datos->ancho * 4,
        QImage::Format_RGBA8888_Premultiplied,
        [](void* d) { delete static_cast<stitch::Imagen*>(d); }, datos);
    enMain([completion, q] { completion(q); });
  });
}

void CapturaLarga::dejarFuera(std::vector<uint32_t> ventanas) {
  if (stream_) stream_->dejarFuera(std::move(ventanas));
}

QString CapturaLarga::dondeEstorba() const {
  switch (leer().estorbo) {
    case stitch::Estorbo::arriba:
      return L("arriba");
    case stitch::Estorbo::enMedio:
      return L("en medio");
    case stitch::Estorbo::abajo:
      return L("abajo");
    case stitch::Estorbo::ninguno:
      break;
  }
  return {};
}

}  // namespace corvalin
