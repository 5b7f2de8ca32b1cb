// The single persistent preferences store: every key, its default and the accessors that
// read it safely, the one-time imports, tool letters and per-tool values.
#pragma once

#include <QColor>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "core/enumerations.h"
#include "core/settings_store.h"
#include "editor/tool_kind.h"
#include "hotkeys/hotkey.h"

namespace corvalin {

struct AjustesDeGrabacion;  // recording/recording_types.h
struct S3Config;            // upload/s3_config.h

// Tool letters by tool raw value ("0" -> "V").
using TablaDeAtajos = QHash<QString, QString>;
// Per-tool values: tool raw value -> (name -> value).
using AjustesPorHerramienta = QHash<QString, QHash<QString, double>>;

class Settings {
 public:
  // The process-wide instance over the user's config folder, created on first use.
  static Settings& shared();

  // Opens `configDir`/corvalin/corvalin.conf, imports `configDir`/mirel/mirel.conf once,
  // registers the defaults (the save folder defaults to `downloadsDir`) and converts the old
  // audio settings.
  Settings(const QString& configDir, const QString& downloadsDir);

  SettingsStore& d() { return *d_; }
  const SettingsStore& d() const { return *d_; }

  // Reads a secret ("accessKey", "secretKey") from the keyring; installed by the shell at
  // start-up. Nothing (not even empty) means the keyring holds it but is locked: such a read is
  // not kept, so the secret is found once the keyring is opened. Without a reader, secrets read
  // as empty.
  using LectorDeSecretos = std::function<std::optional<QString>(const QString& cuenta)>;
  void ponerLectorDeSecretos(LectorDeSecretos lector);
  // Replaces a cached secret after the bucket form stored a new one.
  void ponerSecretoEnCache(const QString& cuenta, const QString& valor);

  FuenteDeAudio recordAudioSource() const;
  void setRecordAudioSource(FuenteDeAudio fuente);
  DestinoDeSubida uploadTarget() const;
  FormaDeCamara recordCameraShape() const;
  LugarDelCronometro recordTimerPlacement() const;
  AjustesDeGrabacion record() const;
  S3Config s3();
  // The bucket, the endpoint and both keys are there (keys in a locked keyring count).
  bool isConfigured();

  // The mode's combination: the stored one, else the default; nothing when the user cleared it.
  std::optional<Hotkey> hotkey(CaptureMode mode) const;
  // Stores the combination, or that the mode has none.
  void setHotkey(const std::optional<Hotkey>& hotkey, CaptureMode mode);
  void resetHotkeys();

  static const TablaDeAtajos& defaultShortcuts();
  TablaDeAtajos shortcuts() const;  // the effective table
  std::optional<ToolKind> tool(const QString& key) const;
  void setShortcut(const QString& letra, ToolKind tool);

  QStringList stickerRecents() const;
  void setStickerRecents(const QStringList& recents);

  AjustesPorHerramienta ajustesPorHerramienta() const;
  void guardarAjuste(const QString& nombre, double valor, ToolKind tool);

  // "#RRGGBB" to an sRGB colour; nothing for anything else.
  static std::optional<QColor> colorFromHex(const std::optional<QString>& hex);

 private:
  void migrateFromMirel(const QString& mirelPath);
  void migrarAudioDeGrabacion();
  std::optional<QString> secreto(const QString& cuenta, std::optional<QString>& cache);

  std::unique_ptr<SettingsStore> d_;
  LectorDeSecretos lectorDeSecretos_;
  std::optional<QString> cachedAccessKey_;
  std::optional<QString> cachedSecretKey_;
};

// The default stickers of the recents list, in order.
const QStringList& stickersRecientesPorDefecto();

}  // namespace corvalin
