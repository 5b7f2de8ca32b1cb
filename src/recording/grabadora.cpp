#include "recording/grabadora.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QUuid>

#include "core/texts.h"
#include "platform/main_thread.h"
#include "platform/private_folder.h"
#include "platform/screen_map.h"
#include "platform/serial_queue.h"
#include "recording/output_size.h"
#include "recording/recording_session.h"

namespace corvalin {
namespace {

QString textoDe(const SesionDeGrabacion::Falla& f) {
  using Tipo = SesionDeGrabacion::Falla::Tipo;
  const QString detalle = QString::fromStdString(f.detalle);
  switch (f.tipo) {
    case Tipo::pantalla:
      return L("No encontré la pantalla que se iba a grabar");
    case Tipo::ventana:
      return L("Esa ventana ya no está en pantalla");
    case Tipo::vacia:
      return L("La grabación quedó vacía");
    case Tipo::archivo:
      return L("No se pudo crear el archivo del video: %@", detalle);
    case Tipo::codificador:
      return L("El codificador de video falló: %@", detalle);
    case Tipo::escritura:
      return L("No se pudo seguir escribiendo el video (¿disco lleno?): %@", detalle);
  }
  return detalle;
}

// What the stream reads and the size of the recording, or the reason there is none.
struct Plan {
  FuenteDeCuadros fuente;
  QSizeF puntos;  // logical size
};

std::optional<Plan> planear(const ObjetivoDeGrabacion& objetivo, FlujoDePantalla& medidor,
                            QString* error) {
  const MapaDePantallas mapa = MapaDePantallas::actual();
  if (const auto* area = std::get_if<ObjetivoArea>(&objetivo)) {
    const PantallaEnMapa* pantalla = mapa.porNombre(area->pantalla);
    if (pantalla == nullptr && !mapa.pantallas().empty()) pantalla = &mapa.pantallas().front();
    if (pantalla == nullptr) {
      *error = L("No encontré la pantalla que se iba a grabar");
      return std::nullopt;
    }
    const QRect raiz =
        MapaDePantallas::rectEnRaiz(*pantalla, area->rect).intersected(pantalla->raiz());
    if (raiz.isEmpty()) {
      *error = L("No encontré la pantalla que se iba a grabar");
      return std::nullopt;
    }
    return Plan{AreaDeRaiz{raiz.x(), raiz.y(), raiz.width(), raiz.height()},
                QSizeF(area->rect.size())};
  }
  const uint32_t id = std::get<ObjetivoVentana>(objetivo).ventana;
  const std::optional<AreaDeRaiz> donde = medidor.medir(id);
  if (!donde || donde->ancho < 1 || donde->alto < 1) {
    *error = L("Esa ventana ya no está en pantalla");
    return std::nullopt;
  }
  const QRect raiz(donde->x, donde->y, donde->ancho, donde->alto);
  const PantallaEnMapa* pantalla = mapa.enRaiz(raiz.center());
  const QSizeF puntos = pantalla ? QSizeF(MapaDePantallas::rectEnLogico(*pantalla, raiz).size())
                                 : QSizeF(raiz.size());
  return Plan{VentanaDeRaiz{id}, puntos};
}

}  // namespace

GrabadoraDePantalla::GrabadoraDePantalla(Servicios servicios)
    : servicios_(std::move(servicios)),
      cola_(std::make_unique<SerialQueue>("corvalin.grabacion")) {}

GrabadoraDePantalla::~GrabadoraDePantalla() {
  // A recording still running is finished so that its file is whole.
  if (sesion_) cola_->sync([s = sesion_] { s->terminar(); });
}

void GrabadoraDePantalla::start(const ObjetivoDeGrabacion& objetivo,
                                const AjustesDeGrabacion& ajustes,
                                std::function<void(std::optional<QString>)> completion) {
  if (grabando_ || arrancando_) {
    enMain([completion] { completion(std::nullopt); });
    return;
  }
  std::unique_ptr<FlujoDePantalla> medidor = servicios_.flujo ? servicios_.flujo() : nullptr;
  QString error = L("No encontré la pantalla que se iba a grabar");
  const std::optional<Plan> plan = medidor ? planear(objetivo, *medidor, &error) : std::nullopt;
  if (!plan) {
    enMain([completion, error] { completion(error); });
    return;
  }
  medidas_ = tamanoDeSalida(plan->puntos.width(), plan->puntos.height(), ajustes.escala,
                            ajustes.anchoMaximo);
  const QString carpeta = servicios_.carpeta.isEmpty() ? carpetaPrivada() : servicios_.carpeta;
  const QString nombre = QStringLiteral("Corvalin-%1.mp4")
                             .arg(QUuid::createUuid().toString(QUuid::WithoutBraces).left(8));
  SesionDeGrabacion::Config config;
  config.fuente = plan->fuente;
  config.ancho = medidas_.width();
  config.alto = medidas_.height();
  config.fps = ajustes.fps;
  config.cursor = ajustes.muestraCursor;
  config.sistema = incluyeSistema(ajustes.audio);
  config.microfono = incluyeMicrofono(ajustes.audio);
  config.ruta = QDir(carpeta).filePath(nombre).toStdString();
  // What is being recorded is readable by its owner alone until it is saved somewhere.
  crearArchivoPrivado(QString::fromStdString(config.ruta));
  config.preset = servicios_.preset;
  config.flujo = servicios_.flujo;
  auto sesion = std::make_shared<SesionDeGrabacion>(std::move(config));
  arrancando_ = true;
  // The session's threads only post a message to the main thread.
  sesion->alInterrumpirse = [this, sesion = std::weak_ptr(sesion)] {
    enMain([this, sesion] {
      if (sesion.lock() == sesion_ && grabando_ && alInterrumpirse) alInterrumpirse();
    });
  };
  cola_->async([this, sesion, completion] {
    SesionDeGrabacion::Falla falla;
    const bool bien = sesion->arrancar(&falla);
    // A session that never started leaves no empty file behind.
    if (!bien) QFile::remove(QString::fromStdString(sesion->ruta()));
    enMain([this, sesion, completion, bien, falla] {
      arrancando_ = false;
      if (!bien) {
        completion(textoDe(falla));
        return;
      }
      sesion_ = sesion;
      grabando_ = true;
      if (!sesion->sinSonido().empty() && servicios_.avisar) {
        servicios_.avisar(L("Se graba sin sonido"), L("No se pudo oír el sonido: %@",
                                                      QString::fromStdString(sesion->sinSonido())));
      }
      completion(std::nullopt);
    });
  });
}

void GrabadoraDePantalla::stop(std::function<void(const GrabacionTerminada&)> completion) {
  if (!grabando_ || !sesion_) {
    enMain([completion] { completion(GrabacionTerminada{{}, {}, L("La grabación quedó vacía")}); });
    return;
  }
  grabando_ = false;
  std::shared_ptr<SesionDeGrabacion> sesion = std::move(sesion_);
  const QSize medidas = medidas_;
  cola_->async([sesion, completion, medidas] {
    const SesionDeGrabacion::Resultado r = sesion->terminar();
    GrabacionTerminada t;
    t.medidas = medidas;
    if (r.archivo) t.archivo = QString::fromStdString(sesion->ruta());
    if (r.falla) t.error = textoDe(*r.falla);
    enMain([completion, t] { completion(t); });
  });
}

bool GrabadoraDePantalla::pausado() const {
  return sesion_ && sesion_->pausada();
}

void GrabadoraDePantalla::dejarFuera(std::vector<uint32_t> ventanas) {
  if (sesion_) sesion_->dejarFuera(std::move(ventanas));
}

void GrabadoraDePantalla::pausar() {
  if (grabando_ && sesion_) sesion_->pausar();
}

void GrabadoraDePantalla::continuar() {
  if (sesion_) sesion_->continuar();
}

double GrabadoraDePantalla::duracionGrabada() const {
  return sesion_ ? static_cast<double>(sesion_->duracionUs()) / 1e6 : 0.0;
}

}  // namespace corvalin
