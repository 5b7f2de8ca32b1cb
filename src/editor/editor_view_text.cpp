// The canvas's text editing: callouts and handwritten text typed in place.
#include <QSignalBlocker>
#include <QTimer>

#include "editor/editor_text_field.h"
#include "editor/editor_view.h"
#include "editor/style_bar.h"

namespace corvalin {

double EditorView::campoFontImage() const {
  return campoFont_;
}

void EditorView::beginTextEditing(QPointF at, std::optional<Shape> existing, double imageFontSize) {
  const double k = escala();
  campoOrigen_ = at;
  campoFont_ = imageFontSize > 0 ? imageFontSize : std::max(16.0, 6 * strokeWidth_) / k;
  marco_ = new MarcoDeTexto(this);
  campo_ = new CampoDeTexto(marco_);
  const bool mano = editingKind_ == ToolKind::handText;
  const QColor stroke = existing ? existing->color : strokeColor_;
  const QColor ink = mano ? stroke : (existing ? existing->textColor : textColor_);
  marco_->setColores(stroke, ink, editingKind_);
  QPalette pal = campo_->palette();
  pal.setColor(QPalette::Text, ink);
  pal.setColor(QPalette::Base, Qt::transparent);
  campo_->setPalette(pal);
  campo_->alConfirmar = [this] { commitTextField(true); };
  campo_->alEscapar = [this] { commitTextField(true); };
  campo_->alCambiar = [this] { fitTextField(); };
  if (existing) campo_->setPlainText(existing->text);
  fitTextField();
  marco_->show();
  campo_->show();
  campo_->setFocus(Qt::OtherFocusReason);
  campo_->moveCursor(QTextCursor::End);
  layoutInspector();
}

void EditorView::fitTextField() {
  if (!campo_ || !marco_) return;
  const double k = escala();
  Shape s;
  s.kind = editingKind_;
  s.fontSize = campoFont_;
  s.text = campo_->toPlainText();
  s.start = campoOrigen_;
  const bool mano = editingKind_ == ToolKind::handText;
  const QRectF box = mano ? s.handTextBox(fonts_) : s.calloutBox(fonts_);
  const double inset = mano ? 0 : calloutPadding(campoFont_) / 2 * k;
  QFont f = fonts_.font(s.textRole());
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(campoFont_ * k))));
  if (campo_->font() != f) campo_->setFont(f);
  const QRectF v = aVista(box);
  // A little room on the right keeps the caret from scrolling the text while typing.
  marco_->setGeometry(v.toAlignedRect().adjusted(0, 0, 4, 0));
  marco_->setRadio(mano ? 4 : std::min(0.38 * campoFont_, 0.1 * box.height()) * k);
  const int in = static_cast<int>(std::floor(inset));
  campo_->setGeometry(in, in, marco_->width() - 2 * in, marco_->height() - 2 * in);
  if (campo_->alignment() != Qt::AlignCenter) {
    // Aligning is an edit of its own: it would report a change and re-fit without end.
    const QSignalBlocker quiet(campo_);
    campo_->setAlignment(Qt::AlignCenter);
  }
  if (inspector_ && inspector_->isVisible()) layoutInspector();
}

void EditorView::commitTextField(bool finishing) {
  if (!campo_) return;
  const QString text = campo_->toPlainText();
  campo_->alCambiar = nullptr;
  campo_->hide();
  marco_->hide();
  campo_->deleteLater();
  marco_->deleteLater();
  campo_ = nullptr;
  marco_ = nullptr;
  setFocus(Qt::OtherFocusReason);
  const std::optional<Shape> plantilla = std::exchange(editingTemplate_, std::nullopt);
  const std::optional<QPointF> tail = std::exchange(pendingTail_, std::nullopt);
  if (text.trimmed().isEmpty()) {
    // A re-opened text emptied is gone: its removal was the change announced when it opened.
    tocar();
    if (plantilla && onDidMutate) onDidMutate();
    layoutInspector();
    return;
  }
  Shape s =
      plantilla ? *plantilla : Shape::create(editingKind_, campoOrigen_, estilo(), randomSeed());
  s.start = campoOrigen_;
  s.end = campoOrigen_;
  s.text = text;
  s.fontSize = campoFont_;
  if (s.kind == ToolKind::handText) {
    s.tail.reset();
  } else {
    s.tail = tail ? *tail : defaultTail(s.calloutBox(fonts_), escala());
  }
  if (!plantilla) antesDeCambiar();
  doc_.shapes.push_back(s);
  const int index = static_cast<int>(doc_.shapes.size()) - 1;
  tocar();
  if (finishing) finishTool(index);
  if (tool_ == ToolKind::select) select(index, finishing && !plantilla);
  if (onDidMutate) onDidMutate();
  growCanvasIfNeeded();
  layoutInspector();
}

void EditorView::reopenCallout(int index) {
  if (index < 0 || index >= static_cast<int>(doc_.shapes.size())) return;
  antesDeCambiar();
  const Shape s = doc_.shapes[index];
  doc_.shapes.erase(doc_.shapes.begin() + index);
  select(std::nullopt);
  editingTemplate_ = s;
  pendingTail_ = s.tail;
  editingKind_ = s.kind;
  beginTextEditing(s.start, s, s.fontSize);
}

}  // namespace corvalin
