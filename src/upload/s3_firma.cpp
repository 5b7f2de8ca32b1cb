#include "upload/s3_firma.h"

#include <QCryptographicHash>
#include <QLocale>
#include <QMessageAuthenticationCode>
#include <QStringList>
#include <algorithm>

namespace corvalin::FirmaS3 {
namespace {

const QString kAlgoritmo = QStringLiteral("AWS4-HMAC-SHA256");

QString codificar(const QString& s) {
  return QString::fromLatin1(QUrl::toPercentEncoding(s));
}

QString timestamp(const QDateTime& t) {
  return format(t, QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

QString dateStamp(const QDateTime& t) {
  return format(t, QStringLiteral("yyyyMMdd"));
}

QString scope(const QString& fecha, const QString& region) {
  return fecha + QLatin1Char('/') + region + QStringLiteral("/s3/aws4_request");
}

QString stringToSign(const QString& ts, const QString& alcance, const QString& canonical) {
  return kAlgoritmo + QLatin1Char('\n') + ts + QLatin1Char('\n') + alcance + QLatin1Char('\n') +
         sha256Hex(canonical.toUtf8());
}

QString sinEspaciosNiTabs(const QString& s) {
  qsizetype a = 0;
  qsizetype b = s.size();
  auto blanco = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
  while (a < b && blanco(s[a])) ++a;
  while (b > a && blanco(s[b - 1])) --b;
  return s.mid(a, b - a);
}

// "name:value\n" for each header and the names joined by ';', in the map's (sorted) order.
std::pair<QString, QString> canonicas(const std::map<QString, QString>& cabeceras) {
  QStringList nombres;
  QString texto;
  for (const auto& [nombre, valor] : cabeceras) {
    nombres << nombre;
    texto += nombre + QLatin1Char(':') + sinEspaciosNiTabs(valor) + QLatin1Char('\n');
  }
  return {texto, nombres.join(QLatin1Char(';'))};
}

}  // namespace

std::optional<DestinoS3> destino(const QString& key, const QString& endpoint, const QString& bucket,
                                 bool pathStyle) {
  const QUrl url(endpoint, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || url.host().isEmpty() ||
      (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
    return std::nullopt;
  }
  QString host = url.host(QUrl::FullyEncoded);
  if (host.contains(QLatin1Char(':'))) host = QLatin1Char('[') + host + QLatin1Char(']');
  // The HTTP layer leaves a scheme's default port out of the Host header, and so do the
  // servers when they check the signature: sign what is sent.
  const int port = url.port();
  const int porDefecto = scheme == QLatin1String("https") ? 443 : 80;
  if (port >= 0 && port != porDefecto) host += QLatin1Char(':') + QString::number(port);
  DestinoS3 d;
  d.scheme = scheme;
  if (pathStyle) {
    d.host = host;
    d.path = encodePath(QLatin1Char('/') + bucket + QLatin1Char('/') + key);
  } else {
    d.host = bucket + QLatin1Char('.') + host;
    d.path = encodePath(QLatin1Char('/') + key);
  }
  return d;
}

QString encodePath(const QString& path) {
  QStringList piezas = path.split(QLatin1Char('/'), Qt::KeepEmptyParts);
  for (QString& pieza : piezas) pieza = codificar(pieza);
  return piezas.join(QLatin1Char('/'));
}

QString format(const QDateTime& instante, const QString& pattern) {
  return QLocale::c().toString(instante.toUTC(), pattern);
}

QString sign(const QString& stringToSign, const QString& secret, const QString& dateStamp,
             const QString& region) {
  using Mac = QMessageAuthenticationCode;
  constexpr auto kSha256 = QCryptographicHash::Sha256;
  QByteArray k = Mac::hash(dateStamp.toUtf8(), (QStringLiteral("AWS4") + secret).toUtf8(), kSha256);
  k = Mac::hash(region.toUtf8(), k, kSha256);
  k = Mac::hash(QByteArrayLiteral("s3"), k, kSha256);
  k = Mac::hash(QByteArrayLiteral("aws4_request"), k, kSha256);
  return QString::fromLatin1(Mac::hash(stringToSign.toUtf8(), k, kSha256).toHex());
}

QString sha256Hex(const QByteArray& bytes) {
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

std::optional<QUrl> url(const DestinoS3& d) {
  QUrl url(d.scheme + QStringLiteral("://") + d.host + d.path, QUrl::StrictMode);
  if (!url.isValid() || url.host().isEmpty()) return std::nullopt;
  return url;
}

Firmada firmar(const QString& metodo, const DestinoS3& d, std::map<QString, QString> cabeceras,
               const QString& payload, const ClaveS3& clave, const QDateTime& ahora) {
  const QString ts = timestamp(ahora);
  const QString fecha = dateStamp(ahora);
  cabeceras[QStringLiteral("host")] = d.host;
  cabeceras[QStringLiteral("x-amz-content-sha256")] = payload;
  cabeceras[QStringLiteral("x-amz-date")] = ts;
  const auto [texto, firmadas] = canonicas(cabeceras);
  const QString canonical =
      QStringList{metodo, d.path, QString(), texto, firmadas, payload}.join(QLatin1Char('\n'));
  const QString alcance = scope(fecha, clave.region);
  const QString firma =
      sign(stringToSign(ts, alcance, canonical), clave.secret, fecha, clave.region);
  Firmada f;
  f.autorizacion = kAlgoritmo + QStringLiteral(" Credential=") + clave.access + QLatin1Char('/') +
                   alcance + QStringLiteral(", SignedHeaders=") + firmadas +
                   QStringLiteral(", Signature=") + firma;
  f.cabeceras = std::move(cabeceras);
  f.cabeceras[QStringLiteral("authorization")] = f.autorizacion;
  return f;
}

QUrl prefirmar(const QString& metodo, const DestinoS3& d, const ClaveS3& clave,
               const QDateTime& ahora, int64_t segundos,
               const std::map<QString, QString>& cabeceras) {
  const QString ts = timestamp(ahora);
  const QString fecha = dateStamp(ahora);
  const QString alcance = scope(fecha, clave.region);
  std::map<QString, QString> firmadas = cabeceras;
  firmadas[QStringLiteral("host")] = d.host;
  const auto [texto, nombres] = canonicas(firmadas);

  std::vector<std::pair<QString, QString>> pares = {
      {QStringLiteral("X-Amz-Algorithm"), kAlgoritmo},
      {QStringLiteral("X-Amz-Credential"), clave.access + QLatin1Char('/') + alcance},
      {QStringLiteral("X-Amz-Date"), ts},
      {QStringLiteral("X-Amz-Expires"),
       QString::number(std::clamp<int64_t>(segundos, 1, kPresignMaximo))},
      {QStringLiteral("X-Amz-SignedHeaders"), nombres},
  };
  for (auto& [nombre, valor] : pares) {
    nombre = codificar(nombre);
    valor = codificar(valor);
  }
  std::stable_sort(pares.begin(), pares.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  QStringList partes;
  for (const auto& [nombre, valor] : pares) partes << nombre + QLatin1Char('=') + valor;
  const QString query = partes.join(QLatin1Char('&'));

  const QString canonical =
      QStringList{metodo, d.path, query, texto, nombres, kSinFirmar}.join(QLatin1Char('\n'));
  const QString firma =
      sign(stringToSign(ts, alcance, canonical), clave.secret, fecha, clave.region);
  return QUrl(d.scheme + QStringLiteral("://") + d.host + d.path + QLatin1Char('?') + query +
                  QStringLiteral("&X-Amz-Signature=") + firma,
              QUrl::StrictMode);
}

}  // namespace corvalin::FirmaS3
