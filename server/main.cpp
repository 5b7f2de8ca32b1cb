// corvalin-cloud: Corvalin's hosted upload service, to run yourself in front of any
// S3-compatible store.
//   corvalin-cloud [--config FILE] [--check]
// The file may also be named by CORVALIN_CLOUD_CONFIG; see README for its keys.
#include <signal.h>
#include <sys/stat.h>

#include <QFile>
#include <QString>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <thread>

#include "almacen.h"
#include "configuracion.h"
#include "objetos.h"
#include "servicio.h"
#include "servidor_http.h"

using namespace corvalin::nube;

namespace {

int uso() {
  std::cerr << "usage: corvalin-cloud [--config FILE] [--check]\n";
  return 2;
}

void avisar(const QString& texto) {
  std::cerr << "corvalin-cloud: " << texto.toStdString() << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
  QString ruta = qEnvironmentVariable("CORVALIN_CLOUD_CONFIG");
  bool soloComprobar = false;
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if (arg == QLatin1String("--config") && i + 1 < argc) {
      ruta = QString::fromLocal8Bit(argv[++i]);
    } else if (arg == QLatin1String("--check")) {
      soloComprobar = true;
    } else {
      return uso();
    }
  }

  QByteArray texto;
  if (!ruta.isEmpty()) {
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly)) {
      avisar(QStringLiteral("cannot read %1: %2").arg(ruta, archivo.errorString()));
      return 1;
    }
    texto = archivo.readAll();
    struct stat st {};
    if (texto.contains("secret_key") && ::stat(QFile::encodeName(ruta).constData(), &st) == 0 &&
        (st.st_mode & 0077) != 0) {
      avisar(QStringLiteral("%1 holds the store's secret and others can read it (chmod 600 it)")
                 .arg(ruta));
    }
  }
  auto leida = leerConfiguracion(texto, entornoDelProceso());
  if (const auto* error = std::get_if<QString>(&leida)) {
    avisar((ruta.isEmpty() ? QString() : ruta + QStringLiteral(": ")) + *error);
    return 1;
  }
  Configuracion config = std::get<Configuracion>(std::move(leida));
  if (soloComprobar) {
    std::cout << "corvalin-cloud: the configuration is valid\n";
    return 0;
  }

  if (const QString problema = prepararBucket(config, 60); !problema.isEmpty()) {
    avisar(problema);
    return 1;
  }
  auto abierto = Almacen::abrir(config.datos);
  if (const auto* error = std::get_if<QString>(&abierto)) {
    avisar(*error);
    return 1;
  }
  std::unique_ptr<Almacen> almacen = std::get<std::unique_ptr<Almacen>>(std::move(abierto));

  // SIGTERM, SIGINT and SIGHUP are taken by one thread, which stops the server gracefully.
  sigset_t senales;
  sigemptyset(&senales);
  for (const int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&senales, s);
  pthread_sigmask(SIG_BLOCK, &senales, nullptr);
  signal(SIGPIPE, SIG_IGN);

  ObjetosS3 objetos(config);
  Servicio servicio(config, *almacen, objetos);
  ServidorHttp http(config, servicio, std::cerr);
  const int puerto = http.enlazar();
  if (puerto < 0) {
    avisar(QStringLiteral("cannot listen on %1:%2").arg(config.escuchar).arg(config.puerto));
    return 1;
  }
  config.puerto = puerto;
  if (config.direccionPublica.isEmpty() && config.basePublica.isEmpty() &&
      (config.escuchar == QLatin1String("0.0.0.0") || config.escuchar == QLatin1String("::"))) {
    avisar(QStringLiteral("links will read http://%1:%2/…, which nobody can open: set "
                          "direccion_publica to the address people reach")
               .arg(config.escuchar)
               .arg(puerto));
  }

  std::mutex mutex;
  std::condition_variable despertar;
  bool parar = false;
  // The expiry sweep: at start, then every barrido_segundos.
  std::thread barrendero([&] {
    std::unique_lock lock(mutex);
    do {
      lock.unlock();
      const Servicio::Barrido b = servicio.barrer();
      if (b.caducados + b.confirmados + b.abandonados + b.fallidos > 0) {
        avisar(QStringLiteral("sweep: %1 expired deleted, %2 uploads confirmed, %3 unused slots "
                              "released, %4 left for the next sweep (the store did not answer)")
                   .arg(b.caducados)
                   .arg(b.confirmados)
                   .arg(b.abandonados)
                   .arg(b.fallidos));
      }
      lock.lock();
    } while (!despertar.wait_for(lock, std::chrono::seconds(config.barridoSegundos),
                                 [&] { return parar; }));
  });
  std::thread vigia([&] {
    int senal = 0;
    sigwait(&senales, &senal);
    avisar(QStringLiteral("stopping (signal %1)").arg(senal));
    {
      std::lock_guard lock(mutex);
      parar = true;
    }
    despertar.notify_all();
    http.detener();
  });

  std::cout << "corvalin-cloud: listening on http://" << config.escuchar.toStdString() << ':'
            << puerto << std::endl;
  const bool bien = http.atender();
  if (!bien) {
    // The listener failed on its own: wake the signal thread so everything can end.
    kill(getpid(), SIGTERM);
  }
  vigia.join();
  barrendero.join();
  return bien ? 0 : 1;
}
