#include "app/recording_flow.h"

#include <QEventLoop>
#include <QPointer>

#include "app/status_item.h"
#include "core/texts.h"
#include "platform/main_thread.h"

namespace corvalin {
FlujoDeGrabacion::FlujoDeGrabacion(Piezas& piezas, Enlaces enlaces)
    : piezas_(piezas), enlaces_(std::move(enlaces)) {
  // A recording that can't go on (its window closed, the disk filled up) is stopped as the
  // user would, and the stop says why.
  QPointer<FlujoDeGrabacion> self(this);
  piezas_.grabadora->alInterrumpirse = [self] {
    if (self && self->grabando()) self->stopRecording();
  };
  cronometro_.setInterval(500);
  connect(&cronometro_, &QTimer::timeout, this, [this] {
    refrescarBotonDePausa();
    enlaces_.refrescar();
  });
}

FlujoDeGrabacion::~FlujoDeGrabacion() = default;

bool FlujoDeGrabacion::grabando() const {
  return piezas_.grabadora->grabando();
}
bool FlujoDeGrabacion::pausado() const {
  return grabando() && piezas_.grabadora->pausado();
}

QString FlujoDeGrabacion::tiempo() const {
  if (!inicioGrabacion_) return {};
  return tiempoGrabado(piezas_.grabadora->duracionGrabada());
}

void FlujoDeGrabacion::comando(CaptureMode mode) {
  if (cuenta_ || recordSetup_)
    cancelarGrabacion();
  else if (grabando())
    stopRecording();
  else
    startRecording(mode);
}

void FlujoDeGrabacion::startRecording(CaptureMode mode) {
  if (grabando() || !piezas_.permisoDePantalla()) return;
  QPointer<FlujoDeGrabacion> self(this);
  switch (mode) {
    case CaptureMode::recordFullscreen: {
      const AreaElegida screen = piezas_.pantallaBajoElPuntero();
      prepararGrabacion(ObjetivoArea{screen.rect, screen.pantalla}, screen.rect, screen.pantalla);
      break;
    }
    case CaptureMode::recordWindow:
      piezas_.ventanas->pick(
          [self](const VentanaElegida& v) {
            if (self) self->prepararGrabacion(ObjetivoVentana{v.id}, v.marco, v.pantalla);
          },
          [] {});
      break;
    default:
      piezas_.areas->pick(
          [self](const AreaElegida& a) {
            if (self) self->prepararGrabacion(ObjetivoArea{a.rect, a.pantalla}, a.rect, a.pantalla);
          },
          [] {});
      break;
  }
}

void FlujoDeGrabacion::prepararGrabacion(ObjetivoDeGrabacion objetivo, QRect marco,
                                         QString pantalla) {
  if (recordSetup_) recordSetup_->ocultar();
  soltarDespues(recordSetup_);
  if (recordingFrame_) recordingFrame_->ocultar();
  soltarDespues(recordingFrame_);

  if (marco != piezas_.marcoDePantalla(pantalla) && piezas_.grabacion.frame) {
    recordingFrame_ = piezas_.grabacion.frame(marco);
    recordingFrame_->mostrar();
  }

  const bool esArea = std::holds_alternative<ObjetivoArea>(objetivo);
  QPointer<FlujoDeGrabacion> self(this);
  ManejadoresDeSetup handlers;
  handlers.grabar = [self, objetivo, marco, pantalla] {
    if (self) self->arrancarGrabacion(objetivo, marco, pantalla);
  };
  handlers.cancelar = [self] {
    if (self) self->cancelarGrabacion();
  };
  if (esArea) {
    handlers.cambiarCamara = [self, marco](FormaDeCamara forma) {
      if (self) self->ponerCamara(forma, marco);
    };
  }
  recordSetup_ = piezas_.grabacion.setupBar(objetivo, marco, handlers);
  recordSetup_->mostrar(pantalla);
  if (esArea) ponerCamara(Settings::shared().recordCameraShape(), marco);
  enlaces_.refrescar();
}

void FlujoDeGrabacion::cerrarCamara() {
  if (camara_) camara_->cerrar();
  soltarDespues(camara_);
}

void FlujoDeGrabacion::ponerCamara(FormaDeCamara forma, const QRect& sobre) {
  if (forma == FormaDeCamara::ninguna) {
    cerrarCamara();
    return;
  }
  if (camara_) {
    camara_->setForma(forma);
    return;
  }
  QPointer<FlujoDeGrabacion> self(this);
  piezas_.grabacion.camara(sobre, forma, [self](std::unique_ptr<CamaraFlotante> bubble) {
    if (!bubble) return;
    // The flow may have ended while the camera was starting.
    if (!self || !(self->recordSetup_ || self->cuenta_ || self->grabando())) {
      bubble->cerrar();
      return;
    }
    if (self->camara_) self->camara_->cerrar();
    self->camara_ = std::move(bubble);
  });
}

void FlujoDeGrabacion::arrancarGrabacion(ObjetivoDeGrabacion objetivo, QRect marco,
                                         QString pantalla) {
  if (cuenta_) return;
  if (recordSetup_) recordSetup_->ocultar();
  soltarDespues(recordSetup_);
  const qint64 delay = Settings::shared().d().integer(QStringLiteral("recordDelay"));
  if (delay < 1) {
    capturar(objetivo, marco, pantalla);
    return;
  }
  QPointer<FlujoDeGrabacion> self(this);
  cuenta_ = piezas_.cuentaRegresiva(static_cast<int>(std::min<qint64>(delay, 10)), marco, pantalla,
                                    [self, objetivo, marco, pantalla] {
                                      if (!self) return;
                                      soltarDespues(self->cuenta_);
                                      self->capturar(objetivo, marco, pantalla);
                                    });
  cuenta_->arrancar();
  enlaces_.refrescar();
}

void FlujoDeGrabacion::capturar(const ObjetivoDeGrabacion& objetivo, const QRect& marco,
                                const QString& pantalla) {
  QPointer<FlujoDeGrabacion> self(this);
  piezas_.grabadora->start(
      objetivo, Settings::shared().record(), [self, marco, pantalla](std::optional<QString> error) {
        if (!self) return;
        FlujoDeGrabacion& f = *self;
        if (error) {
          if (f.recordingFrame_) f.recordingFrame_->ocultar();
          soltarDespues(f.recordingFrame_);
          f.cerrarCamara();
          f.piezas_.alertas->mostrar(
              Alerta{L("No se pudo empezar a grabar"), *error, {}, Alerta::Estilo::aviso});
          f.enlaces_.refrescar();
          return;
        }
        f.inicioGrabacion_ = QDateTime::currentDateTime();
        if (Settings::shared().recordTimerPlacement() == LugarDelCronometro::barraDeMenus) {
          f.cronometro_.start();
          ManejadoresDePanel handlers;
          handlers.pausar = [self] {
            if (self) self->alternarPausa();
          };
          handlers.detener = [self] {
            if (self) self->stopRecording();
          };
          handlers.menu = [self] {
            if (self) self->enlaces_.desplegarMenu();
          };
          f.panelBarra_ = f.piezas_.grabacion.panel(
              handlers, f.enlaces_.dondeEstaLaBandeja ? f.enlaces_.dondeEstaLaBandeja() : QRect());
          if (const uint32_t id = f.panelBarra_->ventana()) f.piezas_.grabadora->dejarFuera({id});
          f.panelBarra_->mostrar();
          f.refrescarBotonDePausa();
        } else {
          ManejadoresDeBarra handlers;
          handlers.detener = [self] {
            if (self) self->stopRecording();
          };
          handlers.pausar = [self] {
            if (self) self->alternarPausa();
          };
          handlers.duracion = [self] {
            return self && self->grabando() ? self->piezas_.grabadora->duracionGrabada() : 0.0;
          };
          f.recordingBar_ = f.piezas_.grabacion.bar(RecordingBar::Modo::grabacion, handlers);
          // Where the bar can't keep off the recorded area, the video shows what it covers;
          // the recorder hears of it before the bar shows.
          if (const uint32_t id = f.recordingBar_->ventana()) f.piezas_.grabadora->dejarFuera({id});
          f.recordingBar_->mostrarJunto(marco, pantalla);
        }
        f.enlaces_.refrescar();
      });
}

void FlujoDeGrabacion::refrescarBotonDePausa() {
  if (panelBarra_) panelBarra_->actualizar(tiempo(), pausado(), enlaces_.atajoDePausa());
}

void FlujoDeGrabacion::alternarPausa() {
  if (!grabando()) return;
  if (piezas_.grabadora->pausado())
    piezas_.grabadora->continuar();
  else
    piezas_.grabadora->pausar();
  if (recordingBar_) recordingBar_->setPausado(piezas_.grabadora->pausado());
  refrescarBotonDePausa();
  enlaces_.refrescar();
}

void FlujoDeGrabacion::stopRecording() {
  if (cuenta_) cuenta_->cerrar();
  soltarDespues(cuenta_);
  if (recordingBar_) {
    recordingBar_->detenerLatido();
    recordingBar_->ocultar();
  }
  soltarDespues(recordingBar_);
  cronometro_.stop();
  inicioGrabacion_.reset();
  if (panelBarra_) panelBarra_->quitar();
  soltarDespues(panelBarra_);
  if (recordingFrame_) recordingFrame_->ocultar();
  soltarDespues(recordingFrame_);
  if (recordSetup_) recordSetup_->ocultar();
  soltarDespues(recordSetup_);
  cerrarCamara();
  QPointer<FlujoDeGrabacion> self(this);
  piezas_.grabadora->stop([self](const GrabacionTerminada& result) {
    if (!self) return;
    self->enlaces_.refrescar();
    if (!result.archivo.isEmpty()) {
      self->enlaces_.abrirVideo(result);
      // Kept, but cut short: say why.
      if (!result.error.isEmpty())
        self->piezas_.toast(L("La grabación se detuvo"), result.error,
                            QStringLiteral("record.circle"));
    } else {
      self->piezas_.toast(L("No se grabó nada"), result.error, QStringLiteral("video.slash"));
    }
  });
  enlaces_.refrescar();
}

void FlujoDeGrabacion::cancelarGrabacion() {
  if (cuenta_) cuenta_->cerrar();
  soltarDespues(cuenta_);
  if (recordSetup_) recordSetup_->ocultar();
  soltarDespues(recordSetup_);
  if (recordingFrame_) recordingFrame_->ocultar();
  soltarDespues(recordingFrame_);
  cerrarCamara();
  enlaces_.refrescar();
}

void FlujoDeGrabacion::terminarAlSalir(int esperaMs) {
  if (cuenta_) cuenta_->cerrar();
  soltarDespues(cuenta_);
  if (recordingFrame_) recordingFrame_->ocultar();
  if (recordingBar_) {
    recordingBar_->detenerLatido();
    recordingBar_->ocultar();
  }
  cerrarCamara();
  if (!grabando()) return;
  QEventLoop loop;
  QPointer<QEventLoop> guard(&loop);  // a late answer finds the loop gone
  auto listo = std::make_shared<bool>(false);
  QTimer::singleShot(esperaMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  piezas_.grabadora->stop([guard, listo](const GrabacionTerminada&) {
    *listo = true;
    if (guard) guard->quit();
  });
  if (!*listo) loop.exec();
}

}  // namespace corvalin
