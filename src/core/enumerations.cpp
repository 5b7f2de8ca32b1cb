#include "core/enumerations.h"

#include "core/texts.h"

namespace corvalin {
namespace {

struct ModeInfo {
  const char* raw;
  const char* title;
  Hotkey hotkey;
};

constexpr uint32_t kShiftCommand = Hotkey::kShift | Hotkey::kCommand;      // 768
constexpr uint32_t kControlCommand = Hotkey::kControl | Hotkey::kCommand;  // 4352

const ModeInfo& info(CaptureMode mode) {
  static const ModeInfo table[] = {
      {"area", "Capturar área", {29, kShiftCommand}},
      {"window", "Capturar ventana", {25, kShiftCommand}},
      {"fullscreen", "Capturar pantalla completa", {28, kShiftCommand}},
      {"record", "Grabar área", {29, kControlCommand}},
      {"recordWindow", "Grabar ventana", {25, kControlCommand}},
      {"recordFullscreen", "Grabar pantalla completa", {28, kControlCommand}},
      {"ocr", "Copiar texto (OCR)", {31, kShiftCommand}},
      {"scroll", "Captura con desplazamiento", {26, kShiftCommand}},
      {"color", "Sacar un color", {34, kShiftCommand}},
      {"pauseRecording", "Pausar / continuar grabación", {35, kControlCommand}},
  };
  return table[static_cast<int>(mode)];
}

}  // namespace

QString rawValue(CaptureMode mode) {
  return QString::fromLatin1(info(mode).raw);
}

std::optional<CaptureMode> captureModeFromRaw(const QString& raw) {
  for (CaptureMode mode : kAllCaptureModes) {
    if (raw == QLatin1String(info(mode).raw)) return mode;
  }
  return std::nullopt;
}

QString title(CaptureMode mode) {
  return L(info(mode).title);
}
Hotkey defaultHotkey(CaptureMode mode) {
  return info(mode).hotkey;
}
uint32_t hotkeyId(CaptureMode mode) {
  return static_cast<uint32_t>(mode) + 1;
}

QString rawValue(FuenteDeAudio fuente) {
  switch (fuente) {
    case FuenteDeAudio::ninguno:
      return QStringLiteral("ninguno");
    case FuenteDeAudio::sistema:
      return QStringLiteral("sistema");
    case FuenteDeAudio::microfono:
      return QStringLiteral("microfono");
    case FuenteDeAudio::ambos:
      return QStringLiteral("ambos");
  }
  return {};
}

std::optional<FuenteDeAudio> fuenteDeAudioFromRaw(const QString& raw) {
  for (FuenteDeAudio fuente : kAllFuentesDeAudio) {
    if (raw == rawValue(fuente)) return fuente;
  }
  return std::nullopt;
}

QString titulo(FuenteDeAudio fuente) {
  switch (fuente) {
    case FuenteDeAudio::ninguno:
      return L("Sin audio");
    case FuenteDeAudio::sistema:
      return L("Audio del sistema");
    case FuenteDeAudio::microfono:
      return L("Micrófono");
    case FuenteDeAudio::ambos:
      return L("Sistema + micrófono");
  }
  return {};
}

QString tituloCorto(FuenteDeAudio fuente) {
  switch (fuente) {
    case FuenteDeAudio::ninguno:
      return L("Sin audio");
    case FuenteDeAudio::sistema:
      return L("Sistema");
    case FuenteDeAudio::microfono:
      return L("Micrófono");
    case FuenteDeAudio::ambos:
      return L("Ambos");
  }
  return {};
}

QString rawValue(FormaDeCamara forma) {
  switch (forma) {
    case FormaDeCamara::ninguna:
      return QStringLiteral("ninguna");
    case FormaDeCamara::circulo:
      return QStringLiteral("circulo");
    case FormaDeCamara::rectangulo:
      return QStringLiteral("rectangulo");
  }
  return {};
}

QString titulo(FormaDeCamara forma) {
  switch (forma) {
    case FormaDeCamara::ninguna:
      return L("Sin cámara");
    case FormaDeCamara::circulo:
      return L("Círculo");
    case FormaDeCamara::rectangulo:
      return L("Rectángulo");
  }
  return {};
}

QString rawValue(DestinoDeSubida destino) {
  return destino == DestinoDeSubida::propio ? QStringLiteral("propio") : QStringLiteral("nube");
}

QString titulo(DestinoDeSubida destino) {
  return destino == DestinoDeSubida::propio ? L("Tu propio S3") : L("Nube de Corvalin");
}

QString rawValue(LugarDelCronometro lugar) {
  return lugar == LugarDelCronometro::barraDeMenus ? QStringLiteral("barraDeMenus")
                                                   : QStringLiteral("flotante");
}

QString titulo(LugarDelCronometro lugar) {
  return lugar == LugarDelCronometro::barraDeMenus ? L("Barra de menús, junto al ícono")
                                                   : L("Barra flotante junto al área");
}

}  // namespace corvalin
