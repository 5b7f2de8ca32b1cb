#include "upload/nube_uploader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

#include "core/settings.h"
#include "core/texts.h"
#include "upload/keychain.h"
#include "upload/s3_uploader.h"

namespace corvalin {
namespace {

const QString kCuenta = QStringLiteral("nubeCuenta");

// Only web addresses: a slot pointing at file:// would make the upload overwrite a local file.
QUrl urlWeb(const QJsonValue& valor) {
  const QUrl url(valor.toString(), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  const bool web = scheme == QLatin1String("https") || scheme == QLatin1String("http");
  return url.isValid() && web && !url.host().isEmpty() ? url : QUrl();
}

int64_t entero(const QJsonObject& o, const char* campo) {
  return static_cast<int64_t>(o.value(QLatin1String(campo)).toDouble());
}

std::optional<int64_t> enteroOpcional(const QJsonObject& o, const char* campo) {
  const QJsonValue v = o.value(QLatin1String(campo));
  if (!v.isDouble()) return std::nullopt;
  return static_cast<int64_t>(v.toDouble());
}

void post(const ConfigDeNube& config, const QString& operacion, QJsonObject campos,
          const std::shared_ptr<Enviador>& puente,
          std::function<void(const Resultado<QJsonObject>&)> completion) {
  if (config.servidor.trimmed().isEmpty()) {
    NubeError e;
    e.caso = NubeError::Caso::sinServidor;
    completion(ErrorDeSubida(e));
    return;
  }
  if (config.llaveroBloqueado) {
    completion(ErrorDeSubida(NubeError::servidor(
        L("Tu llavero está cerrado: ábrelo para usar tu cuenta de la nube de Corvalin"))));
    return;
  }
  const std::optional<QUrl> url = NubeUploader::direccion(config.servidor, operacion);
  if (!url) {
    completion(ErrorDeSubida(NubeError::servidor(L("Dirección del servidor inválida"))));
    return;
  }
  campos.insert(QStringLiteral("cuenta"), config.cuenta);
  // The service words its refusals in the interface's language.
  campos.insert(QStringLiteral("idioma"),
                idiomaActual() == Idioma::ingles ? QStringLiteral("en") : QStringLiteral("es"));
  QNetworkRequest request(*url);
  request.setTransferTimeout(S3Uploader::kTimeoutMs);
  request.setAttribute(QNetworkRequest::CustomVerbAttribute, QByteArrayLiteral("POST"));
  request.setRawHeader("Content-Type", "application/json");
  const QByteArray cuerpo = QJsonDocument(campos).toJson(QJsonDocument::Compact);
  auto enviador = Enviador::enviar(request, Cuerpo::datos(cuerpo), {},
                                   [completion = std::move(completion)](const RespuestaHttp& r) {
                                     completion(NubeUploader::leerRespuesta(r));
                                   });
  if (puente) puente->ponerReal(enviador);
}

}  // namespace

ConfigDeNube configDeNube(Settings& settings) {
  ConfigDeNube c;
  c.servidor = settings.d().string(QStringLiteral("nubeServidor")).trimmed();
  c.dias = static_cast<int>(settings.d().integer(QStringLiteral("nubeDias")));
  // Without a server there is nothing to identify to: the keyring is left alone (no account is
  // made, and opening the Upload page costs no round trip to it).
  if (c.servidor.isEmpty()) return c;
  const std::optional<QString> cuenta = Keychain::leer(kCuenta);
  if (!cuenta) {
    c.llaveroBloqueado = true;
    return c;
  }
  c.cuenta = *cuenta;
  if (c.cuenta.isEmpty()) {
    c.cuenta = QUuid::createUuid().toString(QUuid::WithoutBraces);
    Keychain::set(c.cuenta, kCuenta);
  }
  return c;
}

namespace NubeUploader {

std::optional<QUrl> direccion(const QString& servidor, const QString& operacion) {
  QUrl url = urlWeb(servidor.trimmed());
  if (url.isEmpty()) return std::nullopt;
  QString ruta = url.path();
  while (ruta.endsWith(QLatin1Char('/'))) ruta.chop(1);
  url.setPath(ruta + QStringLiteral("/api/") + operacion + QStringLiteral(".php"));
  url.setQuery(QString());
  url.setFragment(QString());
  return url;
}

Resultado<QJsonObject> leerRespuesta(const RespuestaHttp& r) {
  if (r.error) return ErrorDeSubida(*r.error);
  QJsonParseError problema;
  const QJsonDocument doc = QJsonDocument::fromJson(r.datos, &problema);
  if (problema.error != QJsonParseError::NoError || !doc.isObject()) {
    return ErrorDeSubida(NubeError::servidor(L("El servidor contestó algo que no entendí")));
  }
  if (r.exito()) return doc.object();
  return ErrorDeSubida(NubeError::desdeRespuesta(doc.object()));
}

Resultado<Permiso> leerPermiso(const QJsonObject& o) {
  Permiso p{urlWeb(o.value(QStringLiteral("put"))), urlWeb(o.value(QStringLiteral("url"))),
            enteroOpcional(o, "restantes_hoy")};
  if (p.put.isEmpty() || p.url.isEmpty()) {
    return ErrorDeSubida(NubeError::servidor(L("Falta el permiso de subida")));
  }
  return p;
}

EstadoDeNube leerEstado(const QJsonObject& o) {
  EstadoDeNube e;
  e.plan = o.value(QStringLiteral("plan")).toString();
  e.usado = entero(o, "usado");
  e.cuota = entero(o, "cuota");
  e.diario = entero(o, "diario");
  e.restantesHoy = enteroOpcional(o, "restantes_hoy");
  e.video = o.value(QStringLiteral("video")).toBool();
  for (const QJsonValue& v : o.value(QStringLiteral("retenciones")).toArray()) {
    e.retenciones << v.toInt();
  }
  e.dias = o.value(QStringLiteral("dias")).toInt();
  for (const QJsonValue& v : o.value(QStringLiteral("archivos")).toArray()) {
    const QJsonObject a = v.toObject();
    ArchivoEnNube archivo;
    archivo.objeto = a.value(QStringLiteral("objeto")).toString();
    archivo.url = urlWeb(a.value(QStringLiteral("url")));
    archivo.bytes = entero(a, "bytes");
    archivo.tipo = a.value(QStringLiteral("tipo")).toString();
    archivo.cuando = a.value(QStringLiteral("cuando")).toString();
    if (a.value(QStringLiteral("caduca")).isString()) {
      archivo.caduca = a.value(QStringLiteral("caduca")).toString();
    }
    e.archivos << archivo;
  }
  e.total = o.value(QStringLiteral("total")).toInt();
  e.pagina = std::max(1, o.value(QStringLiteral("pagina")).toInt(1));
  e.paginas = std::max(1, o.value(QStringLiteral("paginas")).toInt(1));
  return e;
}

QString avisoDeRestantes(std::optional<int64_t> restantes) {
  if (!restantes) return {};
  if (*restantes == 1) return L("Te queda 1 subida hoy");
  return L("Te quedan %@ subidas hoy", QString::number(*restantes));
}

void pedirPermiso(const ConfigDeNube& config, int64_t bytes, const QString& tipo,
                  const std::shared_ptr<Enviador>& puente,
                  std::function<void(const Resultado<Permiso>&)> completion) {
  const QJsonObject campos{{QStringLiteral("bytes"), double(bytes)},
                           {QStringLiteral("tipo"), tipo},
                           {QStringLiteral("dias"), config.dias}};
  post(config, QStringLiteral("subida"), campos, puente,
       [completion = std::move(completion)](const Resultado<QJsonObject>& r) {
         if (const auto* e = std::get_if<ErrorDeSubida>(&r)) {
           completion(*e);
         } else {
           completion(leerPermiso(std::get<QJsonObject>(r)));
         }
       });
}

void estado(const ConfigDeNube& config, int pagina,
            std::function<void(const Resultado<EstadoDeNube>&)> completion) {
  const QJsonObject campos{{QStringLiteral("pagina"), pagina},
                           {QStringLiteral("por_pagina"), kPorPagina}};
  post(config, QStringLiteral("nube"), campos, nullptr,
       [completion = std::move(completion)](const Resultado<QJsonObject>& r) {
         if (const auto* e = std::get_if<ErrorDeSubida>(&r)) {
           completion(*e);
         } else {
           completion(leerEstado(std::get<QJsonObject>(r)));
         }
       });
}

void borrar(const ConfigDeNube& config, const Barrido& barrido,
            std::function<void(const Resultado<int>&)> completion) {
  QJsonObject campos;
  switch (barrido.tipo) {
    case Barrido::Tipo::objeto:
      campos.insert(QStringLiteral("objeto"), barrido.objeto);
      break;
    case Barrido::Tipo::masViejosQue:
      campos.insert(QStringLiteral("mas_viejos_que"), barrido.dias);
      break;
    case Barrido::Tipo::todo:
      campos.insert(QStringLiteral("todo"), true);
      break;
  }
  post(config, QStringLiteral("borrar"), campos, nullptr,
       [completion = std::move(completion)](const Resultado<QJsonObject>& r) {
         if (const auto* e = std::get_if<ErrorDeSubida>(&r)) {
           completion(*e);
         } else {
           completion(std::get<QJsonObject>(r).value(QStringLiteral("borrados")).toInt());
         }
       });
}

void subir(const ConfigDeNube& config, const Cuerpo& cuerpo, const QString& tipo,
           Enviador::Progreso progreso, const std::shared_ptr<Enviador>& puente,
           std::function<void(const Resultado<SubidaHecha>&)> completion) {
  pedirPermiso(
      config, cuerpo.bytes(), tipo, puente,
      [cuerpo, tipo, progreso, puente, completion](const Resultado<Permiso>& r) {
        if (const auto* e = std::get_if<ErrorDeSubida>(&r)) {
          completion(*e);
          return;
        }
        const Permiso permiso = std::get<Permiso>(r);
        QNetworkRequest request(permiso.put);
        request.setTransferTimeout(S3Uploader::kTimeoutMs);
        request.setAttribute(QNetworkRequest::CustomVerbAttribute, QByteArrayLiteral("PUT"));
        request.setRawHeader("Content-Type", tipo.toUtf8());
        request.setRawHeader("Content-Length", QByteArray::number(qlonglong(cuerpo.bytes())));
        auto entrega = Enviador::enviar(
            request, cuerpo, progreso, [permiso, completion](const RespuestaHttp& respuesta) {
              if (respuesta.error) {
                completion(ErrorDeSubida(*respuesta.error));
              } else if (respuesta.exito()) {
                completion(SubidaHecha{permiso.url, avisoDeRestantes(permiso.restantesHoy), {}});
              } else {
                completion(ErrorDeSubida(NubeError::servidor(
                    L("Backblaze respondió %@", QString::number(respuesta.estado)))));
              }
            });
        if (puente) puente->ponerReal(entrega);
      });
}

}  // namespace NubeUploader
}  // namespace corvalin
