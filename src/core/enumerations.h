// The enumerations the settings store keeps by raw value, with their user-visible titles.
// Included through core/settings.h.
#pragma once

#include <QString>
#include <array>
#include <optional>

#include "hotkeys/hotkey.h"

namespace corvalin {

enum class CaptureMode {
  area,
  window,
  fullscreen,
  record,
  recordWindow,
  recordFullscreen,
  ocr,
  scroll,
  color,
  pauseRecording,
};

inline constexpr std::array<CaptureMode, 10> kAllCaptureModes = {
    CaptureMode::area,          CaptureMode::window,       CaptureMode::fullscreen,
    CaptureMode::record,        CaptureMode::recordWindow, CaptureMode::recordFullscreen,
    CaptureMode::ocr,           CaptureMode::scroll,       CaptureMode::color,
    CaptureMode::pauseRecording};

QString rawValue(CaptureMode mode);
std::optional<CaptureMode> captureModeFromRaw(const QString& raw);
QString title(CaptureMode mode);  // in the interface language
Hotkey defaultHotkey(CaptureMode mode);
// 1 to 10: the mode's position plus one, its hotkey registration id.
uint32_t hotkeyId(CaptureMode mode);

enum class FuenteDeAudio { ninguno, sistema, microfono, ambos };
inline constexpr std::array<FuenteDeAudio, 4> kAllFuentesDeAudio = {
    FuenteDeAudio::ninguno, FuenteDeAudio::sistema, FuenteDeAudio::microfono, FuenteDeAudio::ambos};
QString rawValue(FuenteDeAudio fuente);
std::optional<FuenteDeAudio> fuenteDeAudioFromRaw(const QString& raw);
QString titulo(FuenteDeAudio fuente);
QString tituloCorto(FuenteDeAudio fuente);
inline bool incluyeSistema(FuenteDeAudio f) {
  return f == FuenteDeAudio::sistema || f == FuenteDeAudio::ambos;
}
inline bool incluyeMicrofono(FuenteDeAudio f) {
  return f == FuenteDeAudio::microfono || f == FuenteDeAudio::ambos;
}

enum class FormaDeCamara { ninguna, circulo, rectangulo };
QString rawValue(FormaDeCamara forma);
QString titulo(FormaDeCamara forma);

enum class DestinoDeSubida { nube, propio };
QString rawValue(DestinoDeSubida destino);
QString titulo(DestinoDeSubida destino);

enum class LugarDelCronometro { flotante, barraDeMenus };
QString rawValue(LugarDelCronometro lugar);
QString titulo(LugarDelCronometro lugar);

}  // namespace corvalin
