// The user-defaults store: an INI file with a registration layer. Registered values answer
// only when nothing is stored under a key and are never written. Scalars are stored as INI
// values; arrays and dictionaries as JSON text, so the file stays readable and typed.
#pragma once

#include <QHash>
#include <QJsonValue>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace corvalin {

class SettingsStore {
 public:
  // Opens the INI file at `path` (created on the first write). A file that cannot be parsed is
  // copied aside to "<path>.damaged" first, so that nothing the user had is lost; whatever
  // could be read is kept and the rest falls back to the defaults.
  explicit SettingsStore(const QString& path);

  const QString& path() const { return path_; }
  // False when the file exists but cannot be read or parsed.
  bool legible() const { return legible_; }

  void registerDefaults(const QVariantHash& defaults);
  bool hasStored(const QString& key) const;
  QStringList storedKeys() const;
  QVariant storedValue(const QString& key) const;
  // Stored value, else registered value, else an invalid variant.
  QVariant object(const QString& key) const;

  // Typed reads: the stored value when it reads as the type, else the registered one when it
  // does, else the type's zero value.
  QString string(const QString& key) const;
  bool boolean(const QString& key) const;
  qint64 integer(const QString& key) const;
  double real(const QString& key) const;
  // An array or dictionary stored as JSON text; nothing when absent or malformed.
  std::optional<QJsonValue> json(const QString& key) const;

  void set(const QString& key, const QVariant& value);
  void setJson(const QString& key, const QJsonValue& value);
  void remove(const QString& key);
  // Writes pending changes to disk now.
  void sync();

 private:
  template <typename T>
  std::optional<T> read(const QString& key, std::optional<T> (*parse)(const QVariant&)) const;

  QString path_;
  bool legible_ = true;
  std::unique_ptr<QSettings> settings_;
  QVariantHash registered_;
};

}  // namespace corvalin
