#include "upload/enviador.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>
#include <set>

#include "core/texts.h"
#include "platform/main_thread.h"

namespace corvalin {
namespace {

QThread* hiloDeRed = nullptr;

void detenerHiloDeRed() {
  hiloDeRed->quit();
  hiloDeRed->wait();
}

// Lives on the network thread: transfers are started and ended there, so the main thread
// never waits on the network or on disk reads of a streamed body.
QObject* contextoDeRed() {
  static QObject* contexto = [] {
    hiloDeRed = new QThread();
    hiloDeRed->setObjectName(QStringLiteral("corvalin-red"));
    hiloDeRed->start();
    auto* c = new QObject();
    c->moveToThread(hiloDeRed);
    // The thread must be gone before Qt tears down what it uses.
    qAddPostRoutine(detenerHiloDeRed);
    return c;
  }();
  return contexto;
}

// One manager for every transfer, so that a retry reuses the open connection. Network thread
// only.
QNetworkAccessManager& red() {
  static QNetworkAccessManager* manager = [] {
    auto* m = new QNetworkAccessManager();
    // A redirect would replay a streamed body and hide where the bucket really is: the reply
    // goes back to the caller as it is.
    m->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    return m;
  }();
  return *manager;
}

std::mutex mutexEnCurso;
std::set<std::shared_ptr<Enviador>>& enCursoSinCerrojo() {
  static auto* set = new std::set<std::shared_ptr<Enviador>>();
  return *set;
}

ErrorDeRed errorDeTransporte(QNetworkReply::NetworkError codigo, const QString& host,
                             const QString& texto) {
  switch (codigo) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
      return {ErrorDeRed::Tipo::conexion, host, texto};
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:  // the request's own timeout aborts it
      return {ErrorDeRed::Tipo::sinRespuesta, host, texto};
    default:
      return {ErrorDeRed::Tipo::otro, host, texto};
  }
}

}  // namespace

Cuerpo Cuerpo::datos(QByteArray bytes) {
  Cuerpo c;
  c.datos_ = std::move(bytes);
  return c;
}

Cuerpo Cuerpo::archivo(QString ruta, int64_t bytes) {
  Cuerpo c;
  c.esArchivo_ = true;
  c.ruta_ = std::move(ruta);
  c.bytesDeArchivo_ = bytes;
  return c;
}

QString ErrorDeRed::descripcion() const {
  switch (tipo) {
    case Tipo::cancelado:
      return L("Subida cancelada");
    case Tipo::sinRespuesta:
      return L("%@ dejó de responder.", host);
    case Tipo::limiteDeTiempo:
      return L("La subida pasó de una hora y se detuvo.");
    case Tipo::archivo:
      return L("No se pudo leer el archivo que se iba a subir.");
    case Tipo::conexion:
      return L("No se pudo conectar con %@.", host);
    case Tipo::otro:
      break;
  }
  return L("Falló la conexión con %@: %@", host, detalle);
}

// One running request, on the network thread.
struct Enviador::Transferencia : QObject {
  enum class Motivo { ninguno, cancelado, limite };

  std::shared_ptr<Enviador> enviador;
  Progreso progreso;
  AlTerminar alTerminar;
  QString host;
  QNetworkReply* reply = nullptr;
  Motivo motivo = Motivo::ninguno;
  int ultimoPorMil = -1;

  void abortar(Motivo porQue) {
    if (reply == nullptr || reply->isFinished()) return;
    if (motivo == Motivo::ninguno) motivo = porQue;
    reply->abort();
  }

  void avanzar(qint64 enviados, qint64 total) {
    if (!progreso || total <= 0) return;
    const double fraccion = double(enviados) / double(total);
    // A post per chunk would only flood the main thread; a thousandth is finer than any bar.
    const int porMil = static_cast<int>(fraccion * 1000);
    if (porMil == ultimoPorMil) return;
    ultimoPorMil = porMil;
    enMain([p = progreso, fraccion] { p(fraccion); });
  }

  RespuestaHttp respuesta() const {
    RespuestaHttp r;
    if (motivo == Motivo::cancelado) {
      r.error = ErrorDeRed{ErrorDeRed::Tipo::cancelado, host, {}};
    } else if (motivo == Motivo::limite) {
      r.error = ErrorDeRed{ErrorDeRed::Tipo::limiteDeTiempo, host, {}};
    } else if (const int estado =
                   reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
               estado > 0) {
      r.estado = estado;
      r.datos = reply->readAll();
    } else {
      r.error = errorDeTransporte(reply->error(), host, reply->errorString());
    }
    return r;
  }

  void terminar(const RespuestaHttp& r) {
    if (reply != nullptr) reply->deleteLater();
    enviador->transferencia_ = nullptr;
    AlTerminar fin = std::move(alTerminar);
    if (fin) fin(r);
    {
      std::lock_guard lock(mutexEnCurso);
      enCursoSinCerrojo().erase(enviador);
    }
    deleteLater();
  }

  void arrancar(QNetworkRequest request, const Cuerpo& cuerpo,
                std::chrono::milliseconds limiteTotal) {
    if (enviador->cancelado()) {
      terminar({0, {}, ErrorDeRed{ErrorDeRed::Tipo::cancelado, host, {}}});
      return;
    }
    QByteArray verbo = request.attribute(QNetworkRequest::CustomVerbAttribute).toByteArray();
    if (verbo.isEmpty()) verbo = QByteArrayLiteral("PUT");
    // With a known length Qt reads the body as it goes instead of loading it first.
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    if (cuerpo.esArchivo()) {
      auto* archivo = new QFile(cuerpo.ruta(), this);
      // A file that shrank or grew since it was measured would leave the server waiting for
      // bytes that never come, or cut the object short.
      if (!archivo->open(QIODevice::ReadOnly) ||
          (!archivo->isSequential() && archivo->size() != cuerpo.bytes())) {
        terminar({0, {}, ErrorDeRed{ErrorDeRed::Tipo::archivo, host, {}}});
        return;
      }
      reply = red().sendCustomRequest(request, verbo, archivo);
    } else {
      reply = red().sendCustomRequest(request, verbo, cuerpo.enMemoria());
    }
    enviador->transferencia_ = this;
    QObject::connect(reply, &QNetworkReply::uploadProgress, this,
                     [this](qint64 enviados, qint64 total) { avanzar(enviados, total); });
    QObject::connect(reply, &QNetworkReply::finished, this, [this] { terminar(respuesta()); });
    QTimer::singleShot(limiteTotal, this, [this] { abortar(Motivo::limite); });
  }
};

std::shared_ptr<Enviador> Enviador::enviar(const QNetworkRequest& request, const Cuerpo& cuerpo,
                                           Progreso progreso, AlTerminar alTerminar,
                                           std::chrono::milliseconds limiteTotal) {
  auto enviador = std::make_shared<Enviador>();
  {
    std::lock_guard lock(mutexEnCurso);
    enCursoSinCerrojo().insert(enviador);
  }
  QObject* contexto = contextoDeRed();
  QMetaObject::invokeMethod(
      contexto,
      [enviador, request, cuerpo, progreso = std::move(progreso),
       alTerminar = std::move(alTerminar), limiteTotal]() mutable {
        auto* t = new Transferencia();  // made on the network thread, so it belongs there
        t->enviador = enviador;
        t->progreso = std::move(progreso);
        t->alTerminar = std::move(alTerminar);
        t->host = request.url().host();
        t->arrancar(request, cuerpo, limiteTotal);
      },
      Qt::QueuedConnection);
  return enviador;
}

std::shared_ptr<Enviador> Enviador::puente() {
  return std::make_shared<Enviador>();
}

void Enviador::cancelar() {
  std::shared_ptr<Enviador> real;
  {
    std::lock_guard lock(mutex_);
    cancelado_ = true;
    real = real_;
  }
  std::weak_ptr<Enviador> debil = weak_from_this();
  QMetaObject::invokeMethod(
      contextoDeRed(),
      [debil] {
        if (std::shared_ptr<Enviador> e = debil.lock(); e && e->transferencia_) {
          e->transferencia_->abortar(Transferencia::Motivo::cancelado);
        }
      },
      Qt::QueuedConnection);
  if (real) real->cancelar();
}

void Enviador::ponerReal(const std::shared_ptr<Enviador>& real) {
  bool yaCancelado;
  {
    std::lock_guard lock(mutex_);
    real_ = real;
    yaCancelado = cancelado_;
  }
  if (yaCancelado && real) real->cancelar();
}

bool Enviador::cancelado() const {
  std::lock_guard lock(mutex_);
  return cancelado_;
}

int Enviador::enCurso() {
  std::lock_guard lock(mutexEnCurso);
  return static_cast<int>(enCursoSinCerrojo().size());
}

}  // namespace corvalin
