#include "upload/s3_uploader.h"

#include <QBuffer>
#include <QImage>
#include <QLocale>
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

QUrl urlExacta(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty()) throw S3Error::badEndpoint();
  return url;
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
  const std::optional<DestinoS3> d =
      FirmaS3::destino(key, config.endpoint, config.bucket, config.pathStyle);
  if (!d) throw S3Error::badEndpoint();
  return *d;
}

QNetworkRequest signedRequest(const Cuerpo& cuerpo, const QString& key, const QString& contentType,
                              const S3Config& config, const QDateTime& ahora) {
  const Credenciales cred = credentials(config);
  const DestinoS3 d = endpoint(key, config);
  const QString payload =
      cuerpo.esArchivo() ? FirmaS3::kSinFirmar : FirmaS3::sha256Hex(cuerpo.enMemoria());
  std::map<QString, QString> cabeceras = {{QStringLiteral("content-type"), contentType}};
  if (!config.acl.isEmpty()) cabeceras[QStringLiteral("x-amz-acl")] = config.acl;
  const FirmaS3::Firmada firmada =
      FirmaS3::firmar(QStringLiteral("PUT"), d, cabeceras, payload,
                      {cred.access, cred.secret, config.region}, ahora);

  QNetworkRequest request(urlExacta(FirmaS3::url(d).value_or(QUrl())));
  request.setTransferTimeout(kTimeoutMs);
  request.setAttribute(QNetworkRequest::CustomVerbAttribute, QByteArrayLiteral("PUT"));
  request.setRawHeader("Content-Length", QByteArray::number(qlonglong(cuerpo.bytes())));
  for (const auto& [nombre, valor] : firmada.cabeceras) {
    if (nombre == QLatin1String("authorization")) {
      request.setRawHeader("Authorization", valor.toLatin1());
    } else if (nombre != QLatin1String("host")) {
      request.setRawHeader(nombre.toLatin1(), valor.toUtf8());
    }
  }
  return request;
}

QUrl presignedURL(const QString& key, const S3Config& config, const QDateTime& now) {
  const Credenciales cred = credentials(config);
  return urlExacta(FirmaS3::prefirmar(QStringLiteral("GET"), endpoint(key, config),
                                      {cred.access, cred.secret, config.region}, now,
                                      config.presignSeconds));
}

QUrl enlace(const QString& key, const S3Config& config, const QUrl& requestUrl,
            const QDateTime& ahora) {
  if (config.presignSeconds >= 1) return presignedURL(key, config, ahora);
  QString base = config.publicBase.trimmed();
  if (base.isEmpty()) return requestUrl;
  if (base.endsWith(QLatin1Char('/'))) base.chop(1);
  // The public base points at the bucket's root: the bucket name is never added.
  const QUrl url(base + QLatin1Char('/') + FirmaS3::encodePath(QLatin1Char('/') + key).mid(1),
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
