// The canvas's side of the pixel tools: strokes from press to release, the clone source, the
// pinch tick, and the fill and dust removal that run in the background.
#include <QElapsedTimer>
#include <QPointer>

#include "core/texts.h"
#include "editor/editor_queues.h"
#include "editor/editor_view.h"
#include "platform/main_thread.h"
#include "retouch/qimage_bridge.h"

namespace corvalin {

const QImage& EditorView::baseVisible() const {
  return stroke_ && stroke_->cambiaAlPintar() ? stroke_->imagen() : doc_.base;
}

void EditorView::beginStroke(QPointF p, bool option) {
  if (tool_ == ToolKind::clone && (option || !cloneSource_)) {
    cloneSource_ = p;
    cloneVector_.reset();
    hint(L("De ahí se va a copiar — ahora arrastra donde quieras la copia"));
    if (onToolChanged) onToolChanged(tool_);
    update();
    return;
  }
  const double k = escala();
  OpcionesDeTrazo o;
  o.tool = tool_;
  o.brush = pincelPara(tool_, brushRadius_, k, brushOpacity_);
  o.opacity = brushOpacity_;
  o.lighten = toneLighten_ != option;
  o.range = retouch::toneRangeFromRaw(toneRange_);
  o.haciaAdentro = pinchInward_ != option;
  if (cloneSource_) o.cloneSource = aPixel(*cloneSource_);
  std::unique_ptr<TrazoDePixeles> stroke = TrazoDePixeles::empezar(doc_.base, o, aPixel(p));
  if (!stroke) return;
  if (tool_ != ToolKind::despeckle) antesDeCambiar();
  stroke_ = std::move(stroke);
  if (tool_ == ToolKind::clone && cloneSource_) cloneVector_ = *cloneSource_ - p;
  if (tool_ == ToolKind::repair || tool_ == ToolKind::despeckle) strokeTrace_ = {p};
  if (stroke_->cambiaAlPintar()) {
    // The stroke's picture starts as the base: the scaled copy on screen stays valid except
    // where the first dab landed.
    cache_.key = stroke_->imagen().cacheKey();
    const QPointF px = aPixel(p);
    const int r = static_cast<int>(o.brush.radius) + 3;
    refrescarCache(QRect(static_cast<int>(px.x()) - r, static_cast<int>(px.y()) - r, 2 * r, 2 * r));
  }
  if (tool_ == ToolKind::pinch) pinchTimer_.start();
  tocar();
}

void EditorView::continueStroke(QPointF p) {
  if (!stroke_) return;
  const QRect dirty = stroke_->continuar(aPixel(p));
  if (tool_ == ToolKind::repair || tool_ == ToolKind::despeckle) strokeTrace_.push_back(p);
  if (!dirty.isEmpty()) refrescarCache(dirty);
  tocar();
}

void EditorView::pinchTick() {
  if (!stroke_ || stroke_->tool() != ToolKind::pinch) {
    pinchTimer_.stop();
    return;
  }
  const QRect dirty = stroke_->tick();
  if (dirty.isEmpty()) return;
  refrescarCache(dirty);
  tocar();
}

void EditorView::endStroke() {
  pinchTimer_.stop();
  if (!stroke_) return;
  std::unique_ptr<TrazoDePixeles> stroke = std::move(stroke_);
  strokeTrace_.clear();
  cloneVector_.reset();
  if (stroke->cambiaAlPintar()) {
    doc_.base = stroke->imagen();
    cache_.key = doc_.base.cacheKey();
    tocar();
    return;
  }
  if (stroke->mascaraVacia()) {
    update();
    return;
  }
  const bool motas = stroke->tool() == ToolKind::despeckle;
  const int radius =
      despeckleRadius(pincelPara(tool_, brushRadius_, escala(), 1).radius, doc_.base.size());
  std::optional<TrazoDePixeles::ParaRellenar> trabajo = stroke->entregar();
  if (trabajo) rellenarEnSegundoPlano(std::move(*trabajo), motas, radius);
  update();
}

void EditorView::rellenarEnSegundoPlano(TrazoDePixeles::ParaRellenar t, bool motas, int radius) {
  healing_ = true;
  setCursor(Qt::BusyCursor);
  hint(motas ? L("Buscando puntos negros…") : L("Rellenando…"));
  auto trabajo = std::make_shared<TrazoDePixeles::ParaRellenar>(std::move(t));
  const qint64 desde = doc_.base.cacheKey();
  const MotoresDeRelleno motores = motores_;
  const double sensibilidad = spotSensitivity_;
  const std::weak_ptr<int> vivo = vida_;
  QPointer<EditorView> self(this);
  colaDeRelleno().async([trabajo, motas, radius, sensibilidad, motores, vivo, self, desde] {
    QElapsedTimer reloj;
    reloj.start();
    bool ok = false;
    int cuantos = 0;
    QImage resultado;
    if (motas) {
      if (motores.quitarMotas) {
        cuantos = motores.quitarMotas(trabajo->canvas, trabajo->mask, radius, sensibilidad);
      }
      if (cuantos > 0) resultado = retouch::makeImage(trabajo->canvas);
    } else {
      if (motores.rellenar) ok = motores.rellenar(trabajo->canvas, trabajo->mask);
      resultado = retouch::makeImage(trabajo->canvas);
    }
    const qint64 ms = reloj.elapsed();
    enMain([vivo, self, motas, ok, cuantos, resultado, ms, desde] {
      // A window closed meanwhile simply drops the result.
      if (vivo.expired() || !self) return;
      EditorView& v = *self;
      v.healing_ = false;
      v.unsetCursor();
      // The picture moved on meanwhile (undo, rotation, enhancement): the result belongs to a
      // state that is gone and must not overwrite the newer one.
      if (v.doc_.base.cacheKey() != desde) return;
      if (motas) {
        if (cuantos < 1 || resultado.isNull()) {
          v.hint(L("Ahí no vi puntos negros — sube la sensibilidad o agranda el pincel"));
          return;
        }
        v.antesDeCambiar();
        v.doc_.base = resultado;
        v.tocar();
        v.hint(L("%@ %@ en %@ ms", cuantos,
                 cuantos == 1 ? L("punto quitado") : L("puntos quitados"), ms));
      } else {
        if (!resultado.isNull()) {
          v.doc_.base = resultado;
          v.tocar();
        }
        v.hint(ok ? L("Rellenado en %@ ms", ms)
                  : L("No quedó suficiente alrededor de dónde copiar"));
      }
      if (v.onDidMutate) v.onDidMutate();
    });
  });
}

}  // namespace corvalin
