// What the recording hears, from the PulseAudio server (PipeWire serves the same API): the
// system's sound from the default output's monitor, or the default microphone, as 48 kHz
// stereo float stamped on the monotonic clock. Plain C++ over libpulse's threaded loop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace corvalin {

class CapturaDeAudio {
 public:
  enum class Origen { sistema, microfono };
  // Interleaved stereo samples at 48 kHz, the first heard at `ptsUs`; on libpulse's thread.
  using AlSonido = std::function<void(const float* estereo, int frames, int64_t ptsUs)>;

  // Starts listening; null with a technical reason when no server or device answers.
  static std::unique_ptr<CapturaDeAudio> abrir(Origen origen, AlSonido alSonido,
                                               std::string* error);
  ~CapturaDeAudio();  // stops; no sound is delivered after it returns
  CapturaDeAudio(const CapturaDeAudio&) = delete;
  CapturaDeAudio& operator=(const CapturaDeAudio&) = delete;

 private:
  struct Impl;
  explicit CapturaDeAudio(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> d_;
};

}  // namespace corvalin
