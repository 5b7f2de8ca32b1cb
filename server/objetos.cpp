#include "objetos.h"

#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "upload/s3_firma.h"

namespace corvalin::nube {
namespace {

DestinoS3 destinoDe(const QString& objeto, const QString& endpoint, const QString& bucket,
                    bool estiloRuta) {
  // The configuration was checked at start: the endpoint is a web address.
  return FirmaS3::destino(objeto, endpoint, bucket, estiloRuta).value_or(DestinoS3{});
}

}  // namespace

ObjetosS3::ObjetosS3(const Configuracion& c)
    : endpoint_(c.endpoint),
      bucket_(c.bucket),
      estiloRuta_(c.estiloRuta),
      access_(c.accessKey.trimmed()),
      secret_(c.secretKey.trimmed()),
      region_(c.region) {}

QUrl ObjetosS3::ranura(const QString& objeto, int64_t bytes, const QString& tipo,
                       const QDateTime& ahora, int segundos) const {
  // The length and the type are signed: the store refuses any other body under this address.
  return FirmaS3::prefirmar(QStringLiteral("PUT"),
                            destinoDe(objeto, endpoint_, bucket_, estiloRuta_),
                            {access_, secret_, region_}, ahora, segundos,
                            {{QStringLiteral("content-length"), QString::number(bytes)},
                             {QStringLiteral("content-type"), tipo}});
}

QUrl ObjetosS3::lectura(const QString& objeto, const QDateTime& ahora, int segundos) const {
  return FirmaS3::prefirmar(QStringLiteral("GET"),
                            destinoDe(objeto, endpoint_, bucket_, estiloRuta_),
                            {access_, secret_, region_}, ahora, segundos);
}

int ObjetosS3::pedir(const QString& metodo, const QString& objeto, int64_t* largo) const {
  // An empty key is the bucket itself.
  DestinoS3 d = destinoDe(objeto, endpoint_, bucket_, estiloRuta_);
  if (objeto.isEmpty() && d.path.endsWith(QLatin1Char('/')) && d.path.size() > 1) d.path.chop(1);
  const FirmaS3::Firmada firmada =
      FirmaS3::firmar(metodo, d, {}, FirmaS3::sha256Hex({}), {access_, secret_, region_},
                      QDateTime::currentDateTimeUtc());
  httplib::Headers cabeceras;
  for (const auto& [nombre, valor] : firmada.cabeceras) {
    if (nombre != QLatin1String("host"))
      cabeceras.emplace(nombre.toStdString(), valor.toStdString());
  }
  httplib::Client cliente((d.scheme + QStringLiteral("://") + d.host).toStdString());
  cliente.set_connection_timeout(10);
  cliente.set_read_timeout(30);
  httplib::Request req;
  req.method = metodo.toStdString();
  req.path = d.path.toStdString();
  req.headers = cabeceras;
  const httplib::Result r = cliente.send(req);
  if (!r) return -1;
  if (largo) *largo = std::strtoll(r->get_header_value("Content-Length").c_str(), nullptr, 10);
  return r->status;
}

std::optional<int64_t> ObjetosS3::tamano(const QString& objeto) const {
  int64_t largo = 0;
  const int estado = pedir(QStringLiteral("HEAD"), objeto, &largo);
  if (estado == 404) return std::nullopt;
  if (estado < 200 || estado > 299) {
    throw std::runtime_error("the store answered HEAD with " + std::to_string(estado));
  }
  return largo;
}

bool ObjetosS3::borrar(const QString& objeto) const {
  const int estado = pedir(QStringLiteral("DELETE"), objeto, nullptr);
  return (estado >= 200 && estado <= 299) || estado == 404;
}

QString prepararBucket(const Configuracion& config, int segundos) {
  const ObjetosS3 objetos(config);
  for (int intento = 0;; ++intento) {
    const int estado = objetos.pedir(QStringLiteral("HEAD"), QString(), nullptr);
    if (estado >= 200 && estado <= 299) return {};
    if (estado == 404) {
      const int creado = objetos.pedir(QStringLiteral("PUT"), QString(), nullptr);
      if (creado >= 200 && creado <= 299) return {};
      // Another server made it in the meantime.
      if (creado == 409 && objetos.pedir(QStringLiteral("HEAD"), QString(), nullptr) == 200)
        return {};
      return QStringLiteral(
                 "the bucket %1 does not exist and could not be created (the store answered %2)")
          .arg(config.bucket)
          .arg(creado);
    }
    if (estado == 403) {
      return QStringLiteral("the store refused the keys for the bucket %1 (403)")
          .arg(config.bucket);
    }
    if (estado > 0) {
      return QStringLiteral("the store answered %1 about the bucket %2")
          .arg(estado)
          .arg(config.bucket);
    }
    if (intento >= segundos) {
      return QStringLiteral("the store at %1 did not answer").arg(config.endpoint);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
}

}  // namespace corvalin::nube
