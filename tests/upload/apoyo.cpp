#include "apoyo.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTcpSocket>
#include <QTimer>

namespace corvalin::prueba {

ServidorLocal::ServidorLocal(std::function<Respuesta(const PeticionRecibida&)> responder)
    : responder_(std::move(responder)) {
  servidor_.listen(QHostAddress::LocalHost, 0);
  QObject::connect(&servidor_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = servidor_.nextPendingConnection()) {
      QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { atender(socket); });
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
}

QString ServidorLocal::base() const {
  return QStringLiteral("http://127.0.0.1:%1").arg(servidor_.serverPort());
}

void ServidorLocal::atender(QTcpSocket* socket) {
  QByteArray& datos = pendiente_[socket];
  datos += socket->readAll();
  for (;;) {
    const qsizetype fin = datos.indexOf("\r\n\r\n");
    if (fin < 0) return;
    PeticionRecibida p;
    const QList<QByteArray> lineas = datos.left(fin).split('\n');
    const QList<QByteArray> primera = lineas.value(0).trimmed().split(' ');
    p.metodo = primera.value(0);
    p.ruta = primera.value(1);
    for (qsizetype i = 1; i < lineas.size(); ++i) {
      const qsizetype dos = lineas[i].indexOf(':');
      if (dos > 0)
        p.headers.insert(lineas[i].left(dos).trimmed().toLower(), lineas[i].mid(dos + 1).trimmed());
    }
    const qsizetype largo = p.headers.value("content-length", "0").toLongLong();
    if (datos.size() < fin + 4 + largo) return;
    p.cuerpo = datos.mid(fin + 4, largo);
    datos.remove(0, fin + 4 + largo);
    peticiones << p;
    const Respuesta r = responder_(p);
    if (r.callar) continue;
    const QByteArray salida =
        "HTTP/1.1 " + QByteArray::number(r.estado) + " X\r\nContent-Type: " + r.tipo +
        "\r\nContent-Length: " + QByteArray::number(r.cuerpo.size()) + "\r\n\r\n" + r.cuerpo;
    if (r.retrasoMs > 0)
      QTimer::singleShot(r.retrasoMs, socket, [socket, salida] { socket->write(salida); });
    else
      socket->write(salida);
  }
}

std::optional<GatewayS3> gateway(QString* porQue, bool* fallo) {
  const QString estado = qEnvironmentVariable("CORVALIN_S3_STATE");
  *fallo = !estado.isEmpty();
  if (estado.isEmpty()) {
    *porQue = QStringLiteral("needs the S3 gateway: run inside scripts/test-session");
    return std::nullopt;
  }
  // Moved into place whole once start-up is over.
  QFile f(estado);
  esperarHasta([&] { return f.open(QIODevice::ReadOnly); }, 120000);
  const QString contenido = QString::fromUtf8(f.readAll()).trimmed();
  if (contenido == QLatin1String("ready"))
    return GatewayS3{qEnvironmentVariable("CORVALIN_S3_ENDPOINT"),
                     qEnvironmentVariable("CORVALIN_S3_ACCESS_KEY"),
                     qEnvironmentVariable("CORVALIN_S3_SECRET_KEY")};
  *porQue = QStringLiteral("the S3 gateway did not start: ") + contenido;
  return std::nullopt;
}

namespace {

// curl's status line for `args`.
int curl(const QStringList& args, int ms) {
  QProcess curl;
  curl.start(QStringLiteral("curl"), QStringList{"-s", "-w", "%{http_code}"} + args);
  curl.waitForFinished(ms);
  return curl.readAllStandardOutput().toInt();
}

// curl signs these itself; an empty body's hash is the one it does not add on its own.
int curlFirmado(const GatewayS3& s3, const QString& metodo, const QString& ruta) {
  const QString vacio =
      QString::fromLatin1(QCryptographicHash::hash({}, QCryptographicHash::Sha256).toHex());
  return curl({"-o", "/dev/null", "--aws-sigv4", "aws:amz:us-east-1:s3", "--user",
               s3.access + ':' + s3.secret, "-H", "x-amz-content-sha256: " + vacio, "-X", metodo,
               s3.endpoint + ruta},
              30000);
}

}  // namespace

bool crearBucket(const GatewayS3& s3, const QString& bucket) {
  const int estado = curlFirmado(s3, QStringLiteral("PUT"), QLatin1Char('/') + bucket);
  return estado == 200 || estado == 409;  // 409: made by a suite running beside this one
}

S3Config configDelGateway(const GatewayS3& s3) {
  S3Config c;
  c.endpoint = s3.endpoint;
  c.region = QStringLiteral("us-east-1");
  c.bucket = kBucket;
  c.accessKey = s3.access;
  c.secretKey = s3.secret;
  c.pathStyle = true;
  return c;
}

int descargar(const QString& url, const QString& destino) {
  return curl({"-g", "-o", destino.isEmpty() ? QStringLiteral("/dev/null") : destino, url}, 120000);
}

void borrarObjeto(const GatewayS3& s3, const QString& key) {
  curlFirmado(s3, QStringLiteral("DELETE"),
              QLatin1Char('/') + kBucket + QLatin1Char('/') +
                  QString::fromLatin1(QUrl::toPercentEncoding(key, "/")));
}

}  // namespace corvalin::prueba
