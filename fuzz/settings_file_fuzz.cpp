// The settings file as any bytes on disk: opened, and every stored key read as each type.
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

#include "core/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("corvalin.conf"));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  corvalin::SettingsStore store(path);
  for (const QString& key : store.storedKeys()) {
    (void)store.string(key);
    (void)store.boolean(key);
    (void)store.integer(key);
    (void)store.real(key);
    (void)store.json(key);
    (void)store.object(key);
  }
  return 0;
}
