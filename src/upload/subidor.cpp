#include "upload/subidor.h"

#include "core/texts.h"
#include "platform/clipboard.h"
#include "platform/main_thread.h"
#include "upload/s3_uploader.h"
#include "upload/subidas_en_curso.h"

namespace corvalin::Subidor {

QString titulo(DestinoDeSubida destino) {
  return destino == DestinoDeSubida::nube ? L("Subir a la nube") : L("Subir a mi S3");
}

Entorno entornoDelSistema() {
  return {Settings::shared(), SubidasEnCurso::shared(),
          [] { return configDeNube(Settings::shared()); }};
}

void subirEnSegundoPlano(const Entorno& entorno, const Cuerpo& cuerpo, const QString& tipo,
                         const QString& extension, const QString& nombre,
                         std::function<void(const ResultadoDeSubida&)> completion) {
  // Whatever sender runs now (the first attempt, a retry, the hosted slot's PUT) is the bridge's
  // real one, so cancelling before anything started still stops it when it does.
  const std::shared_ptr<Enviador> puente = Enviador::puente();
  SubidasEnCurso* subidas = &entorno.subidas;
  Settings* settings = &entorno.settings;
  const std::shared_ptr<SubidaEnCurso> entrada =
      subidas->agregar(nombre, cuerpo.bytes(), [puente] { puente->cancelar(); });

  auto entregado = std::make_shared<bool>(false);
  auto entregar = [subidas, entrada, completion, entregado](const ResultadoDeSubida& r) {
    if (*entregado) return;
    *entregado = true;
    subidas->quitar(entrada);
    completion(r);
  };
  auto progreso = [subidas, entrada](double fraccion) {
    subidas->ponerProgreso(entrada, fraccion);
  };

  const DestinoDeSubida destino = settings->uploadTarget();
  const QString nombreDelDestino = corvalin::titulo(destino);
  if (destino == DestinoDeSubida::nube) {
    NubeUploader::subir(entorno.nube ? entorno.nube() : ConfigDeNube{}, cuerpo, tipo, progreso,
                        puente, [entregar, nombreDelDestino](const Resultado<SubidaHecha>& r) {
                          enMain([entregar, nombreDelDestino, r] {
                            ResultadoDeSubida final = r;
                            if (auto* hecha = std::get_if<SubidaHecha>(&final)) {
                              hecha->titulo = nombreDelDestino;
                            }
                            entregar(final);
                          });
                        });
    return;
  }

  const QString key =
      S3Uploader::makeKey(settings->d().string(QStringLiteral("prefix")), extension);
  S3Uploader::send(cuerpo, key, tipo, settings->s3(), false, progreso, puente,
                   [entregar, settings, nombreDelDestino](const Resultado<UploadResult>& r) {
                     enMain([entregar, settings, nombreDelDestino, r] {
                       if (const auto* error = std::get_if<ErrorDeSubida>(&r)) {
                         entregar(*error);
                         return;
                       }
                       const UploadResult& hecho = std::get<UploadResult>(r);
                       // Public-read is off for good: later uploads need no retry.
                       if (hecho.droppedACL) settings->d().set(QStringLiteral("acl"), QString());
                       entregar(SubidaHecha{hecho.url, {}, nombreDelDestino});
                     });
                   });
}

void subirEnSegundoPlano(const Cuerpo& cuerpo, const QString& tipo, const QString& extension,
                         const QString& nombre,
                         std::function<void(const ResultadoDeSubida&)> completion) {
  subirEnSegundoPlano(entornoDelSistema(), cuerpo, tipo, extension, nombre, std::move(completion));
}

}  // namespace corvalin::Subidor

namespace corvalin {

std::optional<QString> atenderResultado(const ResultadoDeSubida& resultado, Clipboard& portapapeles,
                                        const MostrarAviso& aviso) {
  if (const auto* hecha = std::get_if<SubidaHecha>(&resultado)) {
    portapapeles.ponerTexto(hecha->url.toString(QUrl::FullyEncoded));
    if (aviso) {
      aviso(hecha->titulo, hecha->aviso.isEmpty() ? L("URL copiada al portapapeles") : hecha->aviso,
            QStringLiteral("icloud.and.arrow.up.fill"));
    }
    return std::nullopt;
  }
  const ErrorDeSubida& error = std::get<ErrorDeSubida>(resultado);
  if (error.esCancelacion()) return std::nullopt;
  return error.descripcion();
}

}  // namespace corvalin
