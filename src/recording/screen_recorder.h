// Records an area or a window to an MP4 file.
#pragma once

#include <QSize>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "recording/recording_types.h"

namespace corvalin {

struct GrabacionTerminada {
  QString archivo;  // the MP4 file; empty on failure
  QSize medidas;    // recorded size in pixels
  QString error;    // why nothing was recorded, in the interface language
};

class ScreenRecorder {
 public:
  virtual ~ScreenRecorder() = default;
  // The completion gets an error text, or nothing once recording has begun.
  virtual void start(const ObjetivoDeGrabacion& objetivo, const AjustesDeGrabacion& ajustes,
                     std::function<void(std::optional<QString> error)> completion) = 0;
  virtual void stop(std::function<void(const GrabacionTerminada&)> completion) = 0;
  virtual bool grabando() const = 0;
  // Read under the recorder's lock.
  virtual bool pausado() const = 0;
  virtual void pausar() = 0;
  virtual void continuar() = 0;
  // Seconds recorded, pauses left out; 0 when not recording.
  virtual double duracionGrabada() const = 0;
  // Windows (window-system ids) the recording leaves out where they lie over what it records:
  // Corvalin's own controls. Recorders that only ever see their target ignore it.
  virtual void dejarFuera(std::vector<uint32_t> ventanas) { (void)ventanas; }

  // Called on the main thread when the recording can't go on (its window closed, the disk
  // filled up): the owner should stop it, and the stop says why.
  std::function<void()> alInterrumpirse;
};

}  // namespace corvalin
