// Every upload leaves the process through an Enviador: one HTTP request with a body, progress
// and cancellation, run on the network thread. Also the values all upload code shares: the
// body (`Cuerpo`) and the outcome of a successful upload (`SubidaHecha`).
#pragma once

#include <QByteArray>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace corvalin {

// The body of an upload: bytes in memory (pictures) or a file streamed from disk (recordings).
class Cuerpo {
 public:
  static Cuerpo datos(QByteArray bytes);
  static Cuerpo archivo(QString ruta, int64_t bytes);

  bool esArchivo() const { return esArchivo_; }
  const QByteArray& enMemoria() const { return datos_; }
  const QString& ruta() const { return ruta_; }
  int64_t bytes() const { return esArchivo_ ? bytesDeArchivo_ : datos_.size(); }

 private:
  bool esArchivo_ = false;
  QByteArray datos_;
  QString ruta_;
  int64_t bytesDeArchivo_ = 0;
};

struct SubidaHecha {
  QUrl url;
  QString aviso;   // shown instead of the usual confirmation when set
  QString titulo;  // the destination's name, the confirmation's title
};

// A transfer that ended without an HTTP reply.
struct ErrorDeRed {
  enum class Tipo {
    cancelado,       // the user (or the code on their behalf) cancelled it
    sinRespuesta,    // nothing moved for longer than the request's timeout
    limiteDeTiempo,  // the whole transfer ran past its limit
    archivo,         // the file to send could not be read
    conexion,        // the server could not be reached
    otro,
  };
  Tipo tipo = Tipo::otro;
  QString host;
  QString detalle;  // the network layer's own words, for `otro`

  QString descripcion() const;
};

// What came back: an HTTP status and body, or a transfer error.
struct RespuestaHttp {
  int estado = 0;
  QByteArray datos;
  std::optional<ErrorDeRed> error;

  bool exito() const { return !error && estado >= 200 && estado <= 299; }
};

class Enviador : public std::enable_shared_from_this<Enviador> {
 public:
  using Progreso = std::function<void(double fraccion)>;
  using AlTerminar = std::function<void(const RespuestaHttp&)>;
  // The whole transfer may take at most this long; each request also carries its own
  // inactivity timeout (QNetworkRequest::transferTimeout).
  static constexpr std::chrono::milliseconds kLimiteTotal{std::chrono::hours(1)};

  // Sends `request` (its verb in QNetworkRequest::CustomVerbAttribute, PUT when unset) with
  // `cuerpo`. `progreso` runs on the main thread; `alTerminar` runs once, on the network
  // thread. The sender stays alive until `alTerminar` has run. Callable from any thread.
  static std::shared_ptr<Enviador> enviar(const QNetworkRequest& request, const Cuerpo& cuerpo,
                                          Progreso progreso, AlTerminar alTerminar,
                                          std::chrono::milliseconds limiteTotal = kLimiteTotal);

  // A sender that sends nothing itself: it stands for whichever sender does the work now (the
  // first attempt, later a retry), so that cancelling it cancels that one.
  static std::shared_ptr<Enviador> puente();

  // Cancels the transfer (it then ends with ErrorDeRed::cancelado) and the real sender, if any.
  void cancelar();
  // The sender now doing the work; cancelled at once when this one already is.
  void ponerReal(const std::shared_ptr<Enviador>& real);
  bool cancelado() const;

  // How many senders are between `enviar` and the end of their `alTerminar`.
  static int enCurso();

  Enviador() = default;
  Enviador(const Enviador&) = delete;
  Enviador& operator=(const Enviador&) = delete;

 private:
  struct Transferencia;
  friend struct Transferencia;

  mutable std::mutex mutex_;
  bool cancelado_ = false;
  std::shared_ptr<Enviador> real_;
  // Owned by the network thread and only touched there.
  Transferencia* transferencia_ = nullptr;
};

}  // namespace corvalin
