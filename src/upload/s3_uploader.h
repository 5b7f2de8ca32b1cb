// Uploads to the user's own S3-compatible bucket: object keys, AWS Signature Version 4 for the
// PUT and for presigned links, the link handed to the user, and the reply handling with one
// retry without the ACL header when the bucket refuses ACLs. All but `send` are pure.
#pragma once

#include <QDateTime>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

#include "upload/enviador.h"
#include "upload/error_de_subida.h"
#include "upload/s3_config.h"
#include "upload/s3_firma.h"

namespace corvalin {

class Settings;

struct UploadResult {
  QUrl url;
  bool droppedACL = false;  // it only went through once the ACL header was dropped
};

namespace S3Uploader {

inline constexpr int kTimeoutMs = 60'000;

// prefix/yyyy/MM/dd/HHmmss-xxxxxx.ext, local time, six random hex digits.
QString makeKey(const QString& prefix, const QString& ext,
                const QDateTime& ahora = QDateTime::currentDateTime());
// Throws S3Error::badEndpoint.
DestinoS3 endpoint(const QString& key, const S3Config& config);
using FirmaS3::encodePath;
using FirmaS3::format;
using FirmaS3::sign;

// The signed PUT, with a 60 s inactivity timeout. Throws S3Error (credentials, endpoint).
QNetworkRequest signedRequest(const Cuerpo& cuerpo, const QString& key, const QString& contentType,
                              const S3Config& config,
                              const QDateTime& ahora = QDateTime::currentDateTimeUtc());
// A GET link valid for `presignSeconds` (1 s to 7 days). Throws S3Error.
QUrl presignedURL(const QString& key, const S3Config& config, const QDateTime& now);
// The link handed to the user: presigned, under the public base, or the object's URL.
// Throws S3Error.
QUrl enlace(const QString& key, const S3Config& config, const QUrl& requestUrl,
            const QDateTime& ahora = QDateTime::currentDateTimeUtc());

// Signs, makes the link and sends; when the bucket refuses ACLs, does it all once more without
// one. Every sender started is handed to `puente` as its real sender. `completion` runs once,
// on the network thread (signing failures: before anything is sent, on the caller's thread).
void send(const Cuerpo& cuerpo, const QString& key, const QString& contentType,
          const S3Config& config, bool droppedACL, Enviador::Progreso progreso,
          const std::shared_ptr<Enviador>& puente,
          std::function<void(const Resultado<UploadResult>&)> completion);

// A 1x1 PNG, for the bucket test.
QByteArray pngMinimo();

// What the bucket test shows: the link (after a notice when public-read had to be turned off)
// or the error.
struct PruebaDeSubida {
  bool exito = false;
  bool aclApagada = false;  // "acl" was stored empty: the form turns its toggle off
  QString texto;
};

// The "Test upload" button: uploads a 1x1 PNG with the stored settings (the form saves first)
// and turns public-read off when the bucket refused it. Runs `completion` once on the main
// thread; `settings` must outlive the upload.
void probarSubida(Settings& settings, std::function<void(const PruebaDeSubida&)> completion);

}  // namespace S3Uploader
}  // namespace corvalin
