// The hosted upload service's three operations (upload slots, the account's state, deleting),
// the links it hands out, and the expiry sweep: JSON in, JSON out, no HTTP. A refusal carries
// "motivo" and the fields the app reads ("limite", "renueva", "usado", "cuota", "maximo") and a
// "mensaje" in the language the request names ("idioma": "es" or "en").
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <mutex>
#include <optional>

#include "almacen.h"
#include "configuracion.h"
#include "objetos.h"

namespace corvalin::nube {

struct Respuesta {
  int estado = 200;
  QJsonObject cuerpo;
};

class Servicio {
 public:
  using Reloj = std::function<QDateTime()>;
  Servicio(const Configuracion& config, Almacen& almacen, const Objetos& objetos,
           Reloj reloj = &QDateTime::currentDateTimeUtc);

  // `operacion` is "subida", "nube" or "borrar"; `cuerpo` the request's body.
  Respuesta atender(const QString& operacion, const QByteArray& cuerpo);
  // Where a link sends its reader: a short-lived address in the store, while the file lives.
  std::optional<QUrl> destinoDelEnlace(const QString& objeto);
  // The link handed to the user for `objeto`.
  QUrl enlace(const QString& objeto) const;

  struct Barrido {
    int caducados = 0;    // expired files deleted
    int confirmados = 0;  // uploads seen in the store after their slot ended
    int abandonados = 0;  // slots never used, their space and upload given back
    int fallidos = 0;     // the store could not be asked or did not delete
  };
  // Deletes what expired and settles the slots that ended.
  Barrido barrer();

 private:
  struct Cuenta {
    QByteArray id;  // SHA-256 of the account id
    const Plan* plan = nullptr;
    int dias = 0;  // the retention last chosen, 0 when never
  };
  std::variant<Cuenta, Respuesta> identificar(const QJsonObject& pedido, bool esIngles);
  bool permitir(const QByteArray& id);
  Respuesta subida(const Cuenta& cuenta, const QJsonObject& pedido, bool esIngles);
  Respuesta estado(const Cuenta& cuenta, const QJsonObject& pedido, bool esIngles);
  Respuesta borrar(const Cuenta& cuenta, const QJsonObject& pedido, bool esIngles);

  const Configuracion& config_;
  Almacen& almacen_;
  const Objetos& objetos_;
  Reloj reloj_;
  // The accounts of the configuration, by hash, with their plans.
  QList<std::pair<QByteArray, const Plan*>> listadas_;

  struct Cubeta {
    double fichas = 0;
    QDateTime visto;
  };
  std::mutex mutexCubetas_;
  QHash<QByteArray, Cubeta> cubetas_;
};

}  // namespace corvalin::nube
