// Why the hosted upload service refused or failed a request, with the text the user reads.
#pragma once

#include <QJsonObject>
#include <QString>
#include <cstdint>

namespace corvalin {

struct NubeError {
  enum class Caso {
    limiteDiario,     // "limite_diario": today's uploads are used up
    cuotaLlena,       // "cuota_llena": the storage quota is full
    archivoGrande,    // "archivo_grande": the file is over the plan's maximum
    videoNoIncluido,  // "video_no_incluido"
    tipoNoPermitido,  // "tipo_no_permitido"
    servidor,         // anything else: `mensaje`, or a generic server error
    sinServidor,      // no service address is set up on this installation
  };

  Caso caso = Caso::servidor;
  int64_t limite = 0;
  QString renueva;
  int64_t usado = 0;
  int64_t cuota = 0;
  int64_t maximo = 0;
  QString mensaje;

  static NubeError servidor(const QString& mensaje = {}) {
    NubeError e;
    e.mensaje = mensaje;
    return e;
  }
  // The case chosen by the reply's "motivo", with the fields it names.
  static NubeError desdeRespuesta(const QJsonObject& respuesta);

  QString descripcion() const;
};

}  // namespace corvalin
