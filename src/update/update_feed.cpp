#include "update/update_feed.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace corvalin {
namespace {

qint64 numeroInicial(const QString& part) {
  qint64 value = 0;
  for (QChar c : part) {
    if (!c.isDigit()) break;
    value = value * 10 + c.digitValue();
    if (value > (qint64(1) << 40)) break;  // absurd parts compare as huge, never overflow
  }
  return value;
}

std::optional<QUrl> direccion(const QJsonValue& value) {
  if (value.isUndefined() || value.isNull()) return QUrl();
  if (!value.isString()) return std::nullopt;
  if (value.toString().isEmpty()) return QUrl();
  const QUrl url(value.toString(), QUrl::StrictMode);
  if (!url.isValid() ||
      (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
    return std::nullopt;
  return url;
}

QString texto(const QJsonValue& value) {
  if (value.isString()) return value.toString();
  if (value.isDouble()) return QString::number(value.toDouble(), 'g', 15);
  return {};
}

}  // namespace

std::optional<VersionPublicada> leerFeed(const QByteArray& json) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  const QJsonObject o = doc.object();
  VersionPublicada v;
  v.version = texto(o.value(QStringLiteral("version"))).trimmed();
  if (v.version.isEmpty() || !v.version.at(0).isDigit()) return std::nullopt;
  v.build = texto(o.value(QStringLiteral("build"))).trimmed();
  const std::optional<QUrl> descarga = direccion(o.value(QStringLiteral("url")));
  const std::optional<QUrl> notas = direccion(o.value(QStringLiteral("notes")));
  if (!descarga || !notas) return std::nullopt;
  v.descarga = *descarga;
  v.notas = *notas;
  return v;
}

int compararVersiones(const QString& a, const QString& b) {
  const QStringList pa = a.split(QLatin1Char('.'));
  const QStringList pb = b.split(QLatin1Char('.'));
  for (qsizetype i = 0; i < std::max(pa.size(), pb.size()); ++i) {
    const qint64 x = i < pa.size() ? numeroInicial(pa[i]) : 0;
    const qint64 y = i < pb.size() ? numeroInicial(pb[i]) : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

bool esMasNueva(const VersionPublicada& publicada, const QString& version, const QString& build) {
  const int c = compararVersiones(publicada.version, version);
  if (c != 0) return c > 0;
  return !publicada.build.isEmpty() && compararVersiones(publicada.build, build) > 0;
}

}  // namespace corvalin
