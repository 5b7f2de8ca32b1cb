#include "upload/s3_error.h"

#include "core/texts.h"

namespace corvalin {
namespace {

// The text between the first `open` and the first `close` tag, when both exist in that order.
std::optional<QString> elemento(const QString& body, const QString& nombre) {
  const QString open = QLatin1Char('<') + nombre + QLatin1Char('>');
  const QString close = QStringLiteral("</") + nombre + QLatin1Char('>');
  const qsizetype a = body.indexOf(open);
  const qsizetype b = body.indexOf(close);
  if (a < 0 || b < 0 || b < a + open.size()) return std::nullopt;
  return body.mid(a + open.size(), b - a - open.size());
}

QString sinEspacios(const QString& s) {
  QString out;
  out.reserve(s.size());
  for (QChar c : s) {
    if (!c.isSpace()) out.append(c);
  }
  return out;
}

bool esAscii(const QString& s) {
  for (QChar c : s) {
    if (c.unicode() > 0x7F) return false;
  }
  return true;
}

}  // namespace

S3Error S3Error::http(int code, const QString& host, const QString& body) {
  return {Caso::http, code, host.isEmpty() ? QStringLiteral("?") : host, body};
}

QString S3Error::descripcion() const {
  switch (caso) {
    case Caso::badEndpoint:
      return L("El endpoint de S3 no es una URL válida. Debe incluir https://");
    case Caso::badCredentials:
      return L("El Access Key o el Secret Key traen caracteres raros. Vuelve a pegarlos.");
    case Caso::llaveroCerrado:
      return L("Tu llavero está cerrado: ábrelo para subir a tu bucket");
    case Caso::http:
      break;
  }
  return L("S3 (%@) respondió %@.", host, QString::number(code)) + QLatin1Char('\n') +
         explain(body);
}

QString explain(const QString& body) {
  const std::optional<QString> code = elemento(body, QStringLiteral("Code"));
  if (!code) {
    return body.isEmpty() ? L("Sin detalle.") : body.left(300);
  }
  QString result = *code;
  // Some servers send an empty Message; "Code: " with nothing after it reads as cut off.
  if (const std::optional<QString> message = elemento(body, QStringLiteral("Message"));
      message && !message->isEmpty()) {
    result += QStringLiteral(": ") + *message;
  }
  if (const std::optional<QString> region = elemento(body, QStringLiteral("Region"))) {
    result += QLatin1Char('\n') +
              L("→ Pon la región %@ y el endpoint s3.%@.amazonaws.com", *region, *region);
  }
  return result;
}

Credenciales credentials(const S3Config& config) {
  Credenciales c{sinEspacios(config.accessKey), sinEspacios(config.secretKey)};
  if ((c.access.isEmpty() || c.secret.isEmpty()) && config.llaveroBloqueado) {
    throw S3Error::llaveroCerrado();
  }
  if (c.access.isEmpty() || c.secret.isEmpty() || !esAscii(c.access) || !esAscii(c.secret)) {
    throw S3Error::badCredentials();
  }
  return c;
}

}  // namespace corvalin
