#include "core/settings_store.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace corvalin {
namespace {

std::optional<QString> parseString(const QVariant& v) {
  if (!v.isValid()) return std::nullopt;
  if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
  return v.toString();
}

std::optional<bool> parseBool(const QVariant& v) {
  if (!v.isValid()) return std::nullopt;
  if (v.typeId() == QMetaType::Bool) return v.toBool();
  const QString s = v.toString().trimmed().toLower();
  if (s == QLatin1String("true") || s == QLatin1String("1") || s == QLatin1String("yes"))
    return true;
  if (s == QLatin1String("false") || s == QLatin1String("0") || s == QLatin1String("no"))
    return false;
  return std::nullopt;
}

std::optional<qint64> parseInteger(const QVariant& v) {
  if (!v.isValid()) return std::nullopt;
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
      return v.toLongLong();
    case QMetaType::Double:
      return static_cast<qint64>(v.toDouble());
    case QMetaType::Bool:
      return v.toBool() ? 1 : 0;
    default:
      break;
  }
  const QString s = v.toString().trimmed();
  bool ok = false;
  qint64 i = s.toLongLong(&ok);
  if (ok) return i;
  double d = s.toDouble(&ok);
  if (ok && std::isfinite(d)) return static_cast<qint64>(d);
  if (s == QLatin1String("true")) return 1;
  if (s == QLatin1String("false")) return 0;
  return std::nullopt;
}

std::optional<double> parseDouble(const QVariant& v) {
  if (!v.isValid()) return std::nullopt;
  if (v.typeId() == QMetaType::Bool) return v.toBool() ? 1.0 : 0.0;
  bool ok = false;
  double d = v.toString().trimmed().toDouble(&ok);
  if (ok && std::isfinite(d)) return d;
  return std::nullopt;
}

}  // namespace

SettingsStore::SettingsStore(const QString& path) : path_(path) {
  settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
  settings_->setFallbacksEnabled(false);
  if (settings_->status() != QSettings::NoError) {
    legible_ = false;
    QFile::copy(path, path + QStringLiteral(".damaged"));
    if (settings_->status() == QSettings::FormatError) {
      // Keep what could be read, and let the next write produce a clean file.
      const QStringList keys = settings_->allKeys();
      QVariantHash readable;
      for (const QString& key : keys) readable.insert(key, settings_->value(key));
      settings_.reset();
      QFile::remove(path);
      settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
      settings_->setFallbacksEnabled(false);
      for (auto it = readable.cbegin(); it != readable.cend(); ++it) {
        settings_->setValue(it.key(), it.value());
      }
    }
  }
}

void SettingsStore::registerDefaults(const QVariantHash& defaults) {
  for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) registered_.insert(it.key(), *it);
}

bool SettingsStore::hasStored(const QString& key) const {
  return settings_->contains(key);
}

QStringList SettingsStore::storedKeys() const {
  return settings_->allKeys();
}

QVariant SettingsStore::storedValue(const QString& key) const {
  return settings_->contains(key) ? settings_->value(key) : QVariant();
}

QVariant SettingsStore::object(const QString& key) const {
  if (settings_->contains(key)) return settings_->value(key);
  return registered_.value(key);
}

template <typename T>
std::optional<T> SettingsStore::read(const QString& key,
                                     std::optional<T> (*parse)(const QVariant&)) const {
  if (settings_->contains(key)) {
    if (std::optional<T> value = parse(settings_->value(key))) return value;
  }
  auto it = registered_.constFind(key);
  if (it != registered_.constEnd()) return parse(*it);
  return std::nullopt;
}

QString SettingsStore::string(const QString& key) const {
  return read<QString>(key, parseString).value_or(QString());
}
bool SettingsStore::boolean(const QString& key) const {
  return read<bool>(key, parseBool).value_or(false);
}
qint64 SettingsStore::integer(const QString& key) const {
  return read<qint64>(key, parseInteger).value_or(0);
}
double SettingsStore::real(const QString& key) const {
  return read<double>(key, parseDouble).value_or(0.0);
}

std::optional<QJsonValue> SettingsStore::json(const QString& key) const {
  const QVariant v = object(key);
  if (!v.isValid()) return std::nullopt;
  const QString text = parseString(v).value_or(QString());
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
  if (error.error != QJsonParseError::NoError) return std::nullopt;
  if (doc.isArray()) return QJsonValue(doc.array());
  if (doc.isObject()) return QJsonValue(doc.object());
  return std::nullopt;
}

void SettingsStore::set(const QString& key, const QVariant& value) {
  settings_->setValue(key, value);
}

void SettingsStore::setJson(const QString& key, const QJsonValue& value) {
  QJsonDocument doc =
      value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
  settings_->setValue(key, QString::fromUtf8(doc.toJson(QJsonDocument::Compact)));
}

void SettingsStore::remove(const QString& key) {
  settings_->remove(key);
}

void SettingsStore::sync() {
  settings_->sync();
}

}  // namespace corvalin
