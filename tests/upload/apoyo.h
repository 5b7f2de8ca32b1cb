// What the upload suites share: a mailbox for results that arrive on another thread, a small
// HTTP server for the replies a real one cannot be made to give, and the session's S3 gateway.
#pragma once

#include <QCoreApplication>
#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <QTest>
#include <QThread>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "upload/s3_config.h"

namespace corvalin::prueba {

// Turns the main loop until `listo` holds or `ms` pass.
inline bool esperarHasta(const std::function<bool()>& listo, int ms = 15000) {
  return QTest::qWaitFor(listo, ms);
}

// Keeps what a completion delivered, from any thread, and how many times it was called.
template <typename T>
class Buzon {
 public:
  std::function<void(const T&)> entregar() {
    return [estado = estado_](const T& valor) {
      std::lock_guard lock(estado->mutex);
      estado->valor = valor;
      ++estado->veces;
      estado->enPrincipal = QThread::currentThread() == QCoreApplication::instance()->thread();
    };
  }
  // The value, once it arrived within `ms`.
  std::optional<T> esperar(int ms = 15000) {
    esperarHasta([this] { return veces() > 0; }, ms);
    std::lock_guard lock(estado_->mutex);
    return estado_->valor;
  }
  int veces() const {
    std::lock_guard lock(estado_->mutex);
    return estado_->veces;
  }
  bool enPrincipal() const {
    std::lock_guard lock(estado_->mutex);
    return estado_->enPrincipal;
  }

 private:
  struct Estado {
    std::mutex mutex;
    std::optional<T> valor;
    int veces = 0;
    bool enPrincipal = false;
  };
  std::shared_ptr<Estado> estado_ = std::make_shared<Estado>();
};

struct PeticionRecibida {
  QByteArray metodo;
  QByteArray ruta;
  QHash<QByteArray, QByteArray> headers;  // names in lower case
  QByteArray cuerpo;
};

struct Respuesta {
  int estado = 200;
  QByteArray cuerpo;
  QByteArray tipo = "application/xml";
  bool callar = false;  // read the request and never answer
  int retrasoMs = 0;
};

// HTTP/1.1 on 127.0.0.1 with keep-alive, answering each request with `responder`. Runs on the
// main loop.
class ServidorLocal : public QObject {
 public:
  explicit ServidorLocal(std::function<Respuesta(const PeticionRecibida&)> responder);
  QString base() const;
  QList<PeticionRecibida> peticiones;

 private:
  void atender(class QTcpSocket* socket);

  QTcpServer servidor_;
  std::function<Respuesta(const PeticionRecibida&)> responder_;
  QHash<QTcpSocket*, QByteArray> pendiente_;
};

// The session's S3 gateway (scripts/test-session), once it is ready.
struct GatewayS3 {
  QString endpoint, access, secret;
};
// Nothing outside a test session (`fallo` false) or when the gateway did not start (`fallo`
// true); `porQue` says which. Waits for start-up to finish.
std::optional<GatewayS3> gateway(QString* porQue, bool* fallo);
// The bucket the suites share, created if needed.
inline const QString kBucket = QStringLiteral("corvalin-pruebas");
bool crearBucket(const GatewayS3& s3, const QString& bucket = kBucket);
// Path style, us-east-1, on the gateway's bucket.
S3Config configDelGateway(const GatewayS3& s3);
// curl on `url` as a browser would: the status, and the body into `destino` when given.
int descargar(const QString& url, const QString& destino = {});
// Removes an object (frees the gateway's memory after big ones).
void borrarObjeto(const GatewayS3& s3, const QString& key);

}  // namespace corvalin::prueba

// Declares `variable`, the gateway with the shared bucket; skips outside a test session.
#define CORVALIN_GATEWAY_O_SALTAR(variable)                                           \
  QString porQue_##variable;                                                          \
  bool fallo_##variable = false;                                                      \
  const auto opt_##variable = prueba::gateway(&porQue_##variable, &fallo_##variable); \
  if (!opt_##variable && fallo_##variable) FAIL() << porQue_##variable.toStdString(); \
  if (!opt_##variable) GTEST_SKIP() << porQue_##variable.toStdString();               \
  const prueba::GatewayS3& variable = *opt_##variable;                                \
  ASSERT_TRUE(prueba::crearBucket(variable))
