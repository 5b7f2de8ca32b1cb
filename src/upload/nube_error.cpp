#include "upload/nube_error.h"

#include "core/texts.h"
#include "upload/subidas_en_curso.h"

namespace corvalin {

NubeError NubeError::desdeRespuesta(const QJsonObject& r) {
  NubeError e;
  const QString motivo = r.value(QStringLiteral("motivo")).toString();
  auto entero = [&r](const char* campo) {
    return static_cast<int64_t>(r.value(QLatin1String(campo)).toDouble());
  };
  if (motivo == QLatin1String("limite_diario")) {
    e.caso = Caso::limiteDiario;
    e.limite = entero("limite");
    e.renueva = r.value(QStringLiteral("renueva")).toVariant().toString();
  } else if (motivo == QLatin1String("cuota_llena")) {
    e.caso = Caso::cuotaLlena;
    e.usado = entero("usado");
    e.cuota = entero("cuota");
  } else if (motivo == QLatin1String("archivo_grande")) {
    e.caso = Caso::archivoGrande;
    e.maximo = entero("maximo");
  } else if (motivo == QLatin1String("video_no_incluido")) {
    e.caso = Caso::videoNoIncluido;
  } else if (motivo == QLatin1String("tipo_no_permitido")) {
    e.caso = Caso::tipoNoPermitido;
  } else {
    e.mensaje = r.value(QStringLiteral("mensaje")).toString();
  }
  return e;
}

QString NubeError::descripcion() const {
  switch (caso) {
    case Caso::limiteDiario:
      return L("Ya subiste tus %@ capturas de hoy.", QString::number(limite));
    case Caso::cuotaLlena:
      return L("Tu nube está llena: %@ de %@.", tamanoDeArchivo(usado), tamanoDeArchivo(cuota));
    case Caso::archivoGrande:
      return L("El archivo pasa de %@.", tamanoDeArchivo(maximo));
    case Caso::videoNoIncluido:
      return L("Los videos no entran en tu plan.");
    case Caso::tipoNoPermitido:
      return L("Eso no se puede subir a la nube de Corvalin.");
    case Caso::sinServidor:
      return L(
          "La nube de Corvalin no está configurada en este equipo: falta la dirección del "
          "servidor.");
    case Caso::servidor:
      break;
  }
  return mensaje.isEmpty() ? L("Error del servidor") : mensaje;
}

}  // namespace corvalin
