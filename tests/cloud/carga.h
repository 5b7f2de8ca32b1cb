// Many clients at once against corvalin-cloud, each on its own connection and account: ask
// for a slot, PUT the file there, again until the time is up. Shared by the load test and the
// benchmark.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "apoyo.h"

namespace corvalin::prueba {

struct Carga {
  int clientes = 50;
  double segundos = 30;
  int64_t bytes = 1 << 20;
  bool soloRanuras = false;  // ask for slots and upload nothing
  bool directo = false;      // signed PUTs straight into the bucket, no server
};

struct PorCliente {
  int64_t ranuras = 0;
  int64_t subidas = 0;
  QString primerEnlace;  // the first upload's link, kept in the store
  QByteArray primerCuerpo;
};

struct ResultadoDeCarga {
  std::vector<PorCliente> clientes;
  int64_t ranuras = 0;
  int64_t subidas = 0;
  double segundos = 0;
  QStringList problemas;  // every request that failed, with why
};

// `base`: the server's address (unused when `directo`). After each upload but the first, the
// object is deleted straight from the store, so the gateway's memory stays bounded.
ResultadoDeCarga cargar(const QString& base, const GatewayS3& s3, const Carga& carga);

}  // namespace corvalin::prueba
