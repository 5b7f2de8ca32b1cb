#include "recording/audio_mixer.h"

#include <algorithm>
#include <cmath>

namespace corvalin {
namespace {

float muestra(const PcmView& pcm, int canal, int frame) {
  const std::size_t i = pcm.intercalado ? static_cast<std::size_t>(frame) * pcm.canales + canal
                                        : static_cast<std::size_t>(canal) * pcm.frames + frame;
  if (pcm.flotante) return static_cast<const float*>(pcm.datos)[i];
  return static_cast<float>(static_cast<const int16_t*>(pcm.datos)[i] / 32768.0);
}

}  // namespace

std::vector<float> MezcladorDeAudio::leer(const PcmView& pcm) {
  if (pcm.datos == nullptr || pcm.canales < 1 || pcm.frames < 1) return {};
  const int derecho = pcm.canales > 1 ? 1 : 0;  // mono goes to both sides
  std::vector<float> estereo(static_cast<std::size_t>(pcm.frames) * 2);
  for (int i = 0; i < pcm.frames; ++i) {
    estereo[2 * i] = muestra(pcm, 0, i);
    estereo[2 * i + 1] = muestra(pcm, derecho, i);
  }
  if (pcm.tasaHz <= 0 || std::abs(pcm.tasaHz - kTasaHz) <= 1) return estereo;
  // Linear interpolation onto 48 kHz.
  const double razon = static_cast<double>(kTasaHz) / pcm.tasaHz;
  const int salida = std::max(1, static_cast<int>(razon * pcm.frames));
  const int ultimo = pcm.frames - 1;
  std::vector<float> remuestreado(static_cast<std::size_t>(salida) * 2);
  for (int j = 0; j < salida; ++j) {
    const double t = j / razon;
    const int i0 = std::min(static_cast<int>(t), ultimo);
    const int i1 = std::min(i0 + 1, ultimo);
    const double f = t - i0;
    for (int c = 0; c < 2; ++c) {
      const float a = estereo[2 * i0 + c], b = estereo[2 * i1 + c];
      remuestreado[2 * j + c] = static_cast<float>(a + (b - a) * f);
    }
  }
  return remuestreado;
}

void MezcladorDeAudio::agregar(const PcmView& pcm, int64_t ptsUs) {
  std::vector<float> frames = leer(pcm);
  if (frames.empty()) return;
  if (!origenUs_) origenUs_ = ptsUs;
  const int64_t pos = static_cast<int64_t>(static_cast<double>(ptsUs - *origenUs_) * kTasaHz / 1e6);
  int64_t off = pos - base_;
  std::size_t desde = 0;
  const int64_t cuantos = static_cast<int64_t>(frames.size() / 2);
  if (off < 0) {
    // Its start lies in what was already written: only the rest counts.
    if (-off >= cuantos) return;
    desde = static_cast<std::size_t>(-off);
    off = 0;
  } else if (off >= kMaximoAdelanteFrames) {
    return;
  }
  const int64_t resto = cuantos - static_cast<int64_t>(desde);
  const std::size_t necesarios = static_cast<std::size_t>((off + resto) * 2);
  if (muestras_.size() < necesarios) muestras_.resize(necesarios, 0.0f);
  for (int64_t i = 0; i < resto; ++i) {
    muestras_[2 * (off + i)] += frames[2 * (desde + i)];
    muestras_[2 * (off + i) + 1] += frames[2 * (desde + i) + 1];
  }
  ultimo_ = std::max(ultimo_, base_ + off + resto);
}

void MezcladorDeAudio::vaciar(const Escritor& escribir, bool todo) {
  if (!origenUs_) return;
  const int64_t fin = ultimo_ - (todo ? 0 : kRetencionFrames);
  const int64_t cuantos = fin - base_;
  if (cuantos < 1 || static_cast<int64_t>(muestras_.size() / 2) < cuantos) return;
  const std::size_t valores = static_cast<std::size_t>(cuantos * 2);
  for (std::size_t i = 0; i < valores; ++i) muestras_[i] = std::clamp(muestras_[i], -1.0f, 1.0f);
  const int64_t ptsUs = *origenUs_ + base_ * 1'000'000 / kTasaHz;
  if (escribir) escribir(muestras_.data(), static_cast<int>(cuantos), ptsUs);
  muestras_.erase(muestras_.begin(), muestras_.begin() + static_cast<std::ptrdiff_t>(valores));
  base_ += cuantos;
}

void MezcladorDeAudio::reiniciar() {
  muestras_.clear();
  base_ = 0;
  ultimo_ = 0;
  origenUs_.reset();
}

}  // namespace corvalin
