// One audio track from up to two sources (system audio and microphone): every buffer turned
// into 48 kHz stereo float, laid on one timeline by its presentation time, overlapping sources
// added sample by sample, and stretches a quarter second old handed on to the encoder.
// Plain C++; all calls come from the recorder's audio thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace corvalin {

// Samples as a source delivers them.
struct PcmView {
  const void* datos = nullptr;
  int canales = 0;
  int frames = 0;
  int tasaHz = 48000;
  bool flotante = true;     // 32-bit float; else signed 16-bit
  bool intercalado = true;  // else one plane per channel, `frames` samples each
};

class MezcladorDeAudio {
 public:
  static constexpr int kTasaHz = 48000;
  static constexpr int kRetencionFrames = 12000;  // 0.25 s held back before writing
  static constexpr int kMaximoAdelanteFrames = 60 * kTasaHz;

  // Adds one buffer whose first sample was captured at `ptsUs` (monotonic microseconds,
  // already shifted for pauses).
  void agregar(const PcmView& pcm, int64_t ptsUs);
  // Hands what is ready to `escribir`: interleaved stereo floats clipped to -1…1, their frame
  // count and the time of the first. With `todo`, everything pending; else all but the last
  // quarter second.
  using Escritor = std::function<void(const float* estereo, int frames, int64_t ptsUs)>;
  void vaciar(const Escritor& escribir, bool todo);
  void reiniciar();

  // The buffer read as 48 kHz stereo float frames; empty when it holds nothing usable.
  static std::vector<float> leer(const PcmView& pcm);

 private:
  std::vector<float> muestras_;  // pending mix, interleaved; frame k is timeline base_ + k
  int64_t base_ = 0;
  std::optional<int64_t> origenUs_;  // timeline frame 0
  int64_t ultimo_ = 0;               // end of the furthest frame any buffer reached
};

}  // namespace corvalin
