// The screen stream on Wayland: a screen the desktop shares through PipeWire, taken in
// shared-memory buffers (or DMA-BUF ones where they can be mapped), cropped to the area asked
// for, converted to BGRA, and delivered when the area's pixels changed, no faster than asked.
#include <fcntl.h>
#include <libyuv/convert_argb.h>
#include <pipewire/pipewire.h>
#include <spa/debug/types.h>
#include <spa/param/video/format-utils.h>
#include <spa/param/video/type-info.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <utility>

#include "platform/screen_stream.h"

namespace corvalin {
namespace {

constexpr int kBuffers = 3;

struct Buffer {
  std::vector<uint8_t> datos;
  std::atomic<bool> prestado{false};
};

struct Pool {
  Buffer buffers[kBuffers];
};

// What `medir(0)` asked for, kept for the stream that follows it in this process.
struct Guardada {
  std::mutex mutex;
  std::optional<PantallaCompartida> pantalla;
  bool cursor = false;
  std::chrono::steady_clock::time_point cuando;
};
Guardada& guardada() {
  static Guardada g;
  return g;
}
constexpr auto kGuardadaVale = std::chrono::seconds(60);

void cerrarPantalla(PantallaCompartida& p) {
  if (p.fd >= 0) ::close(p.fd);
  p.fd = -1;
  if (auto c = std::exchange(p.cerrar, nullptr)) c();
}

void iniciarPipeWire() {
  static std::once_flag una;
  std::call_once(una, [] { pw_init(nullptr, nullptr); });
}

class FlujoPipeWire final : public FlujoDePantalla {
 public:
  explicit FlujoPipeWire(PedirPantalla pedir) : pedir_(std::move(pedir)) {}
  ~FlujoPipeWire() override { detener(); }

  bool arrancar(const FuenteDeCuadros& fuente, const Opciones& opciones, Manejadores m,
                std::string* error) override {
    const auto* area = std::get_if<AreaDeRaiz>(&fuente);
    if (area == nullptr || area->ancho < 1 || area->alto < 1) {
      *error = area ? "empty area" : "windows can't be streamed on Wayland, only areas";
      return false;
    }
    std::optional<PantallaCompartida> p = tomarGuardada(opciones.cursor);
    if (!p) p = pedir_(opciones.cursor, error);
    if (!p) return false;
    pantalla_ = std::move(*p);
    area_ = *area;
    opciones_ = opciones;
    manejadores_ = std::move(m);
    intervaloUs_ = 1'000'000 / std::max(1, opciones.fps);
    if (!conectar(error)) {
      detener();
      return false;
    }
    return true;
  }

  void detener() override {
    if (bucle_ != nullptr) {
      pw_thread_loop_lock(bucle_);
      detenido_ = true;
      pw_thread_loop_unlock(bucle_);
      pw_thread_loop_stop(bucle_);
      if (temporizador_ != nullptr)
        pw_loop_destroy_source(pw_thread_loop_get_loop(bucle_), temporizador_);
      if (stream_ != nullptr) pw_stream_destroy(stream_);
      if (registro_ != nullptr) pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registro_));
      if (core_ != nullptr) pw_core_disconnect(core_);
      if (contexto_ != nullptr) pw_context_destroy(contexto_);
      pw_thread_loop_destroy(bucle_);
      bucle_ = nullptr;
      temporizador_ = nullptr;
      stream_ = nullptr;
      registro_ = nullptr;
      core_ = nullptr;
      contexto_ = nullptr;
    }
    cerrarPantalla(pantalla_);
  }

  void dejarFuera(std::vector<uint32_t>) override {
    // A Wayland client can neither see where windows lie nor take one out of what the desktop
    // shares: Corvalin's own controls show wherever the desktop put them over the area.
  }

  int64_t descartados() const override { return descartados_; }

  std::optional<AreaDeRaiz> medir(uint32_t ventana) override {
    if (ventana != 0) return std::nullopt;
    Guardada& g = guardada();
    {
      std::lock_guard lock(g.mutex);
      if (g.pantalla && std::chrono::steady_clock::now() - g.cuando < kGuardadaVale)
        return g.pantalla->lugar;
    }
    std::string error;
    std::optional<PantallaCompartida> p = pedir_(true, &error);
    if (!p) return std::nullopt;
    const AreaDeRaiz lugar = p->lugar;
    std::lock_guard lock(g.mutex);
    if (g.pantalla) cerrarPantalla(*g.pantalla);
    g.pantalla = std::move(p);
    g.cursor = true;
    g.cuando = std::chrono::steady_clock::now();
    return lugar;
  }

 private:
  static std::optional<PantallaCompartida> tomarGuardada(bool cursor) {
    Guardada& g = guardada();
    std::lock_guard lock(g.mutex);
    if (!g.pantalla) return std::nullopt;
    std::optional<PantallaCompartida> p = std::exchange(g.pantalla, std::nullopt);
    // A screen shared with the other pointer setting, or long ago, is asked for again (with
    // the desktop's restore token, without troubling the user).
    if (g.cursor != cursor || std::chrono::steady_clock::now() - g.cuando >= kGuardadaVale) {
      cerrarPantalla(*p);
      return std::nullopt;
    }
    return p;
  }

  bool conectar(std::string* error) {
    iniciarPipeWire();
    bucle_ = pw_thread_loop_new("corvalin-pw", nullptr);
    if (bucle_ == nullptr) {
      *error = "pw_thread_loop_new failed";
      return false;
    }
    contexto_ = pw_context_new(pw_thread_loop_get_loop(bucle_), nullptr, 0);
    if (contexto_ == nullptr || pw_thread_loop_start(bucle_) < 0) {
      *error = "pw_context_new failed";
      return false;
    }
    pw_thread_loop_lock(bucle_);
    // The remote takes the descriptor over.
    core_ = pw_context_connect_fd(contexto_, std::exchange(pantalla_.fd, -1), nullptr, 0);
    if (core_ == nullptr) {
      pw_thread_loop_unlock(bucle_);
      *error = std::string("pw_context_connect_fd: ") + std::strerror(errno);
      return false;
    }
    static const pw_core_events kEventosDelCore = [] {
      pw_core_events e{};
      e.version = PW_VERSION_CORE_EVENTS;
      e.error = [](void* self, uint32_t id, int, int, const char*) {
        if (id == PW_ID_CORE) static_cast<FlujoPipeWire*>(self)->terminar();
      };
      return e;
    }();
    pw_core_add_listener(core_, &oyenteCore_, &kEventosDelCore, this);
    // The shared screen's node going away (the desktop stopped sharing) leaves a stream that
    // waits for another; the registry says when it goes.
    registro_ = pw_core_get_registry(core_, PW_VERSION_REGISTRY, 0);
    static const pw_registry_events kEventosDelRegistro = [] {
      pw_registry_events e{};
      e.version = PW_VERSION_REGISTRY_EVENTS;
      e.global_remove = [](void* self, uint32_t id) {
        auto* f = static_cast<FlujoPipeWire*>(self);
        if (id == f->pantalla_.nodo) f->terminar();
      };
      return e;
    }();
    pw_registry_add_listener(registro_, &oyenteRegistro_, &kEventosDelRegistro, this);

    stream_ = pw_stream_new(core_, "corvalin",
                            pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                              "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    static const pw_stream_events kEventos = [] {
      pw_stream_events e{};
      e.version = PW_VERSION_STREAM_EVENTS;
      e.state_changed = [](void* self, pw_stream_state antes, pw_stream_state ahora, const char*) {
        static_cast<FlujoPipeWire*>(self)->alCambiarEstado(antes, ahora);
      };
      e.param_changed = [](void* self, uint32_t id, const spa_pod* param) {
        static_cast<FlujoPipeWire*>(self)->alCambiarParametro(id, param);
      };
      e.process = [](void* self) { static_cast<FlujoPipeWire*>(self)->alProcesar(); };
      return e;
    }();
    pw_stream_add_listener(stream_, &oyenteStream_, &kEventos, this);
    temporizador_ = pw_loop_add_timer(
        pw_thread_loop_get_loop(bucle_),
        [](void* self, uint64_t) { static_cast<FlujoPipeWire*>(self)->alVencer(); }, this);

    uint8_t espacio[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(espacio, sizeof espacio);
    spa_rectangle medida{1920, 1080}, menor{1, 1}, mayor{16384, 16384};
    spa_fraction cero{0, 1}, ritmo{static_cast<uint32_t>(opciones_.fps), 1},
        maximo{static_cast<uint32_t>(std::max(opciones_.fps, 60)), 1};
    const spa_pod* params[1];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx,
                               SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&medida, &menor, &mayor),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&cero), SPA_FORMAT_VIDEO_maxFramerate,
        SPA_POD_CHOICE_RANGE_Fraction(&ritmo, &cero, &maximo)));
    const int r = pw_stream_connect(
        stream_, PW_DIRECTION_INPUT, pantalla_.nodo,
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
        params, 1);
    pw_thread_loop_unlock(bucle_);
    if (r < 0) {
      *error = std::string("pw_stream_connect: ") + std::strerror(-r);
      return false;
    }
    return true;
  }

  // Loop thread, from here on.
  void alCambiarEstado(pw_stream_state antes, pw_stream_state ahora) {
    // A stream that ran and then stopped: the desktop stopped sharing, or the screen is gone.
    const bool corria = antes == PW_STREAM_STATE_STREAMING || antes == PW_STREAM_STATE_PAUSED;
    if (ahora == PW_STREAM_STATE_ERROR || (corria && ahora == PW_STREAM_STATE_UNCONNECTED))
      terminar();
  }

  void alCambiarParametro(uint32_t id, const spa_pod* param) {
    if (param == nullptr || id != SPA_PARAM_Format) return;
    uint32_t tipo = 0, subtipo = 0;
    if (spa_format_parse(param, &tipo, &subtipo) < 0 || tipo != SPA_MEDIA_TYPE_video ||
        subtipo != SPA_MEDIA_SUBTYPE_raw)
      return;
    spa_video_info_raw info{};
    if (spa_format_video_raw_parse(param, &info) < 0) return;
    formato_ = info.format;
    anchoFuente_ = static_cast<int>(info.size.width);
    altoFuente_ = static_cast<int>(info.size.height);
    recortar();

    uint8_t espacio[512];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(espacio, sizeof espacio);
    const spa_pod* params[2];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(4, 2, 16), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr) |
                                 (1 << SPA_DATA_DmaBuf))));
    params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_Header), SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
    pw_stream_update_params(stream_, params, 2);
  }

  // The area in the frames' pixels: the screen's layout size maps onto the frame's size.
  void recortar() {
    const AreaDeRaiz& l = pantalla_.lugar;
    const double ex = l.ancho > 0 ? double(anchoFuente_) / l.ancho : 1.0;
    const double ey = l.alto > 0 ? double(altoFuente_) / l.alto : 1.0;
    const int x0 = std::clamp(int((area_.x - l.x) * ex + 0.5), 0, anchoFuente_);
    const int y0 = std::clamp(int((area_.y - l.y) * ey + 0.5), 0, altoFuente_);
    const int x1 = std::clamp(int((area_.x + area_.ancho - l.x) * ex + 0.5), 0, anchoFuente_);
    const int y1 = std::clamp(int((area_.y + area_.alto - l.y) * ey + 0.5), 0, altoFuente_);
    recorte_ = AreaDeRaiz{x0, y0, x1 - x0, y1 - y0};
  }

  void alProcesar() {
    // Only the newest buffer matters; older ones go straight back.
    pw_buffer* b = nullptr;
    while (pw_buffer* siguiente = pw_stream_dequeue_buffer(stream_)) {
      if (b != nullptr) pw_stream_queue_buffer(stream_, b);
      b = siguiente;
    }
    if (b == nullptr) return;
    tomar(b->buffer);
    pw_stream_queue_buffer(stream_, b);
  }

  void tomar(spa_buffer* sb) {
    if (detenido_ || recorte_.ancho < 1 || recorte_.alto < 1 || sb->n_datas < 1) return;
    const spa_data& d = sb->datas[0];
    if (d.data == nullptr || d.chunk == nullptr || d.chunk->size == 0) return;
    if (auto* h = static_cast<spa_meta_header*>(
            spa_buffer_find_meta_data(sb, SPA_META_Header, sizeof(spa_meta_header)));
        h != nullptr && (h->flags & SPA_META_HEADER_FLAG_CORRUPTED))
      return;
    const int paso = d.chunk->stride > 0 ? d.chunk->stride : anchoFuente_ * 4;
    const auto* origen = static_cast<const uint8_t*>(d.data) + d.chunk->offset;
    if (static_cast<int64_t>(paso) * altoFuente_ >
        static_cast<int64_t>(d.maxsize) - d.chunk->offset)
      return;

    Buffer* libre = nullptr;
    for (Buffer& buf : pool_->buffers)
      if (!buf.prestado && &buf != ultimo_ && libre == nullptr) libre = &buf;
    if (libre == nullptr) {
      ++descartados_;
      return;
    }
    const int ancho = recorte_.ancho, alto = recorte_.alto;
    const std::size_t pasoSalida = static_cast<std::size_t>(ancho) * 4;
    libre->datos.resize(pasoSalida * alto);
    const uint8_t* esquina =
        origen + static_cast<std::ptrdiff_t>(recorte_.y) * paso + recorte_.x * 4;
    if (formato_ == SPA_VIDEO_FORMAT_RGBx || formato_ == SPA_VIDEO_FORMAT_RGBA) {
      libyuv::ABGRToARGB(esquina, paso, libre->datos.data(), static_cast<int>(pasoSalida), ancho,
                         alto);
    } else {
      for (int y = 0; y < alto; ++y)
        std::memcpy(libre->datos.data() + y * pasoSalida,
                    esquina + static_cast<std::ptrdiff_t>(y) * paso, pasoSalida);
    }
    // The x formats leave the fourth byte undefined.
    if (formato_ == SPA_VIDEO_FORMAT_BGRx || formato_ == SPA_VIDEO_FORMAT_RGBx)
      for (std::size_t i = 3; i < libre->datos.size(); i += 4) libre->datos[i] = 0xff;

    // The desktop sends a frame when anything on the screen changed; what matters is the area.
    if (ultimo_ != nullptr && ultimo_->datos == libre->datos) {
      pendiente_ = nullptr;  // it may have been this buffer, now back to what was last sent
      return;
    }
    pendiente_ = libre;
    const int64_t ahora = relojMonotonoUs();
    const int64_t falta = ultimoUs_ + intervaloUs_ - ahora;
    if (ultimoUs_ == 0 || falta <= 0) {
      entregar(ahora);
    } else {
      // Too soon after the last one: it goes when its turn comes, unless a newer one replaces
      // it first.
      timespec t{0, static_cast<long>(falta * 1000)};
      pw_loop_update_timer(pw_thread_loop_get_loop(bucle_), temporizador_, &t, nullptr, false);
    }
  }

  void alVencer() {
    if (pendiente_ != nullptr && !detenido_) entregar(relojMonotonoUs());
  }

  void entregar(int64_t ahora) {
    Buffer* b = std::exchange(pendiente_, nullptr);
    if (b == nullptr || b->prestado) return;
    ultimo_ = b;
    ultimoUs_ = ahora;
    b->prestado = true;
    std::shared_ptr<void> prestamo(b, [pool = pool_](Buffer* x) { x->prestado = false; });
    if (manejadores_.alCuadro)
      manejadores_.alCuadro(CuadroDePantalla{b->datos.data(), recorte_.ancho, recorte_.alto,
                                             recorte_.ancho * 4, ahora, std::move(prestamo)});
  }

  void terminar() {
    if (detenido_ || terminado_) return;
    terminado_ = true;
    if (manejadores_.alTerminar) manejadores_.alTerminar(Fin::sinPantalla);
  }

  PedirPantalla pedir_;
  PantallaCompartida pantalla_;
  AreaDeRaiz area_, recorte_;
  Opciones opciones_;
  Manejadores manejadores_;
  int64_t intervaloUs_ = 33'333;

  pw_thread_loop* bucle_ = nullptr;
  pw_context* contexto_ = nullptr;
  pw_core* core_ = nullptr;
  pw_stream* stream_ = nullptr;
  spa_source* temporizador_ = nullptr;
  pw_registry* registro_ = nullptr;
  spa_hook oyenteCore_{};
  spa_hook oyenteRegistro_{};
  spa_hook oyenteStream_{};

  uint32_t formato_ = SPA_VIDEO_FORMAT_BGRx;
  int anchoFuente_ = 0, altoFuente_ = 0;
  std::shared_ptr<Pool> pool_ = std::make_shared<Pool>();
  Buffer* ultimo_ = nullptr;
  Buffer* pendiente_ = nullptr;
  int64_t ultimoUs_ = 0;
  bool detenido_ = false;
  bool terminado_ = false;
  std::atomic<int64_t> descartados_{0};
};

}  // namespace

std::unique_ptr<FlujoDePantalla> flujoPipeWire(PedirPantalla pedir) {
  return std::make_unique<FlujoPipeWire>(std::move(pedir));
}

}  // namespace corvalin
