#include "carga.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>
#include <mutex>
#include <thread>

#include "nube_local.h"

namespace corvalin::prueba {

ResultadoDeCarga cargar(const QString& base, const GatewayS3& s3, const Carga& carga) {
  ResultadoDeCarga resultado;
  resultado.clientes.resize(static_cast<size_t>(carga.clientes));
  std::mutex mutex;
  const QString corrida = QUuid::createUuid().toString(QUuid::Id128).left(12);
  QElapsedTimer reloj;
  reloj.start();
  const qint64 fin = static_cast<qint64>(carga.segundos * 1000);
  auto problema = [&](const char* que, const Contestacion& c) {
    std::lock_guard lock(mutex);
    if (resultado.problemas.size() < 50) {
      resultado.problemas << QStringLiteral("%1: %2 %3%4")
                                 .arg(QLatin1String(que))
                                 .arg(c.estado)
                                 .arg(QString::fromUtf8(c.cuerpo), QString::fromStdString(c.error));
    }
  };

  std::vector<std::thread> hilos;
  for (int i = 0; i < carga.clientes; ++i) {
    hilos.emplace_back([&, i] {
      PorCliente& yo = resultado.clientes[static_cast<size_t>(i)];
      const QString cuenta = QStringLiteral("carga-%1-%2").arg(corrida).arg(i);
      const QUrl subida(base + QStringLiteral("/api/subida.php"));
      for (int64_t n = 0; reloj.elapsed() < fin; ++n) {
        // A body that tells its client and its count apart from every other.
        const QByteArray cuerpo = QStringLiteral("%1/%2 ").arg(i).arg(n).toLatin1().leftJustified(
            carga.soloRanuras ? 0 : carga.bytes, '.');
        if (carga.directo) {
          const QString objeto = QStringLiteral("directo/%1/%2/%3").arg(corrida).arg(i).arg(n);
          const int estado = subirDirecto(s3, objeto, cuerpo);
          if (estado != 200) problema("direct PUT", {estado, {}, {}, {}});
          yo.subidas += estado == 200;
          borrarDelGateway(s3, objeto);
          continue;
        }
        const QByteArray pedido =
            QJsonDocument(QJsonObject{{QStringLiteral("cuenta"), cuenta},
                                      {QStringLiteral("bytes"), double(carga.bytes)},
                                      {QStringLiteral("tipo"), QStringLiteral("image/png")}})
                .toJson(QJsonDocument::Compact);
        const Contestacion ranura = pedir("POST", subida, pedido);
        if (ranura.estado != 200) {
          problema("slot", ranura);
          continue;
        }
        ++yo.ranuras;
        if (carga.soloRanuras) continue;
        const QJsonObject permiso = QJsonDocument::fromJson(ranura.cuerpo).object();
        const QUrl put(permiso.value(QStringLiteral("put")).toString(), QUrl::StrictMode);
        const Contestacion subidaHecha = pedir("PUT", put, cuerpo, {{"Content-Type", "image/png"}});
        if (subidaHecha.estado != 200) {
          problema("PUT", subidaHecha);
          continue;
        }
        ++yo.subidas;
        if (yo.primerEnlace.isEmpty()) {
          yo.primerEnlace = permiso.value(QStringLiteral("url")).toString();
          yo.primerCuerpo = cuerpo;
        } else if (!borrarDelGateway(s3, permiso.value(QStringLiteral("objeto")).toString())) {
          problema("could not delete from the store", {});
        }
      }
    });
  }
  for (std::thread& h : hilos) h.join();
  resultado.segundos = reloj.elapsed() / 1000.0;
  for (const PorCliente& c : resultado.clientes) {
    resultado.ranuras += c.ranuras;
    resultado.subidas += c.subidas;
  }
  return resultado;
}

}  // namespace corvalin::prueba
