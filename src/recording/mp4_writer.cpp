#include "recording/mp4_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}
#include <libyuv.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>
#include <vector>

namespace corvalin {
namespace {

constexpr AVRational kBaseDeVideo{1, 90000};
constexpr int kTasaDeAudio = 48000;
constexpr int kBitsDeAudio = 128000;
// A gap in the audio longer than this becomes silence; shorter ones are rounding.
constexpr int kHuecoDeAudio = kTasaDeAudio / 100;

std::string texto(int codigo) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(codigo, buf, sizeof buf);
  return buf;
}

struct Codec {
  AVCodecContext* ctx = nullptr;
  ~Codec() { avcodec_free_context(&ctx); }
};
struct Frame {
  AVFrame* f = av_frame_alloc();
  ~Frame() { av_frame_free(&f); }
};
struct Packet {
  AVPacket* p = av_packet_alloc();
  ~Packet() { av_packet_free(&p); }
};

}  // namespace

struct EscritorMp4::Impl {
  std::string ruta;
  Ajustes ajustes;
  AVFormatContext* fmt = nullptr;
  Codec video, audio;
  AVStream* streamVideo = nullptr;
  AVStream* streamAudio = nullptr;

  // The muxer, the error and the file's zero are shared by the two threads.
  mutable std::mutex muxer;
  Error error;
  std::optional<int64_t> origenUs;
  bool terminado = false;

  // The video thread's own.
  Frame yuv;
  Packet paqueteVideo;
  std::vector<uint8_t> escalado;
  int64_t ultimoPts = -1;
  std::atomic<int> cuadros = 0;

  // The audio thread's own.
  Frame trozo;
  Packet paqueteAudio;
  std::vector<float> izquierda, derecha;    // samples not yet encoded
  std::optional<int64_t> siguienteMuestra;  // sample index of izquierda[0]

  ~Impl() {
    if (fmt != nullptr) {
      if (fmt->pb != nullptr) avio_closep(&fmt->pb);
      avformat_free_context(fmt);
    }
  }

  void fallar(Falla f, std::string detalle) {
    if (!error) error = Error{f, std::move(detalle)};
  }

  // Writes what the encoder has ready. Takes the muxer's lock.
  bool escribir(Codec& codec, AVStream* stream, AVPacket* pkt) {
    for (;;) {
      const int r = avcodec_receive_packet(codec.ctx, pkt);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      std::lock_guard lock(muxer);
      if (r < 0) {
        fallar(Falla::codificador, texto(r));
        return false;
      }
      av_packet_rescale_ts(pkt, codec.ctx->time_base, stream->time_base);
      pkt->stream_index = stream->index;
      const int w = av_interleaved_write_frame(fmt, pkt);
      if (w < 0 || (fmt->pb != nullptr && fmt->pb->error < 0)) {
        fallar(Falla::escritura, texto(w < 0 ? w : fmt->pb->error));
        return false;
      }
    }
  }

  bool enviar(Codec& codec, AVStream* stream, AVFrame* frame, AVPacket* pkt) {
    const int r = avcodec_send_frame(codec.ctx, frame);
    if (r < 0 && r != AVERROR_EOF) {
      std::lock_guard lock(muxer);
      fallar(Falla::codificador, texto(r));
      return false;
    }
    return escribir(codec, stream, pkt);
  }

  bool fallido() const {
    std::lock_guard lock(muxer);
    return static_cast<bool>(error);
  }

  // Encodes every whole audio frame pending; with `resto`, the last partial one too.
  bool codificarAudio(bool resto) {
    const int tam = audio.ctx->frame_size > 0 ? audio.ctx->frame_size : 1024;
    while (!izquierda.empty() && (izquierda.size() >= static_cast<std::size_t>(tam) || resto)) {
      const int n = std::min<int>(tam, static_cast<int>(izquierda.size()));
      AVFrame* f = trozo.f;
      av_frame_unref(f);
      f->format = AV_SAMPLE_FMT_FLTP;
      f->sample_rate = kTasaDeAudio;
      av_channel_layout_copy(&f->ch_layout, &audio.ctx->ch_layout);
      f->nb_samples = n;
      if (av_frame_get_buffer(f, 0) < 0) {
        std::lock_guard lock(muxer);
        fallar(Falla::codificador, "audio frame");
        return false;
      }
      std::copy_n(izquierda.begin(), n, reinterpret_cast<float*>(f->data[0]));
      std::copy_n(derecha.begin(), n, reinterpret_cast<float*>(f->data[1]));
      f->pts = *siguienteMuestra;
      izquierda.erase(izquierda.begin(), izquierda.begin() + n);
      derecha.erase(derecha.begin(), derecha.begin() + n);
      *siguienteMuestra += n;
      if (!enviar(audio, streamAudio, f, paqueteAudio.p)) return false;
    }
    return true;
  }
};

int64_t EscritorMp4::tasaDeBits(int ancho, int alto, int fps) {
  const auto bits = static_cast<int64_t>(static_cast<double>(ancho) * alto * fps * 0.1);
  return std::max<int64_t>(bits, 400000);
}

EscritorMp4::EscritorMp4(std::unique_ptr<Impl> impl) : d_(std::move(impl)) {}

EscritorMp4::~EscritorMp4() {
  if (d_ && !d_->terminado) cancelar();
}

std::unique_ptr<EscritorMp4> EscritorMp4::abrir(const std::string& ruta, const Ajustes& ajustes,
                                                Error* error) {
  // FFmpeg's own reports go to standard error; only its errors are worth that.
  static std::once_flag callado;
  std::call_once(callado, [] { av_log_set_level(AV_LOG_ERROR); });
  auto d = std::make_unique<Impl>();
  d->ruta = ruta;
  d->ajustes = ajustes;
  auto falla = [&](Falla f, std::string detalle) -> std::unique_ptr<EscritorMp4> {
    if (error) *error = Error{f, std::move(detalle)};
    return nullptr;
  };
  if (ajustes.ancho < 2 || ajustes.alto < 2 || ajustes.fps < 1)
    return falla(Falla::codificador, "bad size or rate");
  if (avformat_alloc_output_context2(&d->fmt, nullptr, "mp4", ruta.c_str()) < 0 || !d->fmt)
    return falla(Falla::archivo, "mp4 muxer");

  const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
  if (x264 == nullptr) return falla(Falla::codificador, "libx264 is not available");
  d->video.ctx = avcodec_alloc_context3(x264);
  AVCodecContext* v = d->video.ctx;
  v->width = ajustes.ancho;
  v->height = ajustes.alto;
  v->pix_fmt = AV_PIX_FMT_YUV420P;
  v->time_base = kBaseDeVideo;
  v->framerate = AVRational{ajustes.fps, 1};
  v->bit_rate = tasaDeBits(ajustes.ancho, ajustes.alto, ajustes.fps);
  v->gop_size = ajustes.fps * 2;
  v->max_b_frames = 2;
  // libyuv's conversion is BT.601 with limited range: say so in the stream.
  v->colorspace = AVCOL_SPC_SMPTE170M;
  v->color_primaries = AVCOL_PRI_SMPTE170M;
  v->color_trc = AVCOL_TRC_SMPTE170M;
  v->color_range = AVCOL_RANGE_MPEG;
  if (d->fmt->oformat->flags & AVFMT_GLOBALHEADER) v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  av_opt_set(v->priv_data, "preset", ajustes.preset.c_str(), 0);
  av_opt_set(v->priv_data, "profile", "high", 0);
  if (const int r = avcodec_open2(v, x264, nullptr); r < 0)
    return falla(Falla::codificador, texto(r));
  d->streamVideo = avformat_new_stream(d->fmt, nullptr);
  if (d->streamVideo == nullptr) return falla(Falla::archivo, "video stream");
  avcodec_parameters_from_context(d->streamVideo->codecpar, v);
  d->streamVideo->time_base = v->time_base;
  d->streamVideo->avg_frame_rate = v->framerate;

  if (ajustes.conAudio) {
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (aac == nullptr) return falla(Falla::codificador, "no AAC encoder");
    d->audio.ctx = avcodec_alloc_context3(aac);
    AVCodecContext* a = d->audio.ctx;
    a->sample_fmt = AV_SAMPLE_FMT_FLTP;
    a->sample_rate = kTasaDeAudio;
    av_channel_layout_default(&a->ch_layout, 2);
    a->bit_rate = kBitsDeAudio;
    a->time_base = AVRational{1, kTasaDeAudio};
    if (d->fmt->oformat->flags & AVFMT_GLOBALHEADER) a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (const int r = avcodec_open2(a, aac, nullptr); r < 0)
      return falla(Falla::codificador, texto(r));
    d->streamAudio = avformat_new_stream(d->fmt, nullptr);
    if (d->streamAudio == nullptr) return falla(Falla::archivo, "audio stream");
    avcodec_parameters_from_context(d->streamAudio->codecpar, a);
    d->streamAudio->time_base = a->time_base;
  }

  if (const int r = avio_open(&d->fmt->pb, ruta.c_str(), AVIO_FLAG_WRITE); r < 0)
    return falla(Falla::archivo, texto(r));
  AVDictionary* opciones = nullptr;
  av_dict_set(&opciones, "movflags", "+faststart", 0);
  const int r = avformat_write_header(d->fmt, &opciones);
  av_dict_free(&opciones);
  if (r < 0) {
    avio_closep(&d->fmt->pb);
    std::remove(ruta.c_str());
    return falla(Falla::archivo, texto(r));
  }

  AVFrame* f = d->yuv.f;
  f->format = AV_PIX_FMT_YUV420P;
  f->width = ajustes.ancho;
  f->height = ajustes.alto;
  if (av_frame_get_buffer(f, 0) < 0) return falla(Falla::codificador, "video frame");
  return std::unique_ptr<EscritorMp4>(new EscritorMp4(std::move(d)));
}

bool EscritorMp4::video(const uint8_t* bgra, int ancho, int alto, std::ptrdiff_t pasoBytes,
                        int64_t ptsUs) {
  Impl& d = *d_;
  if (d.fallido() || d.terminado) return false;
  int64_t origen = 0;
  {
    std::lock_guard lock(d.muxer);
    if (!d.origenUs) d.origenUs = ptsUs;
    origen = *d.origenUs;
  }
  const int salidaAncho = d.ajustes.ancho, salidaAlto = d.ajustes.alto;
  const uint8_t* fuente = bgra;
  int paso = static_cast<int>(pasoBytes);
  if (ancho != salidaAncho || alto != salidaAlto) {
    d.escalado.resize(static_cast<std::size_t>(salidaAncho) * salidaAlto * 4);
    libyuv::ARGBScale(bgra, paso, ancho, alto, d.escalado.data(), salidaAncho * 4, salidaAncho,
                      salidaAlto, libyuv::kFilterBilinear);
    fuente = d.escalado.data();
    paso = salidaAncho * 4;
  }
  AVFrame* f = d.yuv.f;
  if (av_frame_make_writable(f) < 0) {
    std::lock_guard lock(d.muxer);
    d.fallar(Falla::codificador, "video frame");
    return false;
  }
  // libyuv's "ARGB" is B, G, R, A in memory: the BGRA the screen gives.
  libyuv::ARGBToI420(fuente, paso, f->data[0], f->linesize[0], f->data[1], f->linesize[1],
                     f->data[2], f->linesize[2], salidaAncho, salidaAlto);
  // Each frame at its own time, on a clock fine enough that nothing rounds together.
  int64_t pts = (ptsUs - origen) * kBaseDeVideo.den / 1'000'000;
  if (pts <= d.ultimoPts) pts = d.ultimoPts + 1;
  d.ultimoPts = pts;
  f->pts = pts;
  if (!d.enviar(d.video, d.streamVideo, f, d.paqueteVideo.p)) return false;
  ++d.cuadros;
  return true;
}

bool EscritorMp4::audio(const float* estereo, int frames, int64_t ptsUs) {
  Impl& d = *d_;
  if (d.audio.ctx == nullptr || frames < 1) return true;
  if (d.fallido() || d.terminado) return false;
  int64_t origen = 0;
  {
    std::lock_guard lock(d.muxer);
    if (!d.origenUs) return true;  // nothing before the first picture
    origen = *d.origenUs;
  }
  int64_t muestra = (ptsUs - origen) * kTasaDeAudio / 1'000'000;
  int desde = 0;
  if (!d.siguienteMuestra) {
    if (muestra < 0) {
      desde = static_cast<int>(std::min<int64_t>(-muestra, frames));
      muestra = 0;
    }
    d.siguienteMuestra = muestra;
  } else {
    const int64_t esperada = *d.siguienteMuestra + static_cast<int64_t>(d.izquierda.size());
    if (muestra - esperada > kHuecoDeAudio) {
      // Nothing was heard for a while: silence of that length keeps the sound in place.
      d.izquierda.resize(d.izquierda.size() + static_cast<std::size_t>(muestra - esperada), 0.f);
      d.derecha.resize(d.izquierda.size(), 0.f);
    } else if (esperada - muestra > kHuecoDeAudio) {
      desde = static_cast<int>(std::min<int64_t>(esperada - muestra, frames));  // heard already
    }
  }
  for (int i = desde; i < frames; ++i) {
    d.izquierda.push_back(estereo[2 * i]);
    d.derecha.push_back(estereo[2 * i + 1]);
  }
  return d.codificarAudio(false);
}

bool EscritorMp4::terminar(Error* error) {
  Impl& d = *d_;
  if (d.terminado) return !d.error;
  bool bien = !d.fallido();
  if (bien && d.audio.ctx != nullptr && d.siguienteMuestra) bien = d.codificarAudio(true);
  if (bien) bien = d.enviar(d.video, d.streamVideo, nullptr, d.paqueteVideo.p);
  if (bien && d.audio.ctx != nullptr)
    bien = d.enviar(d.audio, d.streamAudio, nullptr, d.paqueteAudio.p);
  // Even after a failure, the index makes what was written playable, when it can be written.
  std::lock_guard lock(d.muxer);
  const int trailer = av_write_trailer(d.fmt);
  const bool jugable = trailer >= 0 && d.cuadros > 0;
  if (trailer < 0) d.fallar(Falla::escritura, texto(trailer));
  avio_closep(&d.fmt->pb);
  d.terminado = true;
  if (!jugable) std::remove(d.ruta.c_str());
  if (error) *error = d.error;
  return !d.error;
}

void EscritorMp4::cancelar() {
  Impl& d = *d_;
  std::lock_guard lock(d.muxer);
  if (d.fmt->pb != nullptr) avio_closep(&d.fmt->pb);
  d.terminado = true;
  std::remove(d.ruta.c_str());
}

int EscritorMp4::cuadros() const {
  return d_->cuadros;
}

EscritorMp4::Error EscritorMp4::error() const {
  std::lock_guard lock(d_->muxer);
  return d_->error;
}

}  // namespace corvalin
