#include "app/commands.h"

#include <array>
#include <utility>

namespace corvalin {
namespace {

constexpr std::array<std::pair<Accion, const char*>, 28> kNombres = {{
    {Accion::captureArea, "captureArea"},
    {Accion::captureWindow, "captureWindow"},
    {Accion::captureFullscreen, "captureFullscreen"},
    {Accion::toggleRecording, "toggleRecording"},
    {Accion::recordWindowAction, "recordWindowAction"},
    {Accion::recordFullscreenAction, "recordFullscreenAction"},
    {Accion::captureTextAction, "captureTextAction"},
    {Accion::toggleScrollCapture, "toggleScrollCapture"},
    {Accion::pickColorAction, "pickColorAction"},
    {Accion::alternarPausaAction, "alternarPausaAction"},
    {Accion::pasteFromClipboard, "pasteFromClipboard"},
    {Accion::showLastWindow, "showLastWindow"},
    {Accion::cambiarEscalaDeVideo, "cambiarEscalaDeVideo"},
    {Accion::cambiarFPS, "cambiarFPS"},
    {Accion::cambiarFuenteDeAudio, "cambiarFuenteDeAudio"},
    {Accion::cambiarRetraso, "cambiarRetraso"},
    {Accion::cambiarDestino, "cambiarDestino"},
    {Accion::cancelarSubida, "cancelarSubida"},
    {Accion::openPreferences, "openPreferences"},
    {Accion::acercaDe, "acercaDe"},
    {Accion::checkForUpdates, "checkForUpdates"},
    {Accion::terminate, "terminate"},
    {Accion::cut, "cut"},
    {Accion::copy, "copy"},
    {Accion::paste, "paste"},
    {Accion::selectAll, "selectAll"},
    {Accion::performClose, "performClose"},
    {Accion::performMiniaturize, "performMiniaturize"},
}};

}  // namespace

QString nombreDeAccion(Accion accion) {
  for (const auto& [a, name] : kNombres) {
    if (a == accion) return QString::fromLatin1(name);
  }
  return {};
}

std::optional<Accion> accionPorNombre(const QString& nombre) {
  for (const auto& [a, name] : kNombres) {
    if (nombre == QLatin1String(name)) return a;
  }
  return std::nullopt;
}

}  // namespace corvalin
