#include "editor/editor_view.h"

#include <QKeyEvent>
#include <QScopedValueRollback>
#include <cmath>

#include "core/settings.h"
#include "core/texts.h"
#include "editor/editor_text_field.h"
#include "editor/style_bar.h"

namespace corvalin {
namespace {

QString hexDe(const QColor& c) {
  return c.name(QColor::HexRgb).toUpper();
}

}  // namespace

EditorView::EditorView(const QImage& picture, Settings& settings, const AnnotationFonts& fonts,
                       QWidget* parent)
    : QWidget(parent), settings_(settings), fonts_(fonts) {
  doc_.base = picture;
  doc_.pristine = picture;
  strokeColor_ = Settings::colorFromHex(settings_.d().string(QStringLiteral("strokeColor")))
                     .value_or(QColor(0xFF, 0x3B, 0x30));
  textColor_ = Settings::colorFromHex(settings_.d().string(QStringLiteral("textColor")))
                   .value_or(QColor(Qt::white));
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_AcceptTouchEvents, false);
  pinchTimer_.setInterval(1000 / 30);
  pinchTimer_.setTimerType(Qt::PreciseTimer);
  connect(&pinchTimer_, &QTimer::timeout, this, [this] { pinchTick(); });
  cargarAjustes();
  resize(picture.size());
}

EditorView::~EditorView() = default;

void EditorView::antesDeCambiar() {
  if (willMutate) willMutate();
  tocar();
}

void EditorView::tocar() {
  ++revision_;
  update();
}

void EditorView::hint(const QString& text) {
  if (onHint) onHint(text);
}

double EditorView::escala() const {
  return doc_.base.width() > 0 ? static_cast<double>(width()) / doc_.base.width() : 1;
}

QPointF EditorView::aImagen(QPointF v) const {
  const double k = escala();
  return QPointF(v.x() / k, doc_.base.height() - v.y() / k);
}

QPointF EditorView::aVista(QPointF i) const {
  const double k = escala();
  return QPointF(i.x() * k, (doc_.base.height() - i.y()) * k);
}

QRectF EditorView::aVista(const QRectF& r) const {
  return QRectF(aVista(QPointF(r.left(), r.bottom())), aVista(QPointF(r.right(), r.top())));
}

QPointF EditorView::aPixel(QPointF image) const {
  return QPointF(image.x(), doc_.base.height() - image.y());
}

CreationStyle EditorView::estilo() const {
  return {strokeColor_, textColor_, strokeWidth_, escala()};
}

bool EditorView::interactuando() const {
  return drag_ || draft_ || stroke_ || campo_ || calloutDrag_ || panning_;
}

void EditorView::cargarAjustes() {
  cargandoAjustes_ = true;
  const AjustesDeHerramienta a = leerAjustes(settings_.ajustesPorHerramienta(), tool_);
  setStrokeWidth(a.ancho);
  brushRadius_ = std::clamp(a.radio, kRadioMinimo, kRadioMaximo);
  brushOpacity_ = std::clamp(a.intensidad, 0.0, 1.0);
  spotSensitivity_ = std::clamp(a.sensibilidad, 0.0, 1.0);
  toneLighten_ = a.iluminar;
  toneRange_ = std::clamp(a.rango, 0, 3);
  pinchInward_ = a.encoger;
  cargandoAjustes_ = false;
}

void EditorView::guardar(const char* nombre, double valor) {
  if (cargandoAjustes_) return;
  ToolKind kind = tool_;
  if (tool_ == ToolKind::select && selected_) kind = doc_.shapes[*selected_].kind;
  settings_.guardarAjuste(QString::fromLatin1(nombre), valor, kind);
}

void EditorView::setTool(ToolKind tool) {
  if (tool == ToolKind::clone) {
    cloneSource_.reset();
    cloneVector_.reset();
  }
  if (campo_) commitTextField(false);
  tool_ = tool;
  cargarAjustes();
  if (tool != ToolKind::select) select(std::nullopt);
  if (tool != ToolKind::crop) crop_.reset();
  if (!isPixelTool(tool)) strokeTrace_.clear();
  layoutInspector();
  update();
}

void EditorView::restyleSelection(const std::function<void(Shape&)>& change) {
  if (!selected_ || *selected_ >= static_cast<int>(doc_.shapes.size())) return;
  if (!styleUndoPushed_) {
    antesDeCambiar();
    styleUndoPushed_ = true;
    // A burst of changes (a slider dragged) is one step: the next step starts after a pause.
    QTimer::singleShot(600, this, [this] { styleUndoPushed_ = false; });
  }
  change(doc_.shapes[*selected_]);
  tocar();
  if (inspector_) inspector_->updateFor(doc_.shapes[*selected_]);
  if (onDidMutate) onDidMutate();
}

void EditorView::setStrokeColor(const QColor& c) {
  strokeColor_ = c;
  settings_.d().set(QStringLiteral("strokeColor"), hexDe(c));
  restyleSelection([&](Shape& s) { s.color = c; });
  if (marco_) marco_->setColores(c, textColor_, editingKind_);
  layoutInspector();
  update();
}

void EditorView::setTextColor(const QColor& c) {
  textColor_ = c;
  settings_.d().set(QStringLiteral("textColor"), hexDe(c));
  restyleSelection([&](Shape& s) { s.textColor = c; });
  if (marco_) marco_->setColores(strokeColor_, c, editingKind_);
  layoutInspector();
}

void EditorView::setStrokeWidth(double w) {
  strokeWidth_ = std::clamp(w, 1.0, 16.0);
  guardar("ancho", strokeWidth_);
  if (cargandoAjustes_) return;
  const double k = escala();
  restyleSelection([&](Shape& s) {
    if (s.kind == ToolKind::magnifier) {
      s.zoom = zoomForSlider(strokeWidth_);
    } else if (s.kind == ToolKind::text || s.kind == ToolKind::handText ||
               s.kind == ToolKind::counter) {
      s.fontSize = (s.kind == ToolKind::counter ? std::max(17.0, 5.5 * strokeWidth_)
                                                : std::max(16.0, 6 * strokeWidth_)) /
                   k;
    } else {
      s.width = strokeWidth_ / k;
    }
  });
  if (campo_) {
    campoFont_ = std::max(16.0, 6 * strokeWidth_) / k;
    fitTextField();
  }
}

void EditorView::setBrushRadius(double r) {
  brushRadius_ = std::clamp(r, kRadioMinimo, kRadioMaximo);
  guardar("radio", brushRadius_);
  update();
}

void EditorView::setBrushOpacity(double o) {
  brushOpacity_ = std::clamp(o, 0.0, 1.0);
  guardar("intensidad", brushOpacity_);
}

void EditorView::setSpotSensitivity(double s) {
  spotSensitivity_ = std::clamp(s, 0.0, 1.0);
  guardar("sensibilidad", spotSensitivity_);
}

void EditorView::setToneLighten(bool on) {
  toneLighten_ = on;
  guardar("iluminar", on ? 1 : 0);
}

void EditorView::setToneRange(int index) {
  toneRange_ = std::clamp(index, 0, 3);
  guardar("rango", toneRange_);
}

void EditorView::setPinchInward(bool on) {
  pinchInward_ = on;
  guardar("encoger", on ? 1 : 0);
}

void EditorView::select(std::optional<int> index, bool automatic) {
  if (index && (*index < 0 || *index >= static_cast<int>(doc_.shapes.size()))) index.reset();
  selected_ = index;
  autoSelected_ = index && automatic;
  layoutInspector();
  update();
}

void EditorView::finishTool(std::optional<int> index) {
  const bool vuelve = settings_.d().boolean(QStringLiteral("revertToSelect"));
  if (vuelve && tool_ != ToolKind::select && tool_ != ToolKind::crop &&
      tool_ != ToolKind::counter) {
    setTool(ToolKind::select);
    if (index) select(index, true);
    if (onToolChanged) onToolChanged(ToolKind::select);
  }
  layoutInspector();
}

void EditorView::deleteSelection() {
  if (doc_.shapes.empty()) return;
  const int i = selected_.value_or(static_cast<int>(doc_.shapes.size()) - 1);
  antesDeCambiar();
  doc_.shapes.erase(doc_.shapes.begin() + i);
  select(std::nullopt);
  if (onDidMutate) onDidMutate();
}

void EditorView::duplicateSelection() {
  if (!selected_) return;
  antesDeCambiar();
  Shape copy = doc_.shapes[*selected_];
  const double off = 16 / escala();
  copy.translate(QPointF(off, -off));
  copy.seed = randomSeed();
  doc_.shapes.push_back(copy);
  select(static_cast<int>(doc_.shapes.size()) - 1);
  if (onDidMutate) onDidMutate();
  growCanvasIfNeeded();
}

void EditorView::restore(const Documento& s) {
  const QSize before = doc_.base.size();
  if (campo_) {
    campo_->deleteLater();
    marco_->deleteLater();
    campo_ = nullptr;
    marco_ = nullptr;
  }
  select(std::nullopt);
  drag_.reset();
  draft_.reset();
  doc_ = s;
  crop_.reset();
  preview_ = QImage();
  tocar();
  if (doc_.base.size() != before) {
    if (onImageResized) onImageResized();
  } else if (onDidMutate) {
    onDidMutate();
  }
}

void EditorView::setBase(const QImage& base) {
  doc_.base = base;
  tocar();
}

QImage EditorView::image() {
  if (campo_) commitTextField(false);
  return aplanar(doc_, fonts_);
}

void EditorView::rotate(bool clockwise) {
  if (campo_) commitTextField(false);
  antesDeCambiar();
  doc_ = rotado(doc_, clockwise, fonts_);
  select(std::nullopt);
  crop_.reset();
  tocar();
  if (onImageResized) onImageResized();
}

void EditorView::espejo(bool horizontal) {
  if (campo_) commitTextField(false);
  antesDeCambiar();
  doc_ = reflejado(doc_, horizontal, fonts_);
  crop_.reset();
  tocar();
  layoutInspector();
  hint(horizontal ? L("Espejo horizontal") : L("Espejo vertical"));
  if (onDidMutate) onDidMutate();
}

bool EditorView::applyCrop() {
  if (!crop_) return false;
  if (campo_) commitTextField(false);
  const std::optional<Documento> cut = recortado(doc_, *crop_, fonts_);
  if (!cut) {
    crop_.reset();
    update();
    return false;
  }
  antesDeCambiar();
  doc_ = *cut;
  select(std::nullopt);
  crop_.reset();
  tocar();
  if (onImageResized) onImageResized();
  if (settings_.d().boolean(QStringLiteral("revertToSelect")) && tool_ == ToolKind::crop) {
    setTool(ToolKind::select);
    if (onToolChanged) onToolChanged(ToolKind::select);
  }
  return true;
}

void EditorView::setCropSelection(std::optional<QRectF> r) {
  crop_ = r;
  update();
}

void EditorView::growCanvasIfNeeded() {
  if (crop_ || stroke_) return;
  const std::optional<Crecimiento> c = crecimientoDelLienzo(doc_.shapes, doc_.base.size(), fonts_);
  if (!c) return;
  // The shapes that went past the edge are already in the last snapshot's successor; the
  // growth itself is part of the same change, so it pushes no snapshot of its own.
  doc_ = crecido(doc_, *c);
  tocar();
  if (onImageResized) onImageResized();
  hint(L("Se salía del borde: lienzo ampliado a %@×%@", c->tamano.width(), c->tamano.height()));
}

void EditorView::copy() {
  if (onCopy) onCopy();
}

void EditorView::paste() {
  const QImage picture = imagenDelPortapapeles ? imagenDelPortapapeles() : QImage();
  if (picture.isNull()) {
    hint(L("No hay ninguna imagen en el portapapeles"));
    return;
  }
  place(picture);
}

void EditorView::place(const QImage& picture) {
  if (picture.isNull() || doc_.base.isNull()) return;
  if (campo_) commitTextField(false);
  const double W = doc_.base.width(), H = doc_.base.height();
  const double w = picture.width(), h = picture.height();
  const double s = std::min(1.0, 0.66 * std::min(W / w, H / h));
  Shape shape = Shape::create(ToolKind::image, QPointF(0, 0), estilo(), randomSeed());
  shape.image = picture;
  shape.color = QColor(Qt::red);
  shape.textColor = QColor(Qt::white);
  shape.start = QPointF((W - w * s) / 2, (H - h * s) / 2);
  shape.end = shape.start + QPointF(w * s, h * s);
  antesDeCambiar();
  doc_.shapes.push_back(shape);
  tool_ = ToolKind::select;
  cargarAjustes();
  if (onToolChanged) onToolChanged(ToolKind::select);
  select(static_cast<int>(doc_.shapes.size()) - 1);
  hint(L("Imagen pegada — arrástrala o jala sus esquinas para acomodarla"));
  if (onDidMutate) onDidMutate();
  growCanvasIfNeeded();
}

void EditorView::handleEscape() {
  if (campo_) {
    commitTextField(true);
    return;
  }
  if (crop_) {
    crop_.reset();
    setTool(ToolKind::select);
    if (onToolChanged) onToolChanged(ToolKind::select);
    return;
  }
  if (tool_ == ToolKind::select) {
    if (selected_ && !autoSelected_) {
      select(std::nullopt);
      return;
    }
    if (onEscape) onEscape();
    return;
  }
  if (tool_ == ToolKind::clone && cloneSource_) {
    cloneSource_.reset();
    cloneVector_.reset();
    hint(L("Origen soltado — clic en lo que quieres copiar"));
    if (onToolChanged) onToolChanged(tool_);
    update();
    return;
  }
  setTool(ToolKind::select);
  if (onToolChanged) onToolChanged(ToolKind::select);
}

void EditorView::setPreviewScale(double s) {
  if (std::abs(s - previewScale_) < 1e-9) return;
  previewScale_ = s;
  preview_ = QImage();
  update();
}

void EditorView::setPreview(const QImage& preview, quint64 rev) {
  preview_ = preview;
  previewRevision_ = rev;
  update();
}

bool EditorView::showsPreview() const {
  return previewScale_ < 0.999 && !preview_.isNull() && previewRevision_ == revision_ &&
         !interactuando();
}

void EditorView::setShowingOriginal(bool on) {
  showingOriginal_ = on;
  update();
}

void EditorView::setShowingPrevious(std::optional<Documento> previous) {
  previous_ = std::move(previous);
  update();
}

void EditorView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutInspector();
}

// --- Inspector ------------------------------------------------------------------------------

void EditorView::setInspector(InspectorBar* bar, QWidget* host) {
  inspector_ = bar;
  inspectorHost_ = host;
  bar->onResize = [this] { layoutInspector(); };
  bar->onPickColor = [this](const QColor& c, InspectorTarget target) {
    if (target == InspectorTarget::text) {
      setTextColor(c);
    } else {
      setStrokeColor(c);
    }
  };
  bar->onWidth = [this](double v) { setStrokeWidth(v); };
  bar->onDelete = [this] { deleteSelection(); };
  bar->onDuplicate = [this] { duplicateSelection(); };
  layoutInspector();
}

void EditorView::layoutInspector() {
  // Configuring the bar resizes it, which asks for a layout again: this one places it anyway.
  if (!inspector_ || !inspectorHost_ || colocando_) return;
  const QScopedValueRollback<bool> guard(colocando_, true);
  const double k = escala();
  QRectF anchor;
  if (tool_ == ToolKind::select && selected_ && !campo_) {
    const Shape& s = doc_.shapes[*selected_];
    if (inspectorIndex_ == selected_ && inspector_->shape() && !inspector_->esPlantilla()) {
      inspector_->updateFor(s);
    } else {
      inspector_->configure(s, k, false);
    }
    inspectorIndex_ = selected_;
    inspectorPlantilla_.reset();
    anchor = aVista(s.boundingBox(fonts_));
  } else {
    const ToolKind kind = campo_ ? editingKind_ : tool_;
    CreationStyle style = estilo();
    std::optional<Shape> plantilla = plantillaDeHerramienta(kind, style);
    if (!plantilla) {
      inspector_->hide();
      inspectorIndex_.reset();
      inspectorPlantilla_.reset();
      return;
    }
    plantilla->fontSize = std::max(16.0, 6 * strokeWidth_) / k;
    if (inspectorPlantilla_ != kind || inspectorIndex_) {
      inspector_->configure(*plantilla, k, true);
    } else {
      inspector_->updateFor(*plantilla);
    }
    inspectorPlantilla_ = kind;
    inspectorIndex_.reset();
    anchor = marco_ ? QRectF(marco_->geometry()) : QRectF(width() / 2.0, -8, 0, 0);
  }
  if (drag_) {
    inspector_->hide();
    return;
  }
  // The bar floats over the visible part of the canvas.
  const QPoint offset = mapTo(inspectorHost_, QPoint(0, 0));
  const QRect area = QRect(offset, size()).intersected(inspectorHost_->rect());
  const QPoint at = posicionDelInspector(anchor.translated(offset), inspector_->size(),
                                         area.isEmpty() ? inspectorHost_->rect() : area);
  inspector_->move(at);
  inspector_->show();
  inspector_->raise();
}

}  // namespace corvalin
