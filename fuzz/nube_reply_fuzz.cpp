// The hosted service's replies, whatever they hold: read as a reply with a status, then as an
// upload slot, the account's state and an error.
#include <cstdint>

#include "upload/nube_error.h"
#include "upload/nube_uploader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  corvalin::RespuestaHttp respuesta;
  respuesta.estado = 200 + data[0] % 4 * 100;  // 200, 300, 400 or 500
  respuesta.datos =
      QByteArray(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
  const auto leida = corvalin::NubeUploader::leerRespuesta(respuesta);
  if (const QJsonObject* objeto = std::get_if<QJsonObject>(&leida)) {
    (void)corvalin::NubeUploader::leerPermiso(*objeto);
    (void)corvalin::NubeUploader::leerEstado(*objeto);
    (void)corvalin::NubeError::desdeRespuesta(*objeto);
  }
  return 0;
}
