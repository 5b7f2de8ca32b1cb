// AWS Signature Version 4 for S3-compatible stores: requests signed in their headers and
// presigned addresses. Pure functions on Qt Core alone, shared by the app's uploads and by the
// corvalin-cloud server, which hands out presigned slots and links.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace corvalin {

// Where an object lives at the endpoint; `host` carries the port and `path` is encoded.
struct DestinoS3 {
  QString scheme;
  QString host;
  QString path;
};

// What a request is signed with; the access key and the secret are already clean.
struct ClaveS3 {
  QString access;
  QString secret;
  QString region;
};

namespace FirmaS3 {

inline const QString kSinFirmar = QStringLiteral("UNSIGNED-PAYLOAD");
inline constexpr int64_t kPresignMaximo = 7 * 86400;  // what AWS accepts at most

// Nothing when the endpoint is not an http(s) address with a host.
std::optional<DestinoS3> destino(const QString& key, const QString& endpoint, const QString& bucket,
                                 bool pathStyle);
// Percent-encodes every byte outside A-Z a-z 0-9 - . _ ~ except the slashes.
QString encodePath(const QString& path);
// `instante` in UTC with a fixed locale.
QString format(const QDateTime& instante, const QString& pattern);
// Lower-case hex HMAC-SHA256 of `stringToSign` under the key derived from the secret.
QString sign(const QString& stringToSign, const QString& secret, const QString& dateStamp,
             const QString& region);
QString sha256Hex(const QByteArray& bytes);
// The object's address; nothing when the parts don't make one.
std::optional<QUrl> url(const DestinoS3& d);

// A request signed in its headers: `cabeceras` (lower-case names; "host" is added) are signed
// and returned with "authorization" added. `payload` is the body's SHA-256 in hex or
// kSinFirmar.
struct Firmada {
  QString autorizacion;
  std::map<QString, QString> cabeceras;  // what to send, host and authorization included
};
Firmada firmar(const QString& metodo, const DestinoS3& d, std::map<QString, QString> cabeceras,
               const QString& payload, const ClaveS3& clave, const QDateTime& ahora);

// A presigned address valid for `segundos` (1 s to 7 days). `cabeceras` (lower-case names)
// are signed along with the host: whoever uses the address must send exactly those values.
QUrl prefirmar(const QString& metodo, const DestinoS3& d, const ClaveS3& clave,
               const QDateTime& ahora, int64_t segundos,
               const std::map<QString, QString>& cabeceras = {});

}  // namespace FirmaS3
}  // namespace corvalin
