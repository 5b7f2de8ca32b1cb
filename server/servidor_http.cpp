#include "servidor_http.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <QDateTime>
#include <QJsonDocument>
#include <ostream>

namespace corvalin::nube {
namespace {

std::string json(const QJsonObject& o) {
  return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

bool prefiereIngles(const httplib::Request& req) {
  return req.get_header_value("Accept-Language").rfind("es", 0) != 0;
}

// What a log line shows of a path: a link's key is its only secret, so it is left out.
std::string rutaParaElRegistro(const std::string& ruta) {
  return ruta.rfind("/f/", 0) == 0 ? std::string("/f/…") : ruta.substr(0, 200);
}

// The HTTP library listens with a queue of 5 connections: a burst of clients overflows it and
// the kernel drops connections it already half accepted. Listening again on the same socket
// only lengthens the queue; the socket is found by its port.
void ampliarCola(int puerto) {
  for (int fd = 3; fd < 4096; ++fd) {
    sockaddr_storage direccion{};
    socklen_t largo = sizeof direccion;
    int escucha = 0;
    socklen_t largoEscucha = sizeof escucha;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&direccion), &largo) != 0) continue;
    if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &escucha, &largoEscucha) != 0 || !escucha)
      continue;
    const int suyo = direccion.ss_family == AF_INET
                         ? ntohs(reinterpret_cast<sockaddr_in*>(&direccion)->sin_port)
                     : direccion.ss_family == AF_INET6
                         ? ntohs(reinterpret_cast<sockaddr_in6*>(&direccion)->sin6_port)
                         : -1;
    if (suyo == puerto) ::listen(fd, SOMAXCONN);
  }
}

}  // namespace

ServidorHttp::ServidorHttp(const Configuracion& config, Servicio& servicio, std::ostream& registro)
    : config_(config),
      servicio_(servicio),
      registro_(registro),
      http_(std::make_unique<httplib::Server>()) {
  httplib::Server& s = *http_;
  const int hilos = config.hilos;
  s.new_task_queue = [hilos] { return new httplib::ThreadPool(static_cast<size_t>(hilos)); };
  s.set_payload_max_length(static_cast<size_t>(config.cuerpoMaximo));
  s.set_keep_alive_max_count(100);
  // An idle kept-alive connection holds a worker, and a stop waits for it: keep them short.
  s.set_keep_alive_timeout(2);
  s.set_read_timeout(10, 0);
  s.set_write_timeout(10, 0);

  s.Post(R"(/api/(subida|nube|borrar)\.php)",
         [this](const httplib::Request& req, httplib::Response& res) {
           if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
             const bool ingles = prefiereIngles(req);
             res.status = 415;
             res.set_content(json({{QStringLiteral("motivo"), QStringLiteral("peticion_invalida")},
                                   {QStringLiteral("mensaje"),
                                    ingles ? QStringLiteral("The request must be JSON.")
                                           : QStringLiteral("La petición debe ser JSON.")}}),
                             "application/json");
             return;
           }
           const Respuesta r = servicio_.atender(QString::fromStdString(req.matches[1].str()),
                                                 QByteArray::fromStdString(req.body));
           res.status = r.estado;
           res.set_content(json(r.cuerpo), "application/json");
         });
  s.Get(R"(/f/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
    const std::optional<QUrl> destino =
        servicio_.destinoDelEnlace(QString::fromStdString(req.matches[1].str()));
    if (!destino) {
      res.status = 404;
      res.set_content("This link has expired or never existed.\n", "text/plain; charset=utf-8");
      return;
    }
    res.set_redirect(destino->toString(QUrl::FullyEncoded).toStdString(), 302);
    res.set_header("Cache-Control", "no-store");
  });
  s.Get("/salud", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("ok\n", "text/plain");
  });

  // Every refusal that no handler wrote (an unknown path, a body over the limit) is JSON too,
  // so the app can always read it.
  s.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
    if (!res.body.empty()) return;
    const bool ingles = prefiereIngles(req);
    const bool grande = res.status == 413;
    const char* motivo = grande              ? "peticion_grande"
                         : res.status == 404 ? "no_existe"
                                             : "peticion_invalida";
    const QString mensaje =
        grande ? (ingles ? QStringLiteral("The request is too large.")
                         : QStringLiteral("La petición es demasiado grande."))
        : res.status == 404
            ? (ingles ? QStringLiteral("Nothing here.") : QStringLiteral("Aquí no hay nada."))
            : (ingles ? QStringLiteral("Bad request.") : QStringLiteral("Petición no válida."));
    res.set_content(json({{QStringLiteral("motivo"), QString::fromLatin1(motivo)},
                          {QStringLiteral("mensaje"), mensaje}}),
                    "application/json");
  });
  s.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
    registrar(QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString() + ' ' +
              req.remote_addr + ' ' + req.method + ' ' + rutaParaElRegistro(req.path) + ' ' +
              std::to_string(res.status) + ' ' + std::to_string(req.body.size()) + "B in " +
              std::to_string(res.body.size()) + "B out");
  });
}

ServidorHttp::~ServidorHttp() = default;

void ServidorHttp::registrar(const std::string& linea) {
  std::lock_guard lock(mutexRegistro_);
  registro_ << linea << std::endl;
}

int ServidorHttp::enlazar() {
  const std::string host = config_.escuchar.toStdString();
  const int puerto = config_.puerto == 0                         ? http_->bind_to_any_port(host)
                     : http_->bind_to_port(host, config_.puerto) ? config_.puerto
                                                                 : -1;
  if (puerto > 0) ampliarCola(puerto);
  return puerto;
}

bool ServidorHttp::atender() {
  return http_->listen_after_bind();
}

void ServidorHttp::detener() {
  http_->stop();
}

}  // namespace corvalin::nube
