#include "preferences/hotkey_assignment.h"

#include <QJsonObject>

#include "core/texts.h"
#include "platform/notification_center.h"

namespace corvalin {

AsignacionDeAtajos::AsignacionDeAtajos(Settings& settings,
                                       std::function<AtajosDelEscritorio()> escritorio,
                                       std::shared_ptr<SondaDeAtajos> sonda,
                                       std::chrono::milliseconds espera)
    : settings_(settings),
      escritorio_(std::move(escritorio)),
      sonda_(std::move(sonda)),
      espera_(espera) {}

std::optional<QString> AsignacionDeAtajos::asignar(CaptureMode mode,
                                                   const std::optional<Hotkey>& hotkey,
                                                   std::function<void(bool)> alLlegar) {
  if (hotkey) {
    for (CaptureMode otro : kAllCaptureModes) {
      if (otro != mode && settings_.hotkey(otro) == hotkey) {
        return L("Ya lo usa «%@» aquí mismo.", title(otro));
      }
    }
    const AtajosDelEscritorio escritorio = escritorio_ ? escritorio_() : AtajosDelEscritorio{};
    if (const std::optional<QString> nombre = SystemShortcuts::conflicto(*hotkey, escritorio)) {
      return L(
          "Tu escritorio ya lo usa para «%@». Escoge otro o desactívalo en los atajos de "
          "teclado de tu escritorio.",
          *nombre);
    }
  }
  settings_.setHotkey(hotkey, mode);
  settings_.d().sync();
  NotificationCenter::shared().post(QString::fromUtf8(notificacion::kHotkeysChanged));
  if (hotkey && sonda_) sonda_->begin(mode, espera_, std::move(alLlegar));
  return std::nullopt;
}

void AsignacionDeAtajos::probarDeNuevo(CaptureMode mode, std::function<void(bool)> alLlegar) {
  if (sonda_ && settings_.hotkey(mode)) sonda_->begin(mode, espera_, std::move(alLlegar));
}

std::map<CaptureMode, QString> AsignacionDeAtajos::compartidos() const {
  std::map<CaptureMode, QString> marcas;
  const AtajosDelEscritorio escritorio = escritorio_ ? escritorio_() : AtajosDelEscritorio{};
  for (CaptureMode mode : kAllCaptureModes) {
    const std::optional<Hotkey> hotkey = settings_.hotkey(mode);
    if (!hotkey) continue;
    if (const std::optional<QString> nombre = SystemShortcuts::conflicto(*hotkey, escritorio)) {
      marcas[mode] = L("Lo comparte con «%@» de tu escritorio.", *nombre);
    }
  }
  return marcas;
}

void AsignacionDeAtajos::restablecer() {
  if (sonda_) sonda_->cancelAll();
  settings_.resetHotkeys();
  QJsonObject letras;
  const TablaDeAtajos& defecto = Settings::defaultShortcuts();
  for (auto it = defecto.constBegin(); it != defecto.constEnd(); ++it)
    letras[it.key()] = it.value();
  settings_.d().setJson(QStringLiteral("shortcuts"), letras);
  settings_.d().sync();
  NotificationCenter::shared().post(QString::fromUtf8(notificacion::kHotkeysChanged));
}

}  // namespace corvalin
