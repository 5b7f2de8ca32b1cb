#include "upload/s3_uploader.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QLocale>
#include <QMessageAuthenticationCode>
#include <QStringDecoder>
#include <QUuid>
#include <algorithm>
#include <map>
#include <vector>

#include "core/settings.h"
#include "core/texts.h"
#include "platform/main_thread.h"

namespace corvalin::S3Uploader {
namespace {

const QString kAlgoritmo = QStringLiteral("AWS4-HMAC-SHA256");
const QString kSinFirmar = QStringLiteral("UNSIGNED-PAYLOAD");
constexpr int64_t kPresignMaximo = 7 * 86400;  // what AWS accepts at most

QString sha256Hex(const QByteArray& bytes) {
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

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

QUrl urlExacta(const QString& texto) {
  QUrl url(texto, QUrl::StrictMode);
  if (!url.isValid() || url.host().isEmpty()) throw S3Error::badEndpoint();
  return url;
}

QUrl urlDeObjeto(const DestinoS3& d) {
  return urlExacta(d.scheme + QStringLiteral("://") + d.host + d.path);
}

QString sinEspaciosNiTabs(const QString& s) {
  qsizetype a = 0;
  qsizetype b = s.size();
  auto blanco = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
  while (a < b && blanco(s[a])) ++a;
  while (b > a && blanco(s[b - 1])) --b;
  return s.mid(a, b - a);
}

// UTF-8 text, or nothing when the bytes are not UTF-8.
QString textoUtf8(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString texto = decoder(bytes);
  return decoder.hasError() ? QString() : texto;
}

bool rechazaAcl(const QString& body) {
  return body.contains(QLatin1String("AccessControlListNotSupported")) ||
         body.contains(QLatin1String("InvalidBucketAclWithObjectOwnership"));
}

}  // namespace

QString makeKey(const QString& prefix, const QString& ext, const QDateTime& ahora) {
  QString p = prefix;
  while (p.startsWith(QLatin1Char('/'))) p.remove(0, 1);
  while (p.endsWith(QLatin1Char('/'))) p.chop(1);
  if (!p.isEmpty()) p += QLatin1Char('/');
  const QString cuando =
      QLocale::c().toString(ahora.toLocalTime(), QStringLiteral("yyyy/MM/dd/HHmmss"));
  const QString azar = QUuid::createUuid().toString(QUuid::WithoutBraces).left(6).toLower();
  return p + cuando + QLatin1Char('-') + azar + QLatin1Char('.') + ext;
}

DestinoS3 endpoint(const QString& key, const S3Config& config) {
  const QUrl url(config.endpoint, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || url.host().isEmpty() ||
      (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
    throw S3Error::badEndpoint();
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
  if (config.pathStyle) {
    d.host = host;
    d.path = encodePath(QLatin1Char('/') + config.bucket + QLatin1Char('/') + key);
  } else {
    d.host = config.bucket + QLatin1Char('.') + host;
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

QNetworkRequest signedRequest(const Cuerpo& cuerpo, const QString& key, const QString& contentType,
                              const S3Config& config, const QDateTime& ahora) {
  const Credenciales cred = credentials(config);
  const DestinoS3 d = endpoint(key, config);
  const QUrl url = urlDeObjeto(d);
  const QString ts = timestamp(ahora);
  const QString fecha = dateStamp(ahora);
  const QString payload = cuerpo.esArchivo() ? kSinFirmar : sha256Hex(cuerpo.enMemoria());

  std::map<QString, QString> headers = {
      {QStringLiteral("content-type"), contentType},
      {QStringLiteral("host"), d.host},
      {QStringLiteral("x-amz-content-sha256"), payload},
      {QStringLiteral("x-amz-date"), ts},
  };
  if (!config.acl.isEmpty()) headers[QStringLiteral("x-amz-acl")] = config.acl;

  QStringList nombres;
  QString canonicalHeaders;
  for (const auto& [nombre, valor] : headers) {
    nombres << nombre;
    canonicalHeaders += nombre + QLatin1Char(':') + sinEspaciosNiTabs(valor) + QLatin1Char('\n');
  }
  const QString signedHeaders = nombres.join(QLatin1Char(';'));
  const QString canonical = QStringList{QStringLiteral("PUT"), d.path,        QString(),
                                        canonicalHeaders,      signedHeaders, payload}
                                .join(QLatin1Char('\n'));
  const QString alcance = scope(fecha, config.region);
  const QString firma =
      sign(stringToSign(ts, alcance, canonical), cred.secret, fecha, config.region);

  QNetworkRequest request(url);
  request.setTransferTimeout(kTimeoutMs);
  request.setAttribute(QNetworkRequest::CustomVerbAttribute, QByteArrayLiteral("PUT"));
  request.setRawHeader("Content-Length", QByteArray::number(qlonglong(cuerpo.bytes())));
  for (const auto& [nombre, valor] : headers) {
    if (nombre != QLatin1String("host")) request.setRawHeader(nombre.toLatin1(), valor.toUtf8());
  }
  request.setRawHeader(
      "Authorization",
      (kAlgoritmo + QStringLiteral(" Credential=") + cred.access + QLatin1Char('/') + alcance +
       QStringLiteral(", SignedHeaders=") + signedHeaders + QStringLiteral(", Signature=") + firma)
          .toLatin1());
  return request;
}

QUrl presignedURL(const QString& key, const S3Config& config, const QDateTime& now) {
  const Credenciales cred = credentials(config);
  const DestinoS3 d = endpoint(key, config);
  const QString ts = timestamp(now);
  const QString fecha = dateStamp(now);
  const QString alcance = scope(fecha, config.region);
  const int64_t expira = std::clamp<int64_t>(config.presignSeconds, 1, kPresignMaximo);

  std::vector<std::pair<QString, QString>> pares = {
      {QStringLiteral("X-Amz-Algorithm"), kAlgoritmo},
      {QStringLiteral("X-Amz-Credential"), cred.access + QLatin1Char('/') + alcance},
      {QStringLiteral("X-Amz-Date"), ts},
      {QStringLiteral("X-Amz-Expires"), QString::number(expira)},
      {QStringLiteral("X-Amz-SignedHeaders"), QStringLiteral("host")},
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

  const QString canonical = QStringList{QStringLiteral("GET"),
                                        d.path,
                                        query,
                                        QStringLiteral("host:") + d.host + QLatin1Char('\n'),
                                        QStringLiteral("host"),
                                        kSinFirmar}
                                .join(QLatin1Char('\n'));
  const QString firma =
      sign(stringToSign(ts, alcance, canonical), cred.secret, fecha, config.region);
  return urlExacta(d.scheme + QStringLiteral("://") + d.host + d.path + QLatin1Char('?') + query +
                   QStringLiteral("&X-Amz-Signature=") + firma);
}

QUrl enlace(const QString& key, const S3Config& config, const QUrl& requestUrl,
            const QDateTime& ahora) {
  if (config.presignSeconds >= 1) return presignedURL(key, config, ahora);
  QString base = config.publicBase.trimmed();
  if (base.isEmpty()) return requestUrl;
  if (base.endsWith(QLatin1Char('/'))) base.chop(1);
  // The public base points at the bucket's root: the bucket name is never added.
  const QUrl url(base + QLatin1Char('/') + encodePath(QLatin1Char('/') + key).mid(1),
                 QUrl::StrictMode);
  return url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty() ? url : requestUrl;
}

void send(const Cuerpo& cuerpo, const QString& key, const QString& contentType,
          const S3Config& config, bool droppedACL, Enviador::Progreso progreso,
          const std::shared_ptr<Enviador>& puente,
          std::function<void(const Resultado<UploadResult>&)> completion) {
  QNetworkRequest request;
  QUrl link;
  try {
    request = signedRequest(cuerpo, key, contentType, config);
    link = enlace(key, config, request.url());
  } catch (const S3Error& e) {
    completion(ErrorDeSubida(e));
    return;
  }
  const QString host = request.url().host();
  auto alResponder = [=](const RespuestaHttp& r) {
    if (r.error) {
      completion(ErrorDeSubida(*r.error));
      return;
    }
    if (r.exito()) {
      completion(UploadResult{link, droppedACL});
      return;
    }
    const QString body = textoUtf8(r.datos);
    if (!config.acl.isEmpty() && rechazaAcl(body)) {
      // Without the header this cannot happen again, so the retry is the only one.
      S3Config sinAcl = config;
      sinAcl.acl.clear();
      send(cuerpo, key, contentType, sinAcl, true, progreso, puente, completion);
      return;
    }
    completion(ErrorDeSubida(S3Error::http(r.estado, host, body)));
  };
  std::shared_ptr<Enviador> real = Enviador::enviar(request, cuerpo, progreso, alResponder);
  if (puente) puente->ponerReal(real);
}

QByteArray pngMinimo() {
  QImage pixel(1, 1, QImage::Format_ARGB32);
  pixel.fill(Qt::transparent);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  pixel.save(&buffer, "PNG");
  return png;
}

void probarSubida(Settings& settings, std::function<void(const PruebaDeSubida&)> completion) {
  const QString key = makeKey(settings.d().string(QStringLiteral("prefix")), QStringLiteral("png"));
  send(Cuerpo::datos(pngMinimo()), key, QStringLiteral("image/png"), settings.s3(), false, {},
       Enviador::puente(), [&settings, completion](const Resultado<UploadResult>& r) {
         enMain([&settings, completion, r] {
           PruebaDeSubida prueba;
           if (const auto* error = std::get_if<ErrorDeSubida>(&r)) {
             prueba.texto = error->descripcion();
           } else {
             const UploadResult& hecho = std::get<UploadResult>(r);
             prueba.exito = true;
             prueba.texto = hecho.url.toString(QUrl::FullyEncoded);
             if (hecho.droppedACL) {
               settings.d().set(QStringLiteral("acl"), QString());
               prueba.aclApagada = true;
               prueba.texto =
                   L("Subida OK. Tu bucket no admite ACLs, así que apagué «public-read».") +
                   QLatin1Char('\n') + prueba.texto;
             }
           }
           completion(prueba);
         });
       });
}

}  // namespace corvalin::S3Uploader
