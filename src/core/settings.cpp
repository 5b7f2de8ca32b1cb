#include "core/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QStandardPaths>
#include <algorithm>

#include "recording/recording_types.h"
#include "upload/s3_config.h"

namespace corvalin {
namespace {

const QString kAccessKey = QStringLiteral("accessKey");
const QString kSecretKey = QStringLiteral("secretKey");

QString hotkeyKey(CaptureMode mode) {
  return QStringLiteral("hotkey.") + rawValue(mode);
}

// A JSON number that is a whole number fitting an unsigned 32-bit value.
std::optional<uint32_t> enteroSinSigno(const QJsonValue& value) {
  if (!value.isDouble()) return std::nullopt;
  const double d = value.toDouble();
  if (d != std::floor(d) || d < 0 || d > 4294967295.0) return std::nullopt;
  return static_cast<uint32_t>(d);
}

}  // namespace

const QStringList& stickersRecientesPorDefecto() {
  static const QStringList list = {QStringLiteral("\u2764\uFE0F"), QStringLiteral("\U0001F44D"),
                                   QStringLiteral("\u2705"),       QStringLiteral("\u274C"),
                                   QStringLiteral("\u26A0\uFE0F"), QStringLiteral("\U0001F525"),
                                   QStringLiteral("\U0001F3AF"),   QStringLiteral("\U0001F4A1"),
                                   QStringLiteral("\u2B50\uFE0F"), QStringLiteral("\U0001F389")};
  return list;
}

Settings& Settings::shared() {
  static Settings* settings = [] {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QStringList downloads =
        QStandardPaths::standardLocations(QStandardPaths::DownloadLocation);
    return new Settings(config, downloads.isEmpty() ? QString() : downloads.first());
  }();
  return *settings;
}

Settings::Settings(const QString& configDir, const QString& downloadsDir) {
  d_ = std::make_unique<SettingsStore>(configDir + QStringLiteral("/corvalin/corvalin.conf"));
  cachedAccessKey_.reset();
  cachedSecretKey_.reset();
  migrateFromMirel(configDir + QStringLiteral("/mirel/mirel.conf"));
  d_->registerDefaults({
      {QStringLiteral("endpoint"), QStringLiteral("https://s3.us-east-1.amazonaws.com")},
      {QStringLiteral("region"), QStringLiteral("us-east-1")},
      {QStringLiteral("bucket"), QString()},
      {QStringLiteral("prefix"), QStringLiteral("screenshots/")},
      {QStringLiteral("pathStyle"), false},
      {QStringLiteral("publicBase"), QString()},
      {QStringLiteral("acl"), QString()},
      {QStringLiteral("saveFolder"), downloadsDir},
      {QStringLiteral("revertToSelect"), true},
      {QStringLiteral("exportScale"), 1.0},
      {QStringLiteral("presign"), false},
      {QStringLiteral("presignDays"), 7},
      {QStringLiteral("recordScale"), 1.0},
      {QStringLiteral("recordMaxWidth"), 1920},
      {QStringLiteral("recordFPS"), 30},
      {QStringLiteral("recordCursor"), true},
      {QStringLiteral("uploadTarget"), QStringLiteral("nube")},
      {QStringLiteral("nubeDias"), 90},
      {QStringLiteral("recordAudioSource"), QStringLiteral("sistema")},
      {QStringLiteral("recordDelay"), 0},
      {QStringLiteral("recordCameraShape"), QStringLiteral("ninguna")},
  });
  migrarAudioDeGrabacion();
}

void Settings::migrateFromMirel(const QString& mirelPath) {
  if (d_->boolean(QStringLiteral("migratedFromMirel"))) return;
  if (QFileInfo::exists(mirelPath)) {
    QFile probe(mirelPath);
    if (!probe.open(QIODevice::ReadOnly)) return;  // tried again at the next start
  }
  QSettings old(mirelPath, QSettings::IniFormat);
  old.setFallbacksEnabled(false);
  if (old.status() != QSettings::NoError) return;  // tried again at the next start
  const QStringList keys = old.allKeys();
  for (const QString& key : keys) {
    if (!d_->hasStored(key)) d_->set(key, old.value(key));
  }
  d_->set(QStringLiteral("migratedFromMirel"), true);
}

void Settings::migrarAudioDeGrabacion() {
  if (d_->boolean(QStringLiteral("migratedAudioSource"))) return;
  d_->set(QStringLiteral("migratedAudioSource"), true);
  const QString audioKey = QStringLiteral("recordAudio");
  const QString micKey = QStringLiteral("recordMic");
  if (!d_->hasStored(audioKey) && !d_->hasStored(micKey)) return;
  const bool sistema = d_->hasStored(audioKey) ? d_->boolean(audioKey) : true;
  const bool microfono = d_->boolean(micKey);
  FuenteDeAudio fuente = sistema && microfono ? FuenteDeAudio::ambos
                         : microfono          ? FuenteDeAudio::microfono
                         : sistema            ? FuenteDeAudio::sistema
                                              : FuenteDeAudio::ninguno;
  d_->set(QStringLiteral("recordAudioSource"), rawValue(fuente));
  d_->remove(audioKey);
  d_->remove(micKey);
}

void Settings::ponerLectorDeSecretos(LectorDeSecretos lector) {
  lectorDeSecretos_ = std::move(lector);
}

void Settings::ponerSecretoEnCache(const QString& cuenta, const QString& valor) {
  if (cuenta == kAccessKey) cachedAccessKey_ = valor;
  if (cuenta == kSecretKey) cachedSecretKey_ = valor;
}

std::optional<QString> Settings::secreto(const QString& cuenta, std::optional<QString>& cache) {
  if (!cache) {
    const std::optional<QString> leido = lectorDeSecretos_ ? lectorDeSecretos_(cuenta) : QString();
    if (!leido) return std::nullopt;  // locked: asked again next time
    cache = leido;
  }
  return cache;
}

FuenteDeAudio Settings::recordAudioSource() const {
  return fuenteDeAudioFromRaw(d_->string(QStringLiteral("recordAudioSource")))
      .value_or(FuenteDeAudio::sistema);
}

void Settings::setRecordAudioSource(FuenteDeAudio fuente) {
  d_->set(QStringLiteral("recordAudioSource"), rawValue(fuente));
}

DestinoDeSubida Settings::uploadTarget() const {
  return d_->string(QStringLiteral("uploadTarget")) == QLatin1String("propio")
             ? DestinoDeSubida::propio
             : DestinoDeSubida::nube;
}

FormaDeCamara Settings::recordCameraShape() const {
  const QString raw = d_->string(QStringLiteral("recordCameraShape"));
  if (raw == QLatin1String("circulo")) return FormaDeCamara::circulo;
  if (raw == QLatin1String("rectangulo")) return FormaDeCamara::rectangulo;
  return FormaDeCamara::ninguna;
}

LugarDelCronometro Settings::recordTimerPlacement() const {
  return d_->string(QStringLiteral("recordTimerPlacement")) == QLatin1String("barraDeMenus")
             ? LugarDelCronometro::barraDeMenus
             : LugarDelCronometro::flotante;
}

AjustesDeGrabacion Settings::record() const {
  AjustesDeGrabacion a;
  const double escala = d_->real(QStringLiteral("recordScale"));
  a.escala = escala > 0.1 ? std::min(escala, 2.0) : 1.0;
  const qint64 ancho = d_->integer(QStringLiteral("recordMaxWidth"));
  a.anchoMaximo = ancho >= 320 ? static_cast<int>(std::min<qint64>(ancho, 1 << 20)) : 1920;
  const qint64 fps = d_->integer(QStringLiteral("recordFPS"));
  a.fps = fps >= 5 ? static_cast<int>(std::min<qint64>(fps, 60)) : 30;
  a.muestraCursor = d_->boolean(QStringLiteral("recordCursor"));
  a.audio = recordAudioSource();
  return a;
}

S3Config Settings::s3() {
  S3Config c;
  c.endpoint = d_->string(QStringLiteral("endpoint"));
  c.region = d_->string(QStringLiteral("region"));
  c.bucket = d_->string(QStringLiteral("bucket"));
  const std::optional<QString> access = secreto(kAccessKey, cachedAccessKey_);
  const std::optional<QString> secret = secreto(kSecretKey, cachedSecretKey_);
  c.accessKey = access.value_or(QString());
  c.secretKey = secret.value_or(QString());
  c.llaveroBloqueado = !access || !secret;
  c.prefix = d_->string(QStringLiteral("prefix"));
  c.pathStyle = d_->boolean(QStringLiteral("pathStyle"));
  c.publicBase = d_->string(QStringLiteral("publicBase"));
  c.acl = d_->string(QStringLiteral("acl"));
  if (d_->boolean(QStringLiteral("presign"))) {
    const qint64 days = std::clamp<qint64>(d_->integer(QStringLiteral("presignDays")), 1, 7);
    c.presignSeconds = days * 86400;
  }
  return c;
}

bool Settings::isConfigured() {
  auto presente = [](const std::optional<QString>& llave) { return !llave || !llave->isEmpty(); };
  return !d_->string(QStringLiteral("bucket")).isEmpty() &&
         presente(secreto(kAccessKey, cachedAccessKey_)) &&
         presente(secreto(kSecretKey, cachedSecretKey_)) &&
         !d_->string(QStringLiteral("endpoint")).isEmpty();
}

std::optional<Hotkey> Settings::hotkey(CaptureMode mode) const {
  const std::optional<QJsonValue> stored = d_->json(hotkeyKey(mode));
  if (stored && stored->isObject()) {
    const QJsonObject o = stored->toObject();
    if (o.value(QStringLiteral("sinAtajo")).toBool()) return std::nullopt;
    const std::optional<uint32_t> keyCode = enteroSinSigno(o.value(QStringLiteral("keyCode")));
    const std::optional<uint32_t> modifiers = enteroSinSigno(o.value(QStringLiteral("modifiers")));
    if (keyCode && modifiers) return Hotkey{*keyCode, *modifiers};
  }
  return defaultHotkey(mode);
}

void Settings::setHotkey(const std::optional<Hotkey>& hotkey, CaptureMode mode) {
  if (!hotkey) {
    d_->setJson(hotkeyKey(mode), QJsonObject{{QStringLiteral("sinAtajo"), true}});
    return;
  }
  d_->setJson(hotkeyKey(mode),
              QJsonObject{{QStringLiteral("keyCode"), double(hotkey->keyCode)},
                          {QStringLiteral("modifiers"), double(hotkey->modifiers)}});
}

void Settings::resetHotkeys() {
  for (CaptureMode mode : kAllCaptureModes) d_->remove(hotkeyKey(mode));
}

const TablaDeAtajos& Settings::defaultShortcuts() {
  static const TablaDeAtajos table = {
      {QStringLiteral("0"), QStringLiteral("V")},  {QStringLiteral("1"), QStringLiteral("A")},
      {QStringLiteral("2"), QStringLiteral("R")},  {QStringLiteral("3"), QStringLiteral("O")},
      {QStringLiteral("4"), QStringLiteral("P")},  {QStringLiteral("5"), QStringLiteral("H")},
      {QStringLiteral("6"), QStringLiteral("T")},  {QStringLiteral("7"), QStringLiteral("M")},
      {QStringLiteral("8"), QStringLiteral("B")},  {QStringLiteral("9"), QStringLiteral("C")},
      {QStringLiteral("10"), QStringLiteral("Z")}, {QStringLiteral("11"), QStringLiteral("S")},
      {QStringLiteral("12"), QStringLiteral("L")}, {QStringLiteral("13"), QStringLiteral("E")},
      {QStringLiteral("14"), QStringLiteral("K")}, {QStringLiteral("15"), QStringLiteral("W")},
      {QStringLiteral("16"), QStringLiteral("D")}, {QStringLiteral("17"), QStringLiteral("F")},
      {QStringLiteral("19"), QStringLiteral("J")}, {QStringLiteral("20"), QStringLiteral("Q")},
      {QStringLiteral("21"), QStringLiteral("N")}, {QStringLiteral("22"), QStringLiteral("G")},
  };
  return table;
}

TablaDeAtajos Settings::shortcuts() const {
  const std::optional<QJsonValue> stored = d_->json(QStringLiteral("shortcuts"));
  if (!stored || !stored->isObject()) return defaultShortcuts();
  TablaDeAtajos table;
  const QJsonObject o = stored->toObject();
  for (auto it = o.begin(); it != o.end(); ++it) {
    if (!it.value().isString()) return defaultShortcuts();  // not a table of strings
    table.insert(it.key(), it.value().toString());
  }
  return table;
}

std::optional<ToolKind> Settings::tool(const QString& key) const {
  const QString letter = key.toUpper();
  if (letter.size() != 1) return std::nullopt;
  const TablaDeAtajos table = shortcuts();
  for (auto it = table.cbegin(); it != table.cend(); ++it) {
    if (it.value() != letter) continue;
    bool ok = false;
    const int raw = it.key().toInt(&ok);
    return ok ? toolKindFromRaw(raw) : std::nullopt;
  }
  return std::nullopt;
}

void Settings::setShortcut(const QString& letra, ToolKind tool) {
  const QString letter = letra.trimmed().toUpper();
  TablaDeAtajos table = shortcuts();
  const QString toolKey = QString::number(static_cast<int>(tool));
  if (letter.isEmpty()) {
    table.insert(toolKey, QString());
  } else {
    // One character: a letter outside the basic plane stays whole.
    const QString first = letter.left(letter.at(0).isHighSurrogate() ? 2 : 1);
    for (auto it = table.begin(); it != table.end(); ++it) {
      if (it.value() == first) it.value().clear();
    }
    table.insert(toolKey, first);
  }
  QJsonObject o;
  for (auto it = table.cbegin(); it != table.cend(); ++it) o.insert(it.key(), it.value());
  d_->setJson(QStringLiteral("shortcuts"), o);
}

QStringList Settings::stickerRecents() const {
  const std::optional<QJsonValue> stored = d_->json(QStringLiteral("stickerRecents"));
  if (!stored || !stored->isArray()) return stickersRecientesPorDefecto();
  QStringList list;
  for (const QJsonValue& v : stored->toArray()) {
    if (!v.isString()) return stickersRecientesPorDefecto();
    list.append(v.toString());
  }
  return list;
}

void Settings::setStickerRecents(const QStringList& recents) {
  d_->setJson(QStringLiteral("stickerRecents"), QJsonArray::fromStringList(recents.mid(0, 10)));
}

AjustesPorHerramienta Settings::ajustesPorHerramienta() const {
  AjustesPorHerramienta result;
  const std::optional<QJsonValue> stored = d_->json(QStringLiteral("ajustesPorHerramienta"));
  if (!stored || !stored->isObject()) return result;
  const QJsonObject outer = stored->toObject();
  for (auto it = outer.begin(); it != outer.end(); ++it) {
    if (!it.value().isObject()) return {};
    QHash<QString, double> inner;
    const QJsonObject values = it.value().toObject();
    for (auto v = values.begin(); v != values.end(); ++v) {
      if (!v.value().isDouble()) return {};
      inner.insert(v.key(), v.value().toDouble());
    }
    result.insert(it.key(), inner);
  }
  return result;
}

void Settings::guardarAjuste(const QString& nombre, double valor, ToolKind tool) {
  AjustesPorHerramienta all = ajustesPorHerramienta();
  all[QString::number(static_cast<int>(tool))].insert(nombre, valor);
  QJsonObject outer;
  for (auto it = all.cbegin(); it != all.cend(); ++it) {
    QJsonObject inner;
    for (auto v = it.value().cbegin(); v != it.value().cend(); ++v)
      inner.insert(v.key(), v.value());
    outer.insert(it.key(), inner);
  }
  d_->setJson(QStringLiteral("ajustesPorHerramienta"), outer);
}

std::optional<QColor> Settings::colorFromHex(const std::optional<QString>& hex) {
  if (!hex) return std::nullopt;
  QString text = hex->trimmed();
  if (!text.startsWith(QLatin1Char('#'))) return std::nullopt;
  text.remove(0, 1);
  if (text.size() != 6) return std::nullopt;
  for (QChar c : text) {
    if (!QStringView(u"0123456789abcdefABCDEF").contains(c)) return std::nullopt;
  }
  bool ok = false;
  const uint value = text.toUInt(&ok, 16);
  if (!ok) return std::nullopt;
  QColor color;
  color.setRgbF(float(((value >> 16) & 0xFF) / 255.0), float(((value >> 8) & 0xFF) / 255.0),
                float((value & 0xFF) / 255.0), 1.0f);
  return color;
}

}  // namespace corvalin
