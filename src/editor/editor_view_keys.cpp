// The canvas's keyboard, wheel and pinch: tool letters, zoom keys, compare, panning, brush
// size, nudging, crop, delete and Escape.
#include <QKeyEvent>
#include <QNativeGestureEvent>
#include <QWheelEvent>
#include <cmath>

#include "core/settings.h"
#include "core/texts.h"
#include "editor/editor_view.h"

namespace corvalin {

void EditorView::keyPressEvent(QKeyEvent* e) {
  if (bloqueado_) return;
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  const bool ctrl = mods & Qt::ControlModifier;
  const bool alt = mods & Qt::AltModifier;
  const bool shift = mods & Qt::ShiftModifier;
  const int key = e->key();

  if (ctrl) {
    switch (key) {
      case Qt::Key_Plus:
      case Qt::Key_Equal:
        if (onZoom) onZoom({ZoomCommand::Tipo::zoomIn});
        return;
      case Qt::Key_Minus:
        if (onZoom) onZoom({ZoomCommand::Tipo::zoomOut});
        return;
      case Qt::Key_0:
        if (onZoom) onZoom({ZoomCommand::Tipo::fit});
        return;
      case Qt::Key_1:
        if (onZoom) onZoom({ZoomCommand::Tipo::actual});
        return;
      case Qt::Key_D:
        duplicateSelection();
        return;
      case Qt::Key_H:
        espejo(!alt);
        return;
      case Qt::Key_R:
        rotate(!shift);
        return;
      case Qt::Key_C:
        copy();
        return;
      case Qt::Key_V:
        paste();
        return;
      default:
        break;
    }
    QWidget::keyPressEvent(e);
    return;
  }
  if (key == Qt::Key_Backslash) {
    if (e->isAutoRepeat()) return;
    if (alt) {
      if (onComparePrevious) onComparePrevious(true);
    } else {
      setShowingOriginal(true);
      hint(L("Así estaba antes de editar"));
    }
    return;
  }
  if (key == Qt::Key_Space) {
    if (!e->isAutoRepeat()) {
      spaceHeld_ = true;
      setCursor(Qt::OpenHandCursor);
    }
    return;
  }
  if (isPixelTool(tool_) && (key == Qt::Key_BracketLeft || key == Qt::Key_BracketRight)) {
    setBrushRadius(pasoDeRadio(brushRadius_, key == Qt::Key_BracketRight));
    if (onBrushRadius) onBrushRadius(brushRadius_);
    return;
  }
  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
      if (!selected_) break;
      const double step = shift ? 10 : 1;
      const QPointF d = key == Qt::Key_Left    ? QPointF(-step, 0)
                        : key == Qt::Key_Right ? QPointF(step, 0)
                        : key == Qt::Key_Up    ? QPointF(0, step)
                                               : QPointF(0, -step);
      if (!e->isAutoRepeat()) antesDeCambiar();
      doc_.shapes[*selected_].translate(d);
      tocar();
      layoutInspector();
      if (onDidMutate) onDidMutate();
      return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!applyCrop() && onEnter) onEnter();
      return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
      deleteSelection();
      return;
    case Qt::Key_Escape:
      handleEscape();
      return;
    default:
      break;
  }
  if (!alt && !(mods & Qt::MetaModifier) && e->text().size() == 1 && e->text()[0].isLetter()) {
    if (const std::optional<ToolKind> t = settings_.tool(e->text())) {
      setTool(*t);
      if (onToolChanged) onToolChanged(*t);
      return;
    }
  }
  QWidget::keyPressEvent(e);
}

void EditorView::keyReleaseEvent(QKeyEvent* e) {
  if (e->isAutoRepeat()) return;
  if (e->key() == Qt::Key_Backslash) {
    setShowingOriginal(false);
    if (onComparePrevious) onComparePrevious(false);
    return;
  }
  if (e->key() == Qt::Key_Space) {
    spaceHeld_ = false;
    panning_ = false;
    unsetCursor();
    return;
  }
  QWidget::keyReleaseEvent(e);
}

void EditorView::wheelEvent(QWheelEvent* e) {
  if (e->modifiers() & Qt::ControlModifier) {
    const double steps = e->angleDelta().y() / 120.0;
    if (steps != 0 && onZoom) onZoom({ZoomCommand::Tipo::factor, std::pow(1.25, steps)});
    e->accept();
    return;
  }
  QWidget::wheelEvent(e);
}

bool EditorView::event(QEvent* e) {
  if (e->type() == QEvent::NativeGesture) {
    auto* g = static_cast<QNativeGestureEvent*>(e);
    if (g->gestureType() == Qt::ZoomNativeGesture) {
      if (onZoom) onZoom({ZoomCommand::Tipo::factor, 1 + g->value()});
      return true;
    }
  }
  // Tab would move the focus away from the canvas; here it means nothing.
  if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Tab) {
    return true;
  }
  return QWidget::event(e);
}

void EditorView::leaveEvent(QEvent* e) {
  brushCenter_.reset();
  update();
  QWidget::leaveEvent(e);
}

}  // namespace corvalin
