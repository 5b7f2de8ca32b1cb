// One recording from start to file, with no window system of its own: the screen stream's
// frames to the encoder on its own thread (dropped, and counted, when it is busy), the system's
// sound and the microphone through the mixer, pauses that leave no gap, and the finished MP4.
// The tray application and corvalin-record both drive it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/screen_stream.h"
#include "recording/audio_mixer.h"
#include "recording/mp4_writer.h"
#include "recording/pulse_audio.h"

namespace corvalin {

class SesionDeGrabacion {
 public:
  struct Config {
    FuenteDeCuadros fuente;
    int ancho = 0, alto = 0;  // output size, even
    int fps = 30;
    bool cursor = true;
    bool sistema = false, microfono = false;
    std::string ruta;  // the MP4 to write
    std::string preset = "superfast";
    std::function<std::unique_ptr<FlujoDePantalla>()> flujo = flujoX11;
  };

  struct Falla {
    enum class Tipo { pantalla, ventana, archivo, codificador, escritura, vacia };
    Tipo tipo;
    std::string detalle;
  };

  struct Resultado {
    bool archivo = false;        // a playable file is at the path
    std::optional<Falla> falla;  // why it ended badly or came out empty
    int cuadros = 0;             // frames in the file
    int64_t descartados = 0;     // frames left out because the encoder was busy
    int64_t duracionUs = 0;      // recorded time, pauses left out
  };

  explicit SesionDeGrabacion(Config config);
  ~SesionDeGrabacion();  // stops and discards a recording never finished

  // Starts the stream, the sound and the file. False with the fault.
  bool arrancar(Falla* falla);
  // Sound that was asked for and can't be had (no sound server): the recording goes on
  // without it. Empty when everything asked for is heard.
  const std::string& sinSonido() const { return sinSonido_; }
  const std::string& ruta() const { return config_.ruta; }

  void pausar();
  void continuar();
  bool pausada() const;
  // Windows left out of the frames where they lie over what is recorded (FlujoDePantalla).
  void dejarFuera(std::vector<uint32_t> ventanas);
  int64_t duracionUs() const;

  // Called once, on some thread, when the recording can't go on (the window closed, the disk
  // filled up): the caller should finish it.
  std::function<void()> alInterrumpirse;

  // Stops everything and completes the file (or removes it when nothing was recorded).
  Resultado terminar();

 private:
  void alCuadro(CuadroDePantalla cuadro);
  void alSonido(const float* estereo, int frames, int64_t ptsUs);
  void codificar();
  void interrumpir(Falla falla);
  // The time of something heard or seen at `ptsUs`, pauses taken out; none while paused.
  std::optional<int64_t> desplazar(int64_t ptsUs) const;

  Config config_;
  std::unique_ptr<FlujoDePantalla> flujo_;
  std::unique_ptr<EscritorMp4> escritor_;
  std::unique_ptr<CapturaDeAudio> sistema_, microfono_;
  std::string sinSonido_;
  bool arrancada_ = false, terminada_ = false;

  // The pause and the start, read from every thread.
  mutable std::mutex reloj_;
  int64_t inicioUs_ = 0;
  bool pausada_ = false;
  int64_t pausaDesdeUs_ = 0;
  int64_t pausadoUs_ = 0;  // total paused so far

  // The frame waiting for the encoder, and the encoder's thread.
  std::mutex cola_;
  std::condition_variable hayCuadro_;
  std::optional<CuadroDePantalla> pendiente_;
  bool pararCodificador_ = false;
  int64_t descartados_ = 0;
  std::thread codificador_;

  // The sound, from the two capture threads.
  std::mutex sonido_;
  MezcladorDeAudio mezcla_;
  int64_t oidoHastaUs_ = 0;       // where the sound heard so far ends (before pauses are taken out)
  std::optional<int64_t> finUs_;  // the stop: later sound is left out

  std::mutex falla_;
  std::optional<Falla> interrupcion_;
};

}  // namespace corvalin
