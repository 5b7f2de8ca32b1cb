#include "nube_local.h"

#include <httplib.h>
#include <signal.h>
#include <sqlite3.h>

#include <QFile>
#include <QProcessEnvironment>
#include <QTcpServer>

namespace corvalin::prueba {

NubeLocal::NubeLocal(const GatewayS3& s3, const QString& extra) {
  // A port kept for the server's whole life, restarts included: its links carry it.
  QTcpServer sonda;
  sonda.listen(QHostAddress::LocalHost, 0);
  base_ = QStringLiteral("http://127.0.0.1:%1").arg(sonda.serverPort());
  QFile config(dir_.filePath(QStringLiteral("nube.conf")));
  config.open(QIODevice::WriteOnly);
  config.write(QStringLiteral("[servidor]\nescuchar = 127.0.0.1\npuerto = %5\ndatos = %1\n"
                              "barrido_segundos = 3600\n[s3]\nendpoint = %2\nbucket = %3\n"
                              "estilo_ruta = si\n%4\n")
                   .arg(dir_.filePath(QStringLiteral("nube.db")), s3.endpoint, kBucketDeNube, extra)
                   .arg(sonda.serverPort())
                   .toUtf8());
  config.close();
  QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
  // The store's keys come from the environment, as a service file would give them.
  entorno.insert(QStringLiteral("CORVALIN_CLOUD_S3_ACCESS_KEY"), s3.access);
  entorno.insert(QStringLiteral("CORVALIN_CLOUD_S3_SECRET_KEY"), s3.secret);
  proceso_.setProcessEnvironment(entorno);
  // The log goes to a file: a pipe nobody reads while the test is busy would fill up and stall
  // the server.
  const QString registro = dir_.filePath(QStringLiteral("registro.txt"));
  proceso_.setStandardOutputFile(registro, QIODevice::Append);
  proceso_.setStandardErrorFile(registro, QIODevice::Append);
  proceso_.setProgram(QStringLiteral(CORVALIN_CLOUD));
  proceso_.setArguments({QStringLiteral("--config"), config.fileName()});
}

NubeLocal::~NubeLocal() {
  if (proceso_.state() != QProcess::NotRunning) detener();
}

bool NubeLocal::arrancar() {
  proceso_.start();
  if (!proceso_.waitForStarted(10000)) return false;
  const QUrl salud(base_ + QStringLiteral("/salud"));
  auto responde = [&] { return pedir("GET", salud).estado == 200; };
  // A server that stops at once (keys refused, a bad file) is not waited for.
  esperarHasta([&] { return proceso_.state() == QProcess::NotRunning || responde(); }, 15000);
  return proceso_.state() == QProcess::Running && responde();
}

int NubeLocal::detener() {
  if (proceso_.state() == QProcess::NotRunning) return proceso_.exitCode();
  ::kill(static_cast<pid_t>(proceso_.processId()), SIGTERM);
  if (!proceso_.waitForFinished(15000)) {
    proceso_.kill();
    proceso_.waitForFinished(5000);
    return -1;
  }
  return proceso_.exitStatus() == QProcess::NormalExit ? proceso_.exitCode() : -1;
}

QString NubeLocal::registro() {
  QFile f(dir_.filePath(QStringLiteral("registro.txt")));
  f.open(QIODevice::ReadOnly);
  return QString::fromUtf8(f.readAll());
}

bool NubeLocal::sql(const QString& sentencia) {
  return numero(sentencia) != -2;
}

// The first column of the first row (-1 when there is none); -2 when the statement failed.
int64_t NubeLocal::numero(const QString& consulta) {
  sqlite3* db = nullptr;
  sqlite3_stmt* s = nullptr;
  int64_t n = -2;
  if (sqlite3_open(dir_.filePath(QStringLiteral("nube.db")).toUtf8().constData(), &db) ==
          SQLITE_OK &&
      sqlite3_busy_timeout(db, 5000) == SQLITE_OK &&
      sqlite3_prepare_v2(db, consulta.toUtf8().constData(), -1, &s, nullptr) == SQLITE_OK) {
    const int paso = sqlite3_step(s);
    n = paso == SQLITE_ROW ? sqlite3_column_int64(s, 0) : paso == SQLITE_DONE ? -1 : -2;
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return n;
}

Contestacion pedir(const std::string& metodo, const QUrl& url, const QByteArray& cuerpo,
                   const std::map<std::string, std::string>& cabeceras) {
  httplib::Client c(
      url.toString(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toStdString());
  c.set_url_encode(false);
  c.set_connection_timeout(10);
  c.set_read_timeout(60);
  c.set_write_timeout(60);
  httplib::Request req;
  req.method = metodo;
  req.path = url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment |
                          QUrl::FullyEncoded)
                 .toStdString();
  for (const auto& [nombre, valor] : cabeceras) req.headers.emplace(nombre, valor);
  req.body = cuerpo.toStdString();
  if (!req.has_header("Content-Type") && !cuerpo.isEmpty())
    req.headers.emplace("Content-Type", "application/json");
  const httplib::Result r = c.send(req);
  if (!r) return {0, {}, {}, httplib::to_string(r.error())};
  return {r->status, QByteArray::fromStdString(r->body), r->get_header_value("Location"), {}};
}

Contestacion abrir(const QUrl& url) {
  const Contestacion c = pedir("GET", url);
  if (c.ubicacion.empty()) return c;
  return pedir("GET", QUrl(QString::fromStdString(c.ubicacion), QUrl::StrictMode));
}

namespace {

// A request on the gateway's objects, signed as the server signs.
Contestacion firmado(const GatewayS3& s3, const QString& metodo, const QString& objeto,
                     const QByteArray& cuerpo = {}) {
  const DestinoS3 d = *FirmaS3::destino(objeto, s3.endpoint, kBucketDeNube, true);
  const FirmaS3::Firmada f = FirmaS3::firmar(
      metodo, d, {}, FirmaS3::sha256Hex(cuerpo),
      ClaveS3{s3.access, s3.secret, QStringLiteral("us-east-1")}, QDateTime::currentDateTimeUtc());
  std::map<std::string, std::string> enviadas;
  for (const auto& [nombre, valor] : f.cabeceras)
    if (nombre != QLatin1String("host")) enviadas[nombre.toStdString()] = valor.toStdString();
  return pedir(metodo.toStdString(), *FirmaS3::url(d), cuerpo, enviadas);
}

}  // namespace

int estadoDelObjeto(const GatewayS3& s3, const QString& objeto) {
  return firmado(s3, QStringLiteral("HEAD"), objeto).estado;
}

bool borrarDelGateway(const GatewayS3& s3, const QString& objeto) {
  const int estado = firmado(s3, QStringLiteral("DELETE"), objeto).estado;
  return estado == 204 || estado == 200 || estado == 404;
}

int subirDirecto(const GatewayS3& s3, const QString& objeto, const QByteArray& cuerpo) {
  return firmado(s3, QStringLiteral("PUT"), objeto, cuerpo).estado;
}

}  // namespace corvalin::prueba
