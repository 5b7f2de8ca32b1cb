#include "app/capture_flows.h"

#include <QPointer>

#include "capture/color_picker.h"
#include "core/texts.h"
#include "platform/main_thread.h"

namespace corvalin {
namespace {

// Something fixed inside the area covers more than a third of the part that scrolls.
bool algoFijoEstorba(const ScrollCapture* scroll) {
  if (scroll == nullptr || scroll->alto() < 1) return false;
  const int movil = scroll->alto() - scroll->cabecera() - scroll->pie();
  return (movil * 2) / 3 < scroll->muebles();
}

}  // namespace

FlujosDeCaptura::FlujosDeCaptura(Piezas& piezas, Enlaces enlaces)
    : piezas_(piezas), enlaces_(std::move(enlaces)) {}

FlujosDeCaptura::~FlujosDeCaptura() = default;

void FlujosDeCaptura::capturaFija(CaptureMode mode) {
  QPointer<FlujosDeCaptura> self(this);
  piezas_.capturas->capture(mode, [self](const QImage& image) {
    if (self && !image.isNull()) self->enlaces_.abrirEditor(image);
  });
}

void FlujosDeCaptura::capturaDeTexto() {
  QPointer<FlujosDeCaptura> self(this);
  // Text is read from an area the user drags.
  piezas_.capturas->capture(CaptureMode::area, [self](const QImage& image) {
    if (self && !image.isNull()) self->captureText(image);
  });
}

void FlujosDeCaptura::captureText(const QImage& image) {
  const QString symbol = QStringLiteral("text.viewfinder");
  piezas_.toast(L("Leyendo el texto…"), QString(), symbol);
  QPointer<FlujosDeCaptura> self(this);
  piezas_.lector->read(image, [self, symbol](const QString& texto, int lineas) {
    if (!self) return;
    const QString text = texto.trimmed();
    if (text.isEmpty()) {
      self->piezas_.toast(L("No vi texto ahí"), L("Prueba con un pedazo más grande"), symbol);
      return;
    }
    self->piezas_.portapapeles->ponerTexto(text);
    const QString detail =
        lineas == 1 ? L("1 renglón al portapapeles") : L("%@ renglones al portapapeles", lineas);
    self->piezas_.toast(L("Texto copiado"), detail, symbol);
  });
}

void FlujosDeCaptura::sacarColor() {
  QPointer<FlujosDeCaptura> self(this);
  piezas_.colores->pick(
      [self](const QColor& color) {
        if (self) self->pickColor(color);
      },
      [] {});
}

void FlujosDeCaptura::pickColor(const QColor& color) {
  const QString hex = ColorPicker::hex(color);
  piezas_.portapapeles->ponerTexto(hex);
  if (EditorWindow* editor = enlaces_.editor()) editor->setStrokeColor(color);
  piezas_.toast(L("Color copiado"), hex, QStringLiteral("eyedropper.halffull"));
}

void FlujosDeCaptura::alternarDesplazamiento() {
  if (scroll_ != nullptr && scroll_->activa()) {
    finishScrollCapture();
    return;
  }
  QPointer<FlujosDeCaptura> self(this);
  piezas_.areas->pick(
      [self](const AreaElegida& area) {
        if (self) self->startScrollCapture(area);
      },
      [] {});
}

void FlujosDeCaptura::startScrollCapture(const AreaElegida& area) {
  // Held here while it starts; it becomes the running capture only if it starts. The
  // completion never owns the capture that stores it.
  soltarDespues(arrancando_);
  arrancando_ = piezas_.desplazamiento();
  ScrollCapture* raw = arrancando_.get();
  QPointer<FlujosDeCaptura> self(this);
  raw->start(area.rect, area.pantalla, [self, raw, area](std::optional<QString> error) {
    if (!self || self->arrancando_.get() != raw) return;
    if (error) {
      soltarDespues(self->arrancando_);
      self->piezas_.alertas->mostrar(
          Alerta{L("No se pudo empezar la captura larga"), *error, {}, Alerta::Estilo::aviso});
      return;
    }
    FlujosDeCaptura& f = *self;
    ManejadoresDeBarra handlers;
    handlers.detener = [self] {
      if (self) self->finishScrollCapture();
    };
    f.scrollBar_ = f.piezas_.grabacion.bar(RecordingBar::Modo::desplazamiento, handlers);
    f.scrollBar_->mostrarJunto(area.rect, area.pantalla);
    // Where the bar can't keep off the area, the frames show what it covers.
    if (const uint32_t id = f.scrollBar_->ventana()) raw->dejarFuera({id});
    f.perdido_ = false;
    f.scroll_ = std::move(f.arrancando_);
    f.scroll_->alPerderse = [self](bool perdido) {
      if (self) self->perdido_ = perdido;
    };
    f.scroll_->alAvanzar = [self](int pixeles) {
      if (!self || !self->scrollBar_) return;
      const QString px = QString::number(pixeles);
      QString text;
      if (algoFijoEstorba(self->scroll_.get())) {
        text = L("%@ px · ⚠︎ algo fijo %@ estorba", px, self->scroll_->dondeEstorba());
      } else if (self->perdido_) {
        text = L("%@ px · ⚠︎ más despacio", px);
      } else {
        text = px + QStringLiteral(" px");
      }
      self->scrollBar_->setTextoDelReloj(text);
    };
    f.piezas_.hotkeys->registrar(Hotkey{53, 0}, kIdEscapeDeDesplazamiento, [self] {
      if (self) self->finishScrollCapture();
    });
    f.enlaces_.refrescar();
    f.piezas_.toast(L("Desplázate despacio"), L("Al terminar, pulsa Terminar o el atajo otra vez"),
                    QStringLiteral("arrow.down.doc"));
  });
}

void FlujosDeCaptura::finishScrollCapture() {
  piezas_.hotkeys->unregister(kIdEscapeDeDesplazamiento);
  if (scrollBar_) {
    scrollBar_->detenerLatido();
    scrollBar_->ocultar();
    soltarDespues(scrollBar_);
  }
  if (!scroll_) return;
  ScrollCapture* capture = scroll_.get();
  terminando_.push_back(std::move(scroll_));
  const bool fijo = algoFijoEstorba(capture);
  const QString donde = capture->dondeEstorba();
  QPointer<FlujosDeCaptura> self(this);
  capture->finish([self, capture, fijo, donde](const QImage& image) {
    if (!self) return;
    if (!self->soltarTerminada(capture)) return;
    self->enlaces_.refrescar();
    if (image.isNull()) {
      self->piezas_.toast(L("No se armó la captura larga"),
                          L("Hay que desplazar mientras se captura"),
                          QStringLiteral("arrow.down.doc"));
      return;
    }
    const int movil = capture->alto() - capture->cabecera() - capture->pie();
    if (movil + 8 >= capture->filasAcumuladas() + capture->filasArriba()) {
      const QString detail =
          fijo ? L("Algo fijo %@ del área —un botón flotante, un anuncio— no deja unir las "
                   "imágenes. Vuelve a marcar el área sin eso.",
                   donde)
               : L("No alcancé a unir las imágenes: desplázate más despacio, sin brincos.");
      self->piezas_.toast(L("Solo salió una pantalla"), detail,
                          QStringLiteral("exclamationmark.triangle"));
    }
    self->enlaces_.abrirEditor(image);
  });
}

bool FlujosDeCaptura::soltarTerminada(ScrollCapture* capture) {
  for (auto it = terminando_.begin(); it != terminando_.end(); ++it) {
    if (it->get() != capture) continue;
    soltarDespues(*it);  // destroyed after its own completion has returned
    terminando_.erase(it);
    return true;
  }
  return false;
}

void FlujosDeCaptura::pasteFromClipboard() {
  const QImage image = piezas_.portapapeles->imagen();
  if (!image.isNull()) {
    enlaces_.abrirEditor(image);
    return;
  }
  // A picture is there but can't be read: too large to open, or damaged.
  if (piezas_.portapapeles->tieneImagen()) {
    piezas_.toast(L("No pude abrir la imagen del portapapeles"),
                  L("Es demasiado grande o está dañada"),
                  QStringLiteral("exclamationmark.triangle"));
    return;
  }
  piezas_.toast(L("Nada que pegar"), L("No hay ninguna imagen en el portapapeles"),
                QStringLiteral("doc.on.clipboard"));
}

void FlujosDeCaptura::terminarAlSalir() {
  if (scrollBar_) {
    scrollBar_->detenerLatido();
    scrollBar_->ocultar();
    soltarDespues(scrollBar_);
  }
  if (scroll_ && scroll_->activa()) {
    ScrollCapture* capture = scroll_.get();
    terminando_.push_back(std::move(scroll_));
    QPointer<FlujosDeCaptura> self(this);
    capture->finish([self, capture](const QImage&) {
      if (self) self->soltarTerminada(capture);
    });
  }
  scroll_.reset();
}

}  // namespace corvalin
