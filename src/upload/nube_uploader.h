// The client of Corvalin's hosted upload service ("Corvalin Cloud"): upload slots, the account's
// state and files, deletions. Every request is a POST of a JSON object to
// <nubeServidor>/api/<operation>.php carrying the installation's account id ("cuenta"); a 2xx
// reply is a JSON object, any other carries {"motivo", "limite", "renueva", "usado", "cuota",
// "maximo", "mensaje"}.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

#include "upload/enviador.h"
#include "upload/error_de_subida.h"

namespace corvalin {

class Settings;

// How this installation reaches the service.
struct ConfigDeNube {
  QString servidor;               // base address; empty when the service is not set up here
  QString cuenta;                 // the installation's account id
  int dias = 90;                  // how long uploads are kept
  bool llaveroBloqueado = false;  // the account id is in a keyring nobody opened
};

// From the settings "nubeServidor" and "nubeDias"; the account id lives in the keyring and is
// made on first use (never while the keyring holds one locked: that would leave the user's
// files under an account they no longer use).
ConfigDeNube configDeNube(Settings& settings);

struct ArchivoEnNube {
  QString objeto;
  QUrl url;
  int64_t bytes = 0;
  QString tipo;
  QString cuando;
  std::optional<QString> caduca;
};

struct EstadoDeNube {
  QString plan;
  int64_t usado = 0;
  int64_t cuota = 0;
  int64_t diario = 0;
  std::optional<int64_t> restantesHoy;
  bool video = false;
  QList<int> retenciones;
  int dias = 0;
  QList<ArchivoEnNube> archivos;
  int total = 0;
  int pagina = 1;
  int paginas = 1;
};

namespace NubeUploader {

inline constexpr int kPorPagina = 8;

struct Permiso {
  QUrl put;  // where the file goes, with HTTP PUT
  QUrl url;  // the link handed to the user
  std::optional<int64_t> restantesHoy;
};

// What to delete: one object, everything older than some days, or everything.
struct Barrido {
  enum class Tipo { objeto, masViejosQue, todo };
  Tipo tipo = Tipo::todo;
  QString objeto;
  int dias = 0;

  static Barrido deObjeto(const QString& key) { return {Tipo::objeto, key, 0}; }
  static Barrido masViejosQue(int dias) { return {Tipo::masViejosQue, {}, dias}; }
  static Barrido todo() { return {}; }
};

// base + "/api/" + operacion + ".php"; nothing when the base is not an http(s) address.
std::optional<QUrl> direccion(const QString& servidor, const QString& operacion);
// The reply's JSON object, or the error it stands for.
Resultado<QJsonObject> leerRespuesta(const RespuestaHttp& respuesta);
Resultado<Permiso> leerPermiso(const QJsonObject& o);
EstadoDeNube leerEstado(const QJsonObject& o);
// "You have N uploads left today", or empty when the count is unknown.
QString avisoDeRestantes(std::optional<int64_t> restantes);

// Every completion runs once, on the network thread (or at once, on the caller's thread, when
// nothing could be sent). `puente`, when given, is handed each sender started.
void pedirPermiso(const ConfigDeNube& config, int64_t bytes, const QString& tipo,
                  const std::shared_ptr<Enviador>& puente,
                  std::function<void(const Resultado<Permiso>&)> completion);
void estado(const ConfigDeNube& config, int pagina,
            std::function<void(const Resultado<EstadoDeNube>&)> completion);
// Completes with the number of files deleted.
void borrar(const ConfigDeNube& config, const Barrido& barrido,
            std::function<void(const Resultado<int>&)> completion);
// Asks for a slot, then PUTs the body there with progress.
void subir(const ConfigDeNube& config, const Cuerpo& cuerpo, const QString& tipo,
           Enviador::Progreso progreso, const std::shared_ptr<Enviador>& puente,
           std::function<void(const Resultado<SubidaHecha>&)> completion);

}  // namespace NubeUploader
}  // namespace corvalin
