#include "recording/recording_session.h"

#include <filesystem>

namespace corvalin {
namespace {

SesionDeGrabacion::Falla deEscritor(const EscritorMp4::Error& e) {
  using Tipo = SesionDeGrabacion::Falla::Tipo;
  switch (e.falla) {
    case EscritorMp4::Falla::archivo:
      return {Tipo::archivo, e.detalle};
    case EscritorMp4::Falla::escritura:
      return {Tipo::escritura, e.detalle};
    default:
      return {Tipo::codificador, e.detalle};
  }
}

}  // namespace

SesionDeGrabacion::SesionDeGrabacion(Config config) : config_(std::move(config)) {}

SesionDeGrabacion::~SesionDeGrabacion() {
  if (arrancada_ && !terminada_) {
    terminar();
  }
}

bool SesionDeGrabacion::arrancar(Falla* falla) {
  auto fallar = [&](Falla f) {
    if (falla) *falla = std::move(f);
    return false;
  };
  flujo_ = config_.flujo ? config_.flujo() : nullptr;
  if (!flujo_) return fallar({Falla::Tipo::pantalla, "no X server"});

  // The sound first: the file gets a sound track only when something can be heard.
  std::string por;
  auto abrirSonido = [&](CapturaDeAudio::Origen origen) -> std::unique_ptr<CapturaDeAudio> {
    std::string error;
    auto c = CapturaDeAudio::abrir(
        origen, [this](const float* s, int n, int64_t pts) { alSonido(s, n, pts); }, &error);
    if (!c && por.empty()) por = error;
    return c;
  };
  if (config_.sistema) sistema_ = abrirSonido(CapturaDeAudio::Origen::sistema);
  if (config_.microfono) microfono_ = abrirSonido(CapturaDeAudio::Origen::microfono);
  if ((config_.sistema || config_.microfono) && !sistema_ && !microfono_) sinSonido_ = por;

  EscritorMp4::Error error;
  auto escritor = EscritorMp4::abrir(config_.ruta,
                                     {config_.ancho, config_.alto, config_.fps,
                                      sistema_ != nullptr || microfono_ != nullptr, config_.preset},
                                     &error);
  if (!escritor) {
    sistema_.reset();
    microfono_.reset();
    return fallar(deEscritor(error));
  }
  {
    std::lock_guard l(sonido_);
    escritor_ = std::move(escritor);
    mezcla_.reiniciar();
  }
  {
    std::lock_guard l(reloj_);
    inicioUs_ = relojMonotonoUs();
  }
  codificador_ = std::thread([this] { codificar(); });

  FlujoDePantalla::Manejadores m;
  m.alCuadro = [this](CuadroDePantalla c) { alCuadro(std::move(c)); };
  m.alTerminar = [this](FlujoDePantalla::Fin fin) {
    interrumpir(fin == FlujoDePantalla::Fin::sinVentana
                    ? Falla{Falla::Tipo::ventana, "the window is gone"}
                    : Falla{Falla::Tipo::pantalla, "the display connection broke"});
  };
  std::string motivo;
  if (!flujo_->arrancar(config_.fuente, {config_.fps, config_.cursor, false}, std::move(m),
                        &motivo)) {
    arrancada_ = true;  // so that terminar cleans up
    const bool ventana = std::holds_alternative<VentanaDeRaiz>(config_.fuente);
    terminar();
    return fallar({ventana ? Falla::Tipo::ventana : Falla::Tipo::pantalla, motivo});
  }
  arrancada_ = true;
  return true;
}

std::optional<int64_t> SesionDeGrabacion::desplazar(int64_t ptsUs) const {
  std::lock_guard l(reloj_);
  if (pausada_) return std::nullopt;
  return ptsUs - pausadoUs_;
}

void SesionDeGrabacion::alCuadro(CuadroDePantalla cuadro) {
  const std::optional<int64_t> pts = desplazar(cuadro.ptsUs);
  if (!pts) return;
  cuadro.ptsUs = *pts;
  std::lock_guard l(cola_);
  if (pendiente_) {
    // The encoder hasn't taken the last one yet: this one is left out, not queued.
    ++descartados_;
    return;
  }
  pendiente_ = std::move(cuadro);
  hayCuadro_.notify_one();
}

void SesionDeGrabacion::codificar() {
  for (;;) {
    CuadroDePantalla c;
    {
      std::unique_lock l(cola_);
      hayCuadro_.wait(l, [this] { return pendiente_.has_value() || pararCodificador_; });
      if (!pendiente_) return;
      c = std::move(*pendiente_);
      pendiente_.reset();
    }
    if (!escritor_->video(c.bgra, c.ancho, c.alto, c.pasoBytes, c.ptsUs)) {
      interrumpir(deEscritor(escritor_->error()));
    }
  }
}

void SesionDeGrabacion::alSonido(const float* estereo, int frames, int64_t ptsUs) {
  const std::optional<int64_t> pts = desplazar(ptsUs);
  std::lock_guard l(sonido_);
  oidoHastaUs_ =
      std::max(oidoHastaUs_, ptsUs + int64_t{frames} * 1'000'000 / MezcladorDeAudio::kTasaHz);
  if (!pts || !escritor_ || (finUs_ && ptsUs >= *finUs_)) return;
  mezcla_.agregar(PcmView{estereo, 2, frames, MezcladorDeAudio::kTasaHz, true, true}, *pts);
  mezcla_.vaciar(
      [this](const float* s, int n, int64_t t) {
        if (!escritor_->audio(s, n, t)) interrumpir(deEscritor(escritor_->error()));
      },
      false);
}

void SesionDeGrabacion::interrumpir(Falla falla) {
  {
    std::lock_guard l(falla_);
    if (interrupcion_) return;
    interrupcion_ = std::move(falla);
  }
  if (alInterrumpirse) alInterrumpirse();
}

void SesionDeGrabacion::dejarFuera(std::vector<uint32_t> ventanas) {
  if (flujo_) flujo_->dejarFuera(std::move(ventanas));
}

void SesionDeGrabacion::pausar() {
  std::lock_guard l(reloj_);
  if (!arrancada_ || terminada_ || pausada_) return;
  pausada_ = true;
  pausaDesdeUs_ = relojMonotonoUs();
}

void SesionDeGrabacion::continuar() {
  std::lock_guard l(reloj_);
  if (!pausada_) return;
  pausadoUs_ += relojMonotonoUs() - pausaDesdeUs_;
  pausada_ = false;
}

bool SesionDeGrabacion::pausada() const {
  std::lock_guard l(reloj_);
  return pausada_;
}

int64_t SesionDeGrabacion::duracionUs() const {
  std::lock_guard l(reloj_);
  if (!arrancada_) return 0;
  const int64_t ahora = relojMonotonoUs();
  const int64_t pausa = pausada_ ? ahora - pausaDesdeUs_ : 0;
  return std::max<int64_t>(0, ahora - inicioUs_ - pausadoUs_ - pausa);
}

SesionDeGrabacion::Resultado SesionDeGrabacion::terminar() {
  Resultado r;
  if (terminada_ || !arrancada_) return r;
  r.duracionUs = duracionUs();
  // Nothing new arrives: the stream and the sound stop, the encoder takes what waits.
  const int64_t finUs = relojMonotonoUs();
  if (flujo_) flujo_->detener();
  if (sistema_ || microfono_) {
    // The sound server delivers what it heard a latency late: the stop waits for the sound
    // up to the stop (a second at most), and leaves out what came after.
    {
      std::lock_guard l(sonido_);
      finUs_ = finUs;
    }
    for (int i = 0; i < 100; ++i) {
      {
        std::lock_guard l(sonido_);
        if (oidoHastaUs_ >= finUs) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  sistema_.reset();
  microfono_.reset();
  {
    std::lock_guard l(cola_);
    pararCodificador_ = true;
  }
  hayCuadro_.notify_one();
  if (codificador_.joinable()) codificador_.join();
  terminada_ = true;
  r.descartados = descartados_ + (flujo_ ? flujo_->descartados() : 0);

  std::lock_guard l(sonido_);
  if (!escritor_) return r;
  r.cuadros = escritor_->cuadros();
  {
    std::lock_guard f(falla_);
    r.falla = interrupcion_;
  }
  // The first frame always goes, so that a recording starts where it was started; when nothing
  // changed after it and nothing was heard, nothing was recorded.
  const bool conSonido = config_.sistema || config_.microfono;
  if (r.cuadros == 0 || (r.cuadros == 1 && !conSonido && !r.falla)) {
    escritor_->cancelar();
    r.cuadros = 0;
    if (!r.falla) r.falla = Falla{Falla::Tipo::vacia, {}};
    escritor_.reset();
    return r;
  }
  // The last quarter second the mixer held back.
  mezcla_.vaciar([this](const float* s, int n, int64_t t) { escritor_->audio(s, n, t); }, true);
  EscritorMp4::Error error;
  if (!escritor_->terminar(&error) && !r.falla) r.falla = deEscritor(error);
  r.archivo = std::filesystem::exists(config_.ruta);
  escritor_.reset();
  return r;
}

}  // namespace corvalin
