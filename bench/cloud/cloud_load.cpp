// corvalin-cloud under load, beside the same store without it, in one run on the session's S3
// gateway: slot requests a second (50 clients asking for slots only), upload throughput through
// presigned slots against signed PUTs straight into the bucket (50 clients, 1 MB files), and
// the server's resident memory idle and under the load.
//   bench_cloud_load [SECONDS]      inside scripts/test-session; SECONDS for each way of uploading,
//                                   a third of it for the slot requests
#include <QCoreApplication>
#include <QFile>
#include <atomic>
#include <cstdio>
#include <thread>

#include "carga.h"
#include "nube_local.h"

using namespace corvalin;

namespace {

int64_t residenteKb(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& linea : status.readAll().split('\n')) {
    if (linea.startsWith("VmRSS:")) return linea.mid(6).trimmed().split(' ').first().toLongLong();
  }
  return 0;
}

void informar(const char* que, const prueba::ResultadoDeCarga& r, int64_t bytes) {
  std::printf("%-34s %8.1f /s   %8.1f MB/s   %6lld done   %lld failed\n", que,
              double(r.subidas ? r.subidas : r.ranuras) / r.segundos,
              double(r.subidas) * double(bytes) / r.segundos / (1 << 20),
              static_cast<long long>(r.subidas ? r.subidas : r.ranuras),
              static_cast<long long>(r.problemas.size()));
  for (const QString& p : r.problemas.mid(0, 3)) std::printf("    %s\n", qPrintable(p.left(160)));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const double segundos = argc > 1 ? std::atof(argv[1]) : 30;
  QString porQue;
  bool fallo = false;
  const auto s3 = prueba::gateway(&porQue, &fallo);
  if (!s3) {
    std::fprintf(stderr, "bench_cloud_load: %s\n", qPrintable(porQue));
    return 1;
  }
  prueba::NubeLocal servidor(
      *s3, QStringLiteral("[servidor]\npeticiones_por_minuto = 1000000\nhilos = 64\n"
                          "[plan gratis]\ncuota = 1000G\ndiario = 10000000\nmaximo = 2M\n"));
  if (!servidor.arrancar()) {
    std::fprintf(stderr, "bench_cloud_load: the server did not start\n%s",
                 qPrintable(servidor.registro()));
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const int64_t inactivo = residenteKb(servidor.pid());

  std::printf("corvalin-cloud against the session's S3 gateway, 50 clients, %.0f s each\n\n",
              segundos);
  prueba::Carga ranuras;
  ranuras.soloRanuras = true;
  ranuras.segundos = segundos / 3;
  informar("slot requests", prueba::cargar(servidor.base(), *s3, ranuras), 0);

  std::atomic<bool> midiendo{true};
  int64_t maximo = 0;
  std::vector<int64_t> muestras;
  std::thread medidor([&] {
    while (midiendo) {
      const int64_t kb = residenteKb(servidor.pid());
      maximo = std::max(maximo, kb);
      muestras.push_back(kb);
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
  });
  // The two ways in turn, twice (ABBA): the store slows as it fills and collects garbage, and
  // neither should have the fresher store.
  prueba::Carga porRanuras;
  porRanuras.segundos = segundos / 2;
  prueba::Carga directo = porRanuras;
  directo.directo = true;
  for (const bool primeroRanuras : {true, false}) {
    for (const bool ranurasAhora : {primeroRanuras, !primeroRanuras}) {
      if (ranurasAhora) {
        informar("1 MB uploads through slots", prueba::cargar(servidor.base(), *s3, porRanuras),
                 porRanuras.bytes);
      } else {
        informar("1 MB signed PUTs, no server", prueba::cargar({}, *s3, directo), directo.bytes);
      }
    }
  }
  midiendo = false;
  medidor.join();

  const size_t n = muestras.size();
  std::printf(
      "\nserver resident memory: idle %lld KB; under load max %lld KB, at 1/3 %lld KB, at the end "
      "%lld KB\n",
      static_cast<long long>(inactivo), static_cast<long long>(maximo),
      static_cast<long long>(n ? muestras[n / 3] : 0),
      static_cast<long long>(n ? muestras[n - 1] : 0));
  return servidor.detener() == 0 ? 0 : 1;
}
