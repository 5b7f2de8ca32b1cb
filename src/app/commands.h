// Every command the menus, the desktop actions and the hotkeys can send to the shell.
#pragma once

#include <QString>
#include <optional>

namespace corvalin {

enum class Accion {
  captureArea,
  captureWindow,
  captureFullscreen,
  toggleRecording,
  recordWindowAction,
  recordFullscreenAction,
  captureTextAction,
  toggleScrollCapture,
  pickColorAction,
  alternarPausaAction,
  pasteFromClipboard,
  showLastWindow,
  cambiarEscalaDeVideo,
  cambiarFPS,
  cambiarFuenteDeAudio,
  cambiarRetraso,
  cambiarDestino,
  cancelarSubida,
  openPreferences,
  acercaDe,
  checkForUpdates,
  terminate,
  cut,
  copy,
  paste,
  selectAll,
  performClose,
  performMiniaturize,
};

// The command's name as the desktop actions and the single-instance hand-over carry it.
QString nombreDeAccion(Accion accion);
std::optional<Accion> accionPorNombre(const QString& nombre);

}  // namespace corvalin
