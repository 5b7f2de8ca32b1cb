// The one way the editor and the review window upload a file: picks the destination from the
// settings, lists the upload in SubidasEnCurso (with progress and a cancel action) and delivers
// one result on the main thread. Also what both callers do with that result.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "core/settings.h"
#include "upload/enviador.h"
#include "upload/error_de_subida.h"
#include "upload/nube_uploader.h"

namespace corvalin {

class Clipboard;
class SubidasEnCurso;

using ResultadoDeSubida = Resultado<SubidaHecha>;

namespace Subidor {

// The upload action's label for a destination.
QString titulo(DestinoDeSubida destino);

// What an upload reads and where it is listed. The references must outlive every upload.
struct Entorno {
  Settings& settings;
  SubidasEnCurso& subidas;
  std::function<ConfigDeNube()> nube;
};
// The shared settings and list, with the hosted service as configured.
Entorno entornoDelSistema();

// Returns at once. `nombre` is what the menu shows; `extension` has no dot. `completion` runs
// exactly once, on the main thread; the entry leaves the list just before.
void subirEnSegundoPlano(const Entorno& entorno, const Cuerpo& cuerpo, const QString& tipo,
                         const QString& extension, const QString& nombre,
                         std::function<void(const ResultadoDeSubida&)> completion);
void subirEnSegundoPlano(const Cuerpo& cuerpo, const QString& tipo, const QString& extension,
                         const QString& nombre,
                         std::function<void(const ResultadoDeSubida&)> completion);

}  // namespace Subidor

using MostrarAviso =
    std::function<void(const QString& titulo, const QString& detalle, const QString& simbolo)>;

// What the editor and the review window do with a finished upload: on success the link replaces
// the clipboard and a toast confirms it; a cancellation is silent. Returns the error text the
// caller shows in its own words, or nothing.
std::optional<QString> atenderResultado(const ResultadoDeSubida& resultado, Clipboard& portapapeles,
                                        const MostrarAviso& aviso);

}  // namespace corvalin
