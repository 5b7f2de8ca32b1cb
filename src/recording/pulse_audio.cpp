#include "recording/pulse_audio.h"

#include <pulse/pulseaudio.h>

#include <optional>
#include <vector>

#include "platform/screen_stream.h"
#include "recording/sample_clock.h"

namespace corvalin {
namespace {

constexpr int kTasaHz = RelojDeMuestras::kTasaHz;

}  // namespace

struct CapturaDeAudio::Impl {
  pa_threaded_mainloop* loop = nullptr;
  pa_context* ctx = nullptr;
  pa_stream* stream = nullptr;
  AlSonido alSonido;
  bool listo = false;
  bool fallo = false;
  RelojDeMuestras reloj;

  ~Impl() {
    if (loop != nullptr) pa_threaded_mainloop_stop(loop);
    if (stream != nullptr) {
      pa_stream_disconnect(stream);
      pa_stream_unref(stream);
    }
    if (ctx != nullptr) {
      pa_context_disconnect(ctx);
      pa_context_unref(ctx);
    }
    if (loop != nullptr) pa_threaded_mainloop_free(loop);
  }

  static void alCambiarContexto(pa_context* c, void* datos) {
    auto* d = static_cast<Impl*>(datos);
    const pa_context_state_t s = pa_context_get_state(c);
    if (s == PA_CONTEXT_READY || s == PA_CONTEXT_FAILED || s == PA_CONTEXT_TERMINATED)
      pa_threaded_mainloop_signal(d->loop, 0);
  }
  static void alCambiarStream(pa_stream* s, void* datos) {
    auto* d = static_cast<Impl*>(datos);
    const pa_stream_state_t e = pa_stream_get_state(s);
    if (e == PA_STREAM_READY || e == PA_STREAM_FAILED || e == PA_STREAM_TERMINATED)
      pa_threaded_mainloop_signal(d->loop, 0);
  }
  static void alLeer(pa_stream* s, size_t, void* datos) {
    auto* d = static_cast<Impl*>(datos);
    const void* datosLeidos = nullptr;
    size_t bytes = 0;
    while (pa_stream_readable_size(s) > 0 && pa_stream_peek(s, &datosLeidos, &bytes) == 0) {
      if (bytes == 0) break;
      const int frames = static_cast<int>(bytes / (2 * sizeof(float)));
      // The latency of a record stream is what was heard and not yet read besides the fragment
      // in hand (it is often shorter than the fragment): the fragment's first sample was heard
      // its length plus the latency ago. Until the server has said how late it runs, counting
      // can't start; when it can't say, the count goes on alone.
      pa_usec_t latencia = 0;
      int negativa = 0;
      std::optional<int64_t> medido;
      if (pa_stream_get_latency(s, &latencia, &negativa) == 0)
        medido = relojMonotonoUs() - (negativa ? 0 : static_cast<int64_t>(latencia)) -
                 static_cast<int64_t>(frames) * 1'000'000 / kTasaHz;
      else if (!d->reloj.contando()) {
        pa_stream_drop(s);
        continue;
      }
      const RelojDeMuestras::Lugar lugar = d->reloj.pts(medido, frames);
      const int quedan = frames - lugar.omitir;
      if (quedan > 0 && datosLeidos != nullptr && d->alSonido) {
        d->alSonido(static_cast<const float*>(datosLeidos) + 2 * lugar.omitir, quedan, lugar.ptsUs);
      } else if (quedan > 0 && d->alSonido) {
        // A hole in the stream: silence of its length.
        std::vector<float> silencio(static_cast<std::size_t>(quedan) * 2, 0.f);
        d->alSonido(silencio.data(), quedan, lugar.ptsUs);
      }
      pa_stream_drop(s);
    }
  }
};

CapturaDeAudio::CapturaDeAudio(std::unique_ptr<Impl> impl) : d_(std::move(impl)) {}
CapturaDeAudio::~CapturaDeAudio() = default;

std::unique_ptr<CapturaDeAudio> CapturaDeAudio::abrir(Origen origen, AlSonido alSonido,
                                                      std::string* error) {
  auto d = std::make_unique<Impl>();
  d->alSonido = std::move(alSonido);
  auto falla = [&](const std::string& por) -> std::unique_ptr<CapturaDeAudio> {
    if (error) *error = por;
    return nullptr;
  };
  d->loop = pa_threaded_mainloop_new();
  if (d->loop == nullptr) return falla("no PulseAudio main loop");
  d->ctx = pa_context_new(pa_threaded_mainloop_get_api(d->loop), "Corvalin");
  if (d->ctx == nullptr) return falla("no PulseAudio context");
  pa_context_set_state_callback(d->ctx, &Impl::alCambiarContexto, d.get());
  if (pa_context_connect(d->ctx, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
    return falla(pa_strerror(pa_context_errno(d->ctx)));
  pa_threaded_mainloop_lock(d->loop);
  if (pa_threaded_mainloop_start(d->loop) < 0) {
    pa_threaded_mainloop_unlock(d->loop);
    return falla("the PulseAudio loop did not start");
  }
  for (;;) {
    const pa_context_state_t s = pa_context_get_state(d->ctx);
    if (s == PA_CONTEXT_READY) break;
    if (!PA_CONTEXT_IS_GOOD(s)) {
      const std::string por = pa_strerror(pa_context_errno(d->ctx));
      pa_threaded_mainloop_unlock(d->loop);
      return falla(por);
    }
    pa_threaded_mainloop_wait(d->loop);
  }
  const pa_sample_spec formato{PA_SAMPLE_FLOAT32LE, kTasaHz, 2};
  d->stream =
      pa_stream_new(d->ctx, origen == Origen::sistema ? "Sistema" : "Micrófono", &formato, nullptr);
  if (d->stream == nullptr) {
    const std::string por = pa_strerror(pa_context_errno(d->ctx));
    pa_threaded_mainloop_unlock(d->loop);
    return falla(por);
  }
  pa_stream_set_state_callback(d->stream, &Impl::alCambiarStream, d.get());
  pa_stream_set_read_callback(d->stream, &Impl::alLeer, d.get());
  // Fragments of 10 ms: the mixer holds a quarter second back anyway.
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.fragsize = static_cast<uint32_t>(kTasaHz / 100 * 2 * sizeof(float));
  const char* dispositivo = origen == Origen::sistema ? "@DEFAULT_MONITOR@" : nullptr;
  const auto flags = static_cast<pa_stream_flags_t>(
      PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
  if (pa_stream_connect_record(d->stream, dispositivo, &attr, flags) < 0) {
    const std::string por = pa_strerror(pa_context_errno(d->ctx));
    pa_threaded_mainloop_unlock(d->loop);
    return falla(por);
  }
  for (;;) {
    const pa_stream_state_t s = pa_stream_get_state(d->stream);
    if (s == PA_STREAM_READY) break;
    if (!PA_STREAM_IS_GOOD(s)) {
      const std::string por = pa_strerror(pa_context_errno(d->ctx));
      pa_threaded_mainloop_unlock(d->loop);
      return falla(por);
    }
    pa_threaded_mainloop_wait(d->loop);
  }
  pa_threaded_mainloop_unlock(d->loop);
  return std::unique_ptr<CapturaDeAudio>(new CapturaDeAudio(std::move(d)));
}

}  // namespace corvalin
