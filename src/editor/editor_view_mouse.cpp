// The canvas's mouse: drawing, selecting and dragging annotations, aiming callouts, marking
// the crop, counters, and handing pixel strokes to the brush.
#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QScrollBar>

#include "editor/annotation_paths.h"
#include "editor/editor_view.h"
#include "editor/point_math.h"
#include "editor/style_bar.h"

namespace corvalin {
namespace {

QAbstractScrollArea* scrollAreaOf(QWidget* w) {
  for (QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget()) {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(p)) return area;
  }
  return nullptr;
}

}  // namespace

void EditorView::mousePressEvent(QMouseEvent* e) {
  if (bloqueado_ || e->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(e);
    return;
  }
  setFocus(Qt::MouseFocusReason);
  if (spaceHeld_) {
    panning_ = true;
    panLast_ = e->globalPosition();
    setCursor(Qt::ClosedHandCursor);
    return;
  }
  press(aImagen(e->position()), 1, e->modifiers());
}

void EditorView::mouseDoubleClickEvent(QMouseEvent* e) {
  if (bloqueado_ || e->button() != Qt::LeftButton || spaceHeld_) return;
  press(aImagen(e->position()), 2, e->modifiers());
}

void EditorView::mouseMoveEvent(QMouseEvent* e) {
  if (bloqueado_) return;
  const QPointF p = aImagen(e->position());
  if (panning_) {
    const QPointF d = e->globalPosition() - panLast_;
    panLast_ = e->globalPosition();
    if (QAbstractScrollArea* area = scrollAreaOf(this)) {
      area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->value() -
                                            static_cast<int>(std::lround(d.x())));
      area->verticalScrollBar()->setValue(area->verticalScrollBar()->value() -
                                          static_cast<int>(std::lround(d.y())));
    }
    return;
  }
  if (isPixelTool(tool_)) {
    brushCenter_ = p;
    update();
  }
  if (e->buttons() & Qt::LeftButton) drag(p);
}

void EditorView::mouseReleaseEvent(QMouseEvent* e) {
  if (bloqueado_ || e->button() != Qt::LeftButton) return;
  if (panning_) {
    panning_ = false;
    if (spaceHeld_) {
      setCursor(Qt::OpenHandCursor);
    } else {
      unsetCursor();
    }
    return;
  }
  release(aImagen(e->position()));
}

void EditorView::press(QPointF p, int clicks, Qt::KeyboardModifiers mods) {
  if (campo_) {
    commitTextField(true);
    return;
  }
  if (isPixelTool(tool_)) {
    if (healing_) return;
    brushCenter_ = p;
    beginStroke(p, mods & Qt::AltModifier);
    return;
  }
  switch (tool_) {
    case ToolKind::counter:
      addCounter(p);
      return;
    case ToolKind::select:
      pressSelect(p, clicks);
      return;
    case ToolKind::text:
    case ToolKind::handText:
      calloutDrag_ = std::make_pair(p, p);
      editingKind_ = tool_;
      update();
      return;
    default:
      break;
  }
  draft_ = Shape::create(tool_, p, estilo(), randomSeed(), currentSticker_);
  draftStart_ = p;
}

void EditorView::pressSelect(QPointF p, int clicks) {
  const double tol = tolerancia();
  if (clicks >= 2) {
    for (int i = static_cast<int>(doc_.shapes.size()) - 1; i >= 0; --i) {
      const Shape& s = doc_.shapes[i];
      if ((s.kind == ToolKind::text || s.kind == ToolKind::handText) && s.hitTest(p, tol, fonts_)) {
        reopenCallout(i);
        return;
      }
    }
  }
  if (selected_) {
    const Shape& s = doc_.shapes[*selected_];
    if (const std::optional<int> h = handleAt(s, p, tol, fonts_, autoSelected_)) {
      drag_ = Arrastre{Arrastre::Tipo::asa, p, *h, s};
      dragUndoPushed_ = false;
      return;
    }
  }
  const std::optional<int> hit = shapeAt(doc_.shapes, p, tol, fonts_);
  if (!hit) {
    select(std::nullopt);
    return;
  }
  select(hit, false);
  const Shape& s = doc_.shapes[*hit];
  const bool enPanel = s.kind == ToolKind::magnifier && s.magnifierPanel().contains(p);
  drag_ = Arrastre{enPanel ? Arrastre::Tipo::panel : Arrastre::Tipo::mover, p, 0, s};
  dragUndoPushed_ = false;
}

void EditorView::drag(QPointF p) {
  brushCenter_ = p;
  if (stroke_) {
    continueStroke(p);
    return;
  }
  if (!drag_) {
    if (calloutDrag_) {
      calloutDrag_->second = p;
    } else if (draft_) {
      if (draft_->kind == ToolKind::pencil || draft_->kind == ToolKind::highlight) {
        draft_->points.push_back(p);
      } else {
        draft_->end = p;
      }
    }
    update();
    return;
  }
  if (!selected_ || *selected_ >= static_cast<int>(doc_.shapes.size())) return;
  if (!dragUndoPushed_) {
    antesDeCambiar();
    dragUndoPushed_ = true;
    if (inspector_) inspector_->hide();
  }
  doc_.shapes[*selected_] = aplicarArrastre(*drag_, p, fonts_);
  tocar();
}

void EditorView::release(QPointF p) {
  if (stroke_) {
    endStroke();
    if (onDidMutate) onDidMutate();
    return;
  }
  if (drag_) {
    const bool moved = dragUndoPushed_;
    drag_.reset();
    dragUndoPushed_ = false;
    layoutInspector();
    if (moved) {
      if (onDidMutate) onDidMutate();
      growCanvasIfNeeded();
    }
    update();
    return;
  }
  if (calloutDrag_) {
    const auto [origin, tip] = *calloutDrag_;
    calloutDrag_.reset();
    const double d = length(p - origin);
    pendingTail_.reset();
    if (editingKind_ == ToolKind::text && d > kToleranciaPuntos / escala()) pendingTail_ = p;
    (void)tip;
    editingTemplate_.reset();
    beginTextEditing(origin, std::nullopt, 0);
    return;
  }
  if (draft_) endDraft();
}

void EditorView::endDraft() {
  Shape s = std::move(*draft_);
  draft_.reset();
  const QSizeF picture(doc_.base.size());
  if (s.kind == ToolKind::sticker && (s.rect().width() < 12 || s.rect().height() < 12)) {
    const QRectF r = stickerDeUnClic(draftStart_, picture);
    s.start = r.topLeft();
    s.end = r.bottomRight();
  }
  if (!s.isMeaningful()) {
    update();
    return;
  }
  if (s.kind == ToolKind::magnifier && !s.tail) {
    s.tail = magnifierPlacement(s.rect(), s.zoom, picture);
  }
  if (s.kind == ToolKind::crop) {
    crop_ = roundedOut(s.rect());
    update();
    return;
  }
  agregarTerminada(s);
}

void EditorView::addCounter(QPointF p) {
  Shape s = Shape::create(ToolKind::counter, p, estilo(), randomSeed());
  s.number = nextCounterNumber(doc_.shapes);
  colocarContador(s, p, QSizeF(doc_.base.size()), fonts_);
  agregarTerminada(s);
}

void EditorView::agregarTerminada(const Shape& s) {
  antesDeCambiar();
  doc_.shapes.push_back(s);
  tocar();
  finishTool(static_cast<int>(doc_.shapes.size()) - 1);
  if (onDidMutate) onDidMutate();
  growCanvasIfNeeded();
}

}  // namespace corvalin
