// corvalin-cloud as the cloud suites and benchmarks run it: the real executable, on the test
// session's S3 gateway, with a database of its own, stopped with SIGTERM as a service manager
// would.
#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <map>

#include "apoyo.h"
#include "upload/s3_firma.h"

namespace corvalin::prueba {

inline const QString kBucketDeNube = QStringLiteral("corvalin-nube");

class NubeLocal {
 public:
  // `extra`: configuration lines added after the [servidor] and [s3] sections the test needs.
  explicit NubeLocal(const GatewayS3& s3, const QString& extra = {});
  ~NubeLocal();

  // Starts it and waits until it answers; false (with the log in `registro()`) when it did not.
  bool arrancar();
  // SIGTERM; the exit status (-1 when it had to be killed).
  int detener();
  QString base() const { return base_; }
  // Everything it logged, restarts included.
  QString registro();
  qint64 pid() const { return proceso_.processId(); }

  // Runs SQL on its database through a second connection, as an operator's sqlite3 would.
  bool sql(const QString& sentencia);
  int64_t numero(const QString& consulta);

 private:
  QTemporaryDir dir_;
  QProcess proceso_;
  QString base_;
};

struct Contestacion {
  int estado = 0;  // 0: no answer
  QByteArray cuerpo;
  std::string ubicacion;  // Location
  std::string error;      // why there was no answer
};
// One HTTP request as any client could send it; redirects are not followed.
Contestacion pedir(const std::string& metodo, const QUrl& url, const QByteArray& cuerpo = {},
                   const std::map<std::string, std::string>& cabeceras = {});
// GET following a redirect, as a browser opening a link.
Contestacion abrir(const QUrl& url);

// HEAD on an object: 200 when it is there, 404 when not.
int estadoDelObjeto(const GatewayS3& s3, const QString& objeto);
bool borrarDelGateway(const GatewayS3& s3, const QString& objeto);
// A signed PUT of `cuerpo` straight into the bucket.
int subirDirecto(const GatewayS3& s3, const QString& objeto, const QByteArray& cuerpo);

}  // namespace corvalin::prueba
