// corvalin-cloud's configuration: one file of "[section]" and "key = value" lines, with a few
// environment variables over it (the store's keys among them, so they need not be written
// down); "${NAME}" in a value is the variable NAME. Unknown sections and keys are refused, so a
// typo never passes silently.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <variant>

namespace corvalin::nube {

struct Plan {
  QString nombre;
  int64_t cuota = 1LL << 30;     // bytes stored at most
  int64_t diario = 50;           // uploads a day (UTC days)
  int64_t maximo = 100LL << 20;  // largest file
  bool video = true;
  QList<int> retenciones{7, 30, 90};  // days a file may be kept, ascending
};

struct Configuracion {
  // [servidor]
  QString escuchar = QStringLiteral("127.0.0.1");
  int puerto = 8470;         // 0: any free port (printed at start)
  QString direccionPublica;  // links are <this>/f/<key>; default http://escuchar:puerto
  QString datos = QStringLiteral("corvalin-cloud.db");
  bool registroAbierto = true;  // "abierto": any account id is registered on first use
  QString planPorDefecto = QStringLiteral("gratis");
  int peticionesPorMinuto = 30;      // upload slots per account
  int64_t cuerpoMaximo = 16 * 1024;  // request body bytes
  int barridoSegundos = 600;         // expiry sweep period
  int hilos = 16;
  int ranuraSegundos = 900;   // how long an upload slot can be used
  int enlaceSegundos = 3600;  // how long a link's redirect to the store lasts
  // [s3]
  QString endpoint;
  QString region = QStringLiteral("us-east-1");
  QString bucket;
  bool estiloRuta = true;
  QString accessKey;
  QString secretKey;
  QString prefijo;      // before every object key
  QString basePublica;  // links under it instead of through this server
  // [plan NAME]
  std::map<QString, Plan> planes;
  // [cuentas]: account id -> plan
  std::map<QByteArray, QString> cuentas;

  const Plan* plan(const QString& nombre) const;
};

// Reads `texto` (the file's contents, may be empty) and then the CORVALIN_CLOUD_* variables of
// `entorno` (names to values). The error names the line or the variable at fault.
std::variant<Configuracion, QString> leerConfiguracion(const QByteArray& texto,
                                                       const std::map<QString, QString>& entorno);
// This process's environment.
std::map<QString, QString> entornoDelProceso();

}  // namespace corvalin::nube
