// The MP4 file of a recording: H.264 video (High profile, through libx264) of only the frames
// that changed, each at its own time, and one AAC track, written as they come and finished with
// the index at the front (+faststart). Frames arrive as BGRA of any size and are scaled to the
// output size. Plain C++ over FFmpeg and libyuv; video and audio may come from two threads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace corvalin {

class EscritorMp4 {
 public:
  struct Ajustes {
    int ancho = 0;  // output size in pixels, even
    int alto = 0;
    int fps = 30;
    bool conAudio = false;
    std::string preset = "superfast";  // libx264's speed preset
  };

  // Why a recording could not be written, for the recorder to say in the user's language;
  // `detalle` is FFmpeg's own wording.
  enum class Falla { ninguna, archivo, codificador, escritura };
  struct Error {
    Falla falla = Falla::ninguna;
    std::string detalle;
    explicit operator bool() const { return falla != Falla::ninguna; }
  };

  // Creates the file at `ruta`; null with the reason in `error` when it can't.
  static std::unique_ptr<EscritorMp4> abrir(const std::string& ruta, const Ajustes& ajustes,
                                            Error* error);
  ~EscritorMp4();  // a file never finished is removed
  EscritorMp4(const EscritorMp4&) = delete;
  EscritorMp4& operator=(const EscritorMp4&) = delete;

  // The frame shown from `ptsUs` (monotonic microseconds) on. The first frame's time is the
  // file's zero. False once writing failed (error() says why).
  bool video(const uint8_t* bgra, int ancho, int alto, std::ptrdiff_t pasoBytes, int64_t ptsUs);
  // Interleaved stereo float samples at 48 kHz, the first heard at `ptsUs`. What comes before
  // the first video frame is left out; a gap becomes silence.
  bool audio(const float* estereo, int frames, int64_t ptsUs);

  // Drains the encoders and completes the file. False with the reason when it could not be
  // completed; the file is then removed unless what was written can still be played.
  bool terminar(Error* error);
  // Stops and removes the file.
  void cancelar();

  int cuadros() const;  // video frames written so far
  Error error() const;

  // The bit rate of the video: a tenth of a bit per pixel per frame, never under 400 kb/s.
  static int64_t tasaDeBits(int ancho, int alto, int fps);

 private:
  struct Impl;
  explicit EscritorMp4(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> d_;
};

}  // namespace corvalin
