#include "app/app_delegate.h"

#include <QFile>
#include <QLocale>
#include <QPointer>
#include <QTimer>

#include "core/texts.h"
#include "platform/notification_center.h"
#include "upload/subidas_en_curso.h"

namespace corvalin {
namespace {

const char* const kTextoDePermiso =
    "Tu escritorio no dejó capturar la pantalla.\n\nPara volver a permitirlo, abre los ajustes de "
    "privacidad o de compartir pantalla de tu escritorio y deja que Corvalin capture la "
    "pantalla.\n\nDespués inténtalo de nuevo.";

bool esNumero(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
      return true;
    default:
      return false;
  }
}

}  // namespace

AppDelegate::AppDelegate(Piezas piezas) : piezas_(std::move(piezas)) {
  QPointer<AppDelegate> self(this);
  capturas_ = std::make_unique<FlujosDeCaptura>(
      piezas_, FlujosDeCaptura::Enlaces{
                   [self](const QImage& image) {
                     if (self) self->abrirEditor(image);
                   },
                   [self] {
                     if (self) self->refrescarMenus();
                   },
                   [self]() -> EditorWindow* { return self ? self->editor_.get() : nullptr; }});
  grabacion_ = std::make_unique<FlujoDeGrabacion>(
      piezas_,
      FlujoDeGrabacion::Enlaces{
          [self] {
            if (self) self->refrescarMenus();
          },
          [self](const GrabacionTerminada& g) {
            if (self) self->abrirVideo(g);
          },
          [self] {
            if (self && self->statusItem_) self->statusItem_->desplegarMenu();
          },
          [] {
            const std::optional<Hotkey> pausa =
                Settings::shared().hotkey(CaptureMode::pauseRecording);
            return pausa ? pausa->display() : QString();
          },
          [self] { return self && self->statusItem_ ? self->statusItem_->geometria() : QRect(); }});
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
  QPointer<AppDelegate> self(this);
  statusItem_ = piezas_.bandeja([self] { return self ? self->menuDeBandeja() : Menu{}; },
                                [self](Accion a, const QVariant& v) {
                                  if (self) self->ejecutar(a, v);
                                },
                                [self](bool derecho) {
                                  if (self) self->clicEnIcono(derecho);
                                });
  refrescarMenus();
  registerHotkeys();

  NotificationCenter& center = NotificationCenter::shared();
  center.observe(QString::fromUtf8(notificacion::kHotkeysChanged), this,
                 [this](const QVariant&) { registerHotkeys(); });
  center.observe(QString::fromUtf8(notificacion::kCapturandoAtajo), this,
                 [this](const QVariant& capturando) {
                   if (capturando.toBool())
                     piezas_.hotkeys->unregisterAll();
                   else
                     registerHotkeys();
                 });
  center.observe(QString::fromUtf8(notificacion::kSubidas), this,
                 [this](const QVariant&) { refrescarMenus(); });
  ofrecerRecuperacion();
}

void AppDelegate::applicationWillTerminate() {
  grabacion_->terminarAlSalir();
  capturas_->terminarAlSalir();
  piezas_.hotkeys->unregisterAll();
}

void AppDelegate::registerHotkeys() {
  piezas_.hotkeys->unregisterAll();
  QPointer<AppDelegate> self(this);
  for (CaptureMode mode : kAllCaptureModes) {
    const uint32_t id = hotkeyId(mode);
    const std::optional<Hotkey> hotkey = Settings::shared().hotkey(mode);
    if (!hotkey) continue;  // cleared by the user
    piezas_.hotkeys->registrar(*hotkey, id, [self, mode, id] {
      if (!self) return;
      // A pending delivery check for this mode takes the press.
      if (self->piezas_.sonda && self->piezas_.sonda->pendiente(id)) {
        self->piezas_.sonda->llego(id);
        return;
      }
      self->capture(mode);
    });
  }
}

bool AppDelegate::hasScreenPermission(CaptureMode mode) {
  if (piezas_.permisoDePantalla()) return true;
  if (piezas_.activar) piezas_.activar();
  const int choice =
      piezas_.alertas->mostrar(Alerta{L("Corvalin necesita permiso para capturar la pantalla"),
                                      L(kTextoDePermiso),
                                      {L("Intentar de nuevo"), L("Cancelar")},
                                      Alerta::Estilo::aviso});
  if (choice == 0) {
    // The portal asks again when the capture starts over.
    QPointer<AppDelegate> self(this);
    QTimer::singleShot(0, this, [self, mode] {
      if (self) self->capture(mode);
    });
  }
  return false;
}

void AppDelegate::capture(CaptureMode mode) {
  if (!hasScreenPermission(mode)) return;
  switch (mode) {
    case CaptureMode::record:
    case CaptureMode::recordWindow:
    case CaptureMode::recordFullscreen:
      grabacion_->comando(mode);
      break;
    case CaptureMode::color:
      capturas_->sacarColor();
      break;
    case CaptureMode::pauseRecording:
      grabacion_->alternarPausa();
      break;
    case CaptureMode::ocr:
      capturas_->capturaDeTexto();
      break;
    case CaptureMode::scroll:
      capturas_->alternarDesplazamiento();
      break;
    case CaptureMode::area:
    case CaptureMode::window:
    case CaptureMode::fullscreen:
      capturas_->capturaFija(mode);
      break;
  }
}

void AppDelegate::ejecutar(Accion accion, const QVariant& valor) {
  switch (accion) {
    case Accion::captureArea:
      capture(CaptureMode::area);
      break;
    case Accion::captureWindow:
      capture(CaptureMode::window);
      break;
    case Accion::captureFullscreen:
      capture(CaptureMode::fullscreen);
      break;
    case Accion::toggleRecording:
      grabacion_->comando(CaptureMode::record);
      break;
    case Accion::recordWindowAction:
      grabacion_->comando(CaptureMode::recordWindow);
      break;
    case Accion::recordFullscreenAction:
      grabacion_->comando(CaptureMode::recordFullscreen);
      break;
    case Accion::captureTextAction:
      capture(CaptureMode::ocr);
      break;
    case Accion::toggleScrollCapture:
      capture(CaptureMode::scroll);
      break;
    case Accion::pickColorAction:
      capture(CaptureMode::color);
      break;
    case Accion::alternarPausaAction:
      capture(CaptureMode::pauseRecording);
      break;
    case Accion::paste:
    case Accion::pasteFromClipboard:
      capturas_->pasteFromClipboard();
      break;
    case Accion::showLastWindow:
      showLastWindow();
      break;
    case Accion::cambiarEscalaDeVideo:
    case Accion::cambiarFPS:
    case Accion::cambiarFuenteDeAudio:
    case Accion::cambiarRetraso:
    case Accion::cambiarDestino:
      cambiarAjuste(accion, valor);
      break;
    case Accion::cancelarSubida:
      cancelarSubida(valor);
      break;
    case Accion::openPreferences:
      if (piezas_.abrirPreferencias) piezas_.abrirPreferencias();
      break;
    case Accion::acercaDe:
      if (piezas_.abrirAcercaDe) piezas_.abrirAcercaDe();
      break;
    case Accion::checkForUpdates:
      if (piezas_.buscarActualizaciones) piezas_.buscarActualizaciones();
      break;
    case Accion::terminate:
      if (piezas_.terminar) piezas_.terminar();
      break;
    case Accion::cut:
    case Accion::copy:
    case Accion::selectAll:
    case Accion::performClose:
    case Accion::performMiniaturize:
      break;  // handled by the window that carries the menu
  }
}

void AppDelegate::cambiarAjuste(Accion accion, const QVariant& valor) {
  SettingsStore& d = Settings::shared().d();
  switch (accion) {
    case Accion::cambiarEscalaDeVideo: {
      const double scale = esNumero(valor) ? valor.toDouble() : 1.0;
      d.set(QStringLiteral("recordScale"), std::clamp(scale, 0.25, 2.0));
      break;
    }
    case Accion::cambiarFPS:
      if (!esNumero(valor)) return;
      d.set(QStringLiteral("recordFPS"), std::clamp<qint64>(valor.toLongLong(), 5, 60));
      break;
    case Accion::cambiarFuenteDeAudio:
      if (auto fuente = fuenteDeAudioFromRaw(valor.toString())) {
        Settings::shared().setRecordAudioSource(*fuente);
      }
      break;
    case Accion::cambiarRetraso: {
      const qint64 delay = esNumero(valor) ? valor.toLongLong() : 0;
      d.set(QStringLiteral("recordDelay"), std::clamp<qint64>(delay, 0, 10));
      break;
    }
    case Accion::cambiarDestino: {
      const QString raw = valor.toString();
      if (raw != QLatin1String("nube") && raw != QLatin1String("propio")) return;
      d.set(QStringLiteral("uploadTarget"), raw);
      NotificationCenter::shared().post(QString::fromUtf8(notificacion::kDestinoCambio), raw);
      const bool propio = raw == QLatin1String("propio");
      piezas_.toast(titulo(propio ? DestinoDeSubida::propio : DestinoDeSubida::nube),
                    propio ? L("A tu propio bucket") : L("Sin configurar nada"),
                    propio ? QStringLiteral("externaldrive.badge.icloud")
                           : QStringLiteral("icloud.and.arrow.up"));
      break;
    }
    default:
      return;
  }
  refrescarMenus();
}

void AppDelegate::cancelarSubida(const QVariant& valor) {
  SubidasEnCurso& list = SubidasEnCurso::shared();
  if (!esNumero(valor)) return;
  const qint64 index = valor.toLongLong();
  if (index < 0 || index >= list.activas().size()) return;
  const std::shared_ptr<SubidaEnCurso> subida = list.activas().at(index);
  list.cancelar(subida);
  list.quitar(subida);
  piezas_.toast(L("Subida cancelada"), subida->nombre(), QStringLiteral("xmark.icloud"));
}

void AppDelegate::abrirEditor(const QImage& image) {
  mostrarEditorNuevo(piezas_.editor(image));
}

void AppDelegate::mostrarEditorNuevo(std::unique_ptr<EditorWindow> editor) {
  // The new document takes the place of the one open before.
  if (editor_) editor_->cerrarDocumento();
  if (video_) video_->cerrar();
  editor_ = std::move(editor);
  ultima_ = Ultima::editor;
  editor_->refrescarBotonDeSubida();
  editor_->mostrar();
  if (piezas_.activar) piezas_.activar();
}

void AppDelegate::ofrecerRecuperacion() {
  if (!piezas_.documentosSinGuardar || !piezas_.editorRecuperado || !piezas_.toastConAccion) return;
  const std::vector<CopiaPendiente> pendientes = piezas_.documentosSinGuardar();
  if (pendientes.empty()) return;
  // The newest; any other is offered at the next start.
  const CopiaPendiente& copia = pendientes.front();
  const QLocale idioma(idiomaActual() == Idioma::ingles ? QLocale::English : QLocale::Spanish);
  const QString detalle = L("%@×%@, editada el %@", copia.tamano.width(), copia.tamano.height(),
                            idioma.toString(copia.cuando.toLocalTime(), QLocale::ShortFormat));
  QPointer<AppDelegate> self(this);
  piezas_.toastConAccion(L("Quedó una captura sin guardar"), detalle,
                         QStringLiteral("doc.on.doc.fill"),
                         {L("Recuperar"), [self, carpeta = copia.carpeta] {
                            if (self) self->abrirEditorRecuperado(carpeta);
                          }});
}

void AppDelegate::abrirEditorRecuperado(const QString& carpeta) {
  std::unique_ptr<EditorWindow> editor = piezas_.editorRecuperado(carpeta);
  if (!editor) {
    // Nothing is removed: the folder stays for whoever wants to look into it.
    piezas_.toast(L("No se pudo recuperar la captura"), L("La copia está incompleta: %@", carpeta),
                  QStringLiteral("exclamationmark.triangle"));
    return;
  }
  mostrarEditorNuevo(std::move(editor));
}

void AppDelegate::abrirVideo(const GrabacionTerminada& grabacion) {
  // The editor keeps its document: "Show Window" can still bring it back.
  if (editor_) editor_->cerrar();
  if (video_) video_->cerrar();
  video_ = piezas_.grabacion.video(grabacion.archivo, grabacion.medidas);
  ultima_ = Ultima::video;
  video_->mostrar();
}

bool AppDelegate::videoConArchivo() const {
  return video_ != nullptr && QFile::exists(video_->archivo());
}

void AppDelegate::showLastWindow() {
  if (ultima_ == Ultima::video && videoConArchivo()) {
    video_->mostrar();
    return;
  }
  if (editor_) {
    editor_->refrescarBotonDeSubida();
    editor_->mostrar();
    if (piezas_.activar) piezas_.activar();
    return;
  }
  if (videoConArchivo()) video_->mostrar();
}

EstadoDeMenus AppDelegate::estadoDeMenus() const {
  EstadoDeMenus s = estadoDesdeAjustes(Settings::shared());
  s.grabando = grabacion_->grabando();
  s.pausado = grabacion_->pausado();
  s.contando = grabacion_->contando();
  s.preparando = grabacion_->preparando();
  s.desplazando = capturas_->desplazando();
  for (const auto& subida : SubidasEnCurso::shared().activas()) s.subidas << subida->resumen();
  s.hayEditor = editor_ != nullptr;
  s.hayVideoConArchivo = videoConArchivo();
  s.portapapelesConImagen = piezas_.portapapeles->tieneImagen();
  return s;
}

void AppDelegate::refrescarMenus() {
  if (!statusItem_) return;
  EstadoDelIcono estado;
  estado.grabando = grabacion_->grabando();
  estado.pausado = grabacion_->pausado();
  estado.cronometroEnBarra =
      Settings::shared().recordTimerPlacement() == LugarDelCronometro::barraDeMenus;
  estado.tiempo = grabacion_->tiempo();
  for (const auto& subida : SubidasEnCurso::shared().activas())
    estado.progresos << subida->progreso();
  statusItem_->aplicar(apariencia(estado));
}

void AppDelegate::clicEnIcono(bool derecho) {
  if (grabacion_->grabando() && !derecho) {
    grabacion_->stopRecording();
    return;
  }
  if (statusItem_) statusItem_->desplegarMenu();
}

}  // namespace corvalin
