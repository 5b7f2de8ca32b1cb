// corvalin-cloud over HTTP: the three operations at /api/<name>.php, the links at /f/<key>, a
// health check at /salud, bounded request bodies, and one log line per request (never a body,
// an account or a link's key).
#pragma once

#include <iosfwd>
#include <memory>
#include <mutex>

#include "configuracion.h"
#include "servicio.h"

namespace httplib {
class Server;
}

namespace corvalin::nube {

class ServidorHttp {
 public:
  ServidorHttp(const Configuracion& config, Servicio& servicio, std::ostream& registro);
  ~ServidorHttp();
  // Binds the configured address; the port bound (the chosen one for port 0), or -1.
  int enlazar();
  // Answers until detener(); false when it could not listen.
  bool atender();
  // Stops taking requests; those in flight finish first.
  void detener();

 private:
  void registrar(const std::string& linea);

  const Configuracion& config_;
  Servicio& servicio_;
  std::ostream& registro_;
  std::mutex mutexRegistro_;
  std::unique_ptr<httplib::Server> http_;
};

}  // namespace corvalin::nube
