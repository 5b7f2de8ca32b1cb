// What can go wrong with the user's own bucket, with the text the user reads, and the key pair
// cleaned up for signing.
#pragma once

#include <QString>

#include "upload/s3_config.h"

namespace corvalin {

// Thrown by the signing functions before anything is sent, and carried as an upload failure.
struct S3Error {
  enum class Caso { http, badEndpoint, badCredentials, llaveroCerrado };

  Caso caso = Caso::http;
  int code = 0;  // HTTP status; 0 when the reply was not HTTP
  QString host = QStringLiteral("?");
  QString body;  // the reply as text

  static S3Error http(int code, const QString& host, const QString& body);
  static S3Error badEndpoint() { return {Caso::badEndpoint, 0, {}, {}}; }
  static S3Error badCredentials() { return {Caso::badCredentials, 0, {}, {}}; }
  static S3Error llaveroCerrado() { return {Caso::llaveroCerrado, 0, {}, {}}; }

  // In the interface language; for `http`, the status line and then `explain(body)`.
  QString descripcion() const;
};

// One or two lines from an S3 XML error document: "Code: Message", and a hint when the service
// names the region the bucket lives in. Anything else shows its first 300 characters.
QString explain(const QString& body);

struct Credenciales {
  QString access;
  QString secret;
};

// The keys with every whitespace character removed (pasted keys often carry a newline or a
// space). Throws S3Error::llaveroCerrado when a key is missing because the keyring is locked,
// S3Error::badCredentials when either is empty or not plain ASCII.
Credenciales credentials(const S3Config& config);

}  // namespace corvalin
