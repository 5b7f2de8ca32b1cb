// The document leaving the editor: the export weight, copy, save, upload, copy text and auto
// enhance. Flattening and encoding run on the export queue; results come back to the main
// thread and are dropped when the window is gone or the document moved on.
#include <QDateTime>
#include <QToolButton>

#include "core/settings.h"
#include "core/texts.h"
#include "editor/editor_export.h"
#include "editor/editor_footer.h"
#include "editor/editor_queues.h"
#include "editor/editor_view.h"
#include "editor/editor_window_controller.h"
#include "platform/main_thread.h"
#include "retouch/auto_enhance.h"
#include "retouch/qimage_bridge.h"

namespace corvalin {
namespace {

// The faces the export queue draws text with: made on that thread, used only there.
const AnnotationFonts& fuentesDeFondo() {
  static const AnnotationFonts* fonts = new AnnotationFonts();
  return *fonts;
}

}  // namespace

void EditorWindowController::programarPeso(bool enseguida) {
  recalculoPendiente_.stop();
  // A computation already under way belongs to the state before this change.
  *ultimaGeneracion_ = ++generacionPeso_;
  pesoExport_.reset();
  refrescarPeso();
  recalculoPendiente_.start(enseguida ? 0 : 300);
}

void EditorWindowController::refrescarPeso() {
  footer_->setPeso(
      etiquetaDePeso(exportPixelSize(canvas_->imageSize(), escala_), pesoExport_, idiomaActual()));
}

void EditorWindowController::calcularPeso() {
  const quint64 generacion = ++generacionPeso_;
  *ultimaGeneracion_ = generacion;
  const Documento doc = canvas_->documento();
  const quint64 revision = canvas_->revision();
  const double escala = escala_;
  const std::weak_ptr<int> vivo = vida_;
  const std::shared_ptr<std::atomic<quint64>> ultima = ultimaGeneracion_;
  colaDeExportacion().async([this, doc, revision, escala, generacion, vivo, ultima] {
    // Outdated before it started (edits kept coming): a big picture takes seconds to encode.
    if (ultima->load() != generacion) return;
    const QImage reduced = reducida(aplanar(doc, fuentesDeFondo()), escala);
    const qint64 bytes = codificarPng(reduced).size();
    enMain([this, vivo, generacion, revision, reduced, bytes, escala] {
      if (vivo.expired() || generacion != generacionPeso_) return;
      pesoExport_ = bytes;
      refrescarPeso();
      if (escala < kCasiCompleta) canvas_->setPreview(reduced, revision);
    });
  });
}

void EditorWindowController::exportar(std::function<void(const Exportado&)> listo) {
  if (canvas_->editingText()) canvas_->commitTextField(false);
  const Documento doc = canvas_->documento();
  const double escala = escala_;
  const std::weak_ptr<int> vivo = vida_;
  colaDeExportacion().async([doc, escala, vivo, listo = std::move(listo)] {
    Exportado out;
    out.imagen = reducida(aplanar(doc, fuentesDeFondo()), escala);
    out.png = codificarPng(out.imagen);
    enMain([vivo, listo, out] {
      if (!vivo.expired()) listo(out);
    });
  });
}

void EditorWindowController::terminarOcupado() {
  ocupado_ = false;
  canvas_->setBloqueado(false);
  canvas_->unsetCursor();
}

void EditorWindowController::copyToClipboard() {
  if (ocupado_) return;
  exportar([this](const Exportado& e) {
    if (e.png.isEmpty() || !s_.portapapeles.ponerPng) return;
    s_.portapapeles.ponerPng(e.png, e.imagen);
    setStatus(L("Copiado · %@×%@", e.imagen.width(), e.imagen.height()));
  });
}

void EditorWindowController::copyAndClose() {
  if (ocupado_) return;
  ocupado_ = true;
  canvas_->setBloqueado(true);
  canvas_->setCursor(Qt::BusyCursor);
  exportar([this](const Exportado& e) {
    terminarOcupado();
    // Nothing was copied: closing now would look like success and hide the work.
    if (e.png.isEmpty() || !s_.portapapeles.ponerPng) return;
    s_.portapapeles.ponerPng(e.png, e.imagen);
    terminarDocumento();
    cerrar();
    if (s_.toast) {
      s_.toast(L("Copiado al portapapeles"), QString(), QStringLiteral("doc.on.doc.fill"));
    }
  });
}

void EditorWindowController::saveToDisk() {
  if (ocupado_) return;
  ocupado_ = true;
  canvas_->setBloqueado(true);
  canvas_->setCursor(Qt::BusyCursor);
  const QString carpeta = carpetaDeGuardado(settings_.d().string(QStringLiteral("saveFolder")));
  const Idioma idioma = idiomaActual();
  const std::weak_ptr<int> vivo = vida_;
  const MostrarToastDelEditor toast = s_.toast;
  exportar([this, carpeta, idioma, vivo, toast](const Exportado& e) {
    if (e.png.isEmpty()) {
      terminarOcupado();
      return;
    }
    // Writing to disk is slow on network folders: it goes back to the queue as well.
    colaDeExportacion().async([this, e, carpeta, idioma, vivo, toast] {
      const Guardado g = guardarPng(carpeta, e.png, QDateTime::currentDateTime(), idioma);
      enMain([this, g, vivo, toast] {
        if (vivo.expired()) {
          if (g.ok() && toast)
            toast(L("Guardado"), g.ruta, QStringLiteral("square.and.arrow.down.fill"));
          return;
        }
        terminarOcupado();
        if (!g.ok()) {
          mostrarError(L("No se pudo completar"), g.error);
          return;
        }
        setStatus(QString());
        terminarDocumento();
        cerrar();
        if (toast) toast(L("Guardado"), g.ruta, QStringLiteral("square.and.arrow.down.fill"));
      });
    });
  });
}

void EditorWindowController::upload() {
  if (ocupado_ || !s_.subida.subir) return;
  if (s_.subida.lista && !s_.subida.lista()) {
    setStatus(L("Falta configurar dónde se sube"));
    if (s_.abrirPreferencias) s_.abrirPreferencias();
    return;
  }
  ocupado_ = true;
  canvas_->setBloqueado(true);
  exportar([this](const Exportado& e) {
    terminarOcupado();
    if (e.png.isEmpty()) return;
    subir_->setEnabled(false);
    setStatus(QString());
    cerrar();
    const std::weak_ptr<int> vivo = vida_;
    const ServiciosDelEditor s = s_;
    const QString titulo = s_.subida.titulo ? s_.subida.titulo() : QString();
    const QString carpeta = carpetaDeGuardado(settings_.d().string(QStringLiteral("saveFolder")));
    const QByteArray png = e.png;
    s_.subida.subir(png, L("Captura"), [this, vivo, s, titulo, carpeta, png](const FinDeSubida& r) {
      if (r.url) {
        // Uploaded: the document is done with, unless it was edited again since.
        if (!vivo.expired() && !isVisible()) terminarDocumento();
        if (s.portapapeles.ponerTexto) s.portapapeles.ponerTexto(*r.url);
        if (s.toast) {
          s.toast(titulo, r.aviso.isEmpty() ? L("URL copiada al portapapeles") : r.aviso,
                  QStringLiteral("icloud.and.arrow.up.fill"));
        }
        return;
      }
      if (vivo.expired()) {
        // The window was replaced meanwhile: the picture is kept in the save folder instead.
        if (r.cancelada) return;
        const Guardado g = guardarPng(carpeta, png, QDateTime::currentDateTime(), idiomaActual());
        if (s.toast) {
          s.toast(L("Falló la subida"), g.ok() ? g.ruta : r.error,
                  QStringLiteral("exclamationmark.triangle"));
        }
        return;
      }
      subir_->setEnabled(true);
      if (r.cancelada) return;
      setStatus(L("Falló la subida"));
      refrescarBotonDeSubida();
      mostrar();
      if (s.activar) s.activar();
      if (r.delServicio) {
        mostrarError(r.error.isEmpty() ? L("No se pudo subir") : r.error, QString());
      } else {
        mostrarError(L("No se pudo completar"), r.error);
      }
    });
  });
}

void EditorWindowController::copyText() {
  if (canvas_->editingText()) canvas_->commitTextField(false);
  const Documento doc = canvas_->documento();
  const std::optional<QRectF> crop = canvas_->cropSelection();
  const std::weak_ptr<int> vivo = vida_;
  TextRecognizer* lector = s_.lector;
  setStatus(L("Leyendo el texto…"));
  colaDeExportacion().async([this, doc, crop, vivo, lector] {
    QImage flat = aplanar(doc, fuentesDeFondo());
    if (crop) flat = flat.copy(pixelesDe(*crop, flat.size()));
    enMain([this, vivo, lector, flat] {
      if (vivo.expired()) return;
      const auto respuesta = [this, vivo](QString texto, int lineas) {
        if (vivo.expired()) return;
        texto = texto.trimmed();
        if (texto.isEmpty()) {
          setStatus(L("No vi texto en la captura"));
          return;
        }
        if (s_.portapapeles.ponerTexto) s_.portapapeles.ponerTexto(texto);
        const QString cuenta = lineas == 1 ? L("1 renglón") : L("%@ renglones", lineas);
        setStatus(L("Texto copiado · %@", cuenta));
        if (s_.toast) {
          s_.toast(L("Texto copiado"), L("%@ al portapapeles", cuenta),
                   QStringLiteral("text.viewfinder"));
        }
      };
      if (lector == nullptr) {
        respuesta(QString(), 0);
        return;
      }
      lector->read(flat, respuesta);
    });
  });
}

void EditorWindowController::autoEnhance() {
  if (ocupado_) return;
  if (canvas_->editingText()) canvas_->commitTextField(false);
  const QImage base = canvas_->documento().base;
  const std::weak_ptr<int> vivo = vida_;
  colaDeExportacion().async([this, base, vivo] {
    std::optional<retouch::PixelCanvas> c = retouch::makeCanvas(base);
    if (!c) return;
    const retouch::AutoEnhance::Report report = retouch::AutoEnhance::apply(*c);
    const QImage result = retouch::makeImage(*c);
    if (result.isNull()) return;
    enMain([this, vivo, base, result, report] {
      // The picture changed meanwhile: enhancing the old one would undo that change.
      if (vivo.expired() || canvas_->documento().base.cacheKey() != base.cacheKey()) return;
      pushUndo();
      canvas_->setBase(result);
      if (canvas_->onDidMutate) canvas_->onDidMutate();
      setStatus(QString::fromStdString(report.summary([](std::string_view es) {
        return L(QString::fromUtf8(es.data(), static_cast<qsizetype>(es.size()))).toStdString();
      })));
    });
  });
}

}  // namespace corvalin
