// The window that plays a finished recording, with its four actions: discard, copy the file
// (Ctrl+C; Escape copies and closes), save it into the save folder (Return) and upload it
// (Ctrl+Return). Closed without a choice, the recording is saved, never lost. There is one
// such window in a session; each recording's VideoWindow has it while it is the latest.
#pragma once

#include <QSize>
#include <functional>
#include <memory>

#include "recording/recording_controls.h"
#include "upload/subidor.h"

class QWidget;

namespace corvalin {

class Clipboard;
class Cuerpo;

struct ServiciosDeRevision {
  Clipboard* portapapeles = nullptr;  // not owned
  MostrarAviso aviso;                 // toasts
  // The upload action's title, and whether the chosen destination is set up.
  std::function<QString()> tituloDeSubida;
  std::function<bool()> subidaLista;
  // Subidor::subirEnSegundoPlano in the application.
  std::function<void(const Cuerpo&, const QString& tipo, const QString& extension,
                     const QString& nombre, std::function<void(const ResultadoDeSubida&)>)>
      subir;
  // A warning over the window (a message box when empty).
  std::function<void(QWidget* sobre, const QString& mensaje, const QString& detalle)> alerta;
  // The save folder; the settings' "saveFolder" when empty.
  std::function<QString()> carpeta;
};

// Starts the media framework once, off the moment it is needed: it plays a tiny clip of its own
// to nowhere, so the decoders are loaded when the first review window opens. Half a second of
// work on first use; a second call does nothing. The shell calls it when a recording starts.
void precalentarReproduccion();

// Makes the window about this recording (closing it for the one before).
std::unique_ptr<VideoWindow> crearVentanaDeVideo(const QString& archivo, const QSize& medidas,
                                                 ServiciosDeRevision servicios);

// The one review window, for tests and benchmarks.
QWidget* ventanaDeRevision();

}  // namespace corvalin
