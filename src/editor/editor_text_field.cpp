#include "editor/editor_text_field.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace corvalin {

CampoDeTexto::CampoDeTexto(QWidget* parent) : QTextEdit(parent) {
  setFrameShape(QFrame::NoFrame);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setLineWrapMode(QTextEdit::NoWrap);
  setAcceptRichText(false);
  setTabChangesFocus(true);
  setAutoFillBackground(false);
  viewport()->setAutoFillBackground(false);
  setAttribute(Qt::WA_TranslucentBackground);
  viewport()->setAttribute(Qt::WA_TranslucentBackground);
  document()->setDocumentMargin(0);
  setContentsMargins(0, 0, 0, 0);
  setAlignment(Qt::AlignCenter);
  connect(this, &QTextEdit::textChanged, this, [this] {
    if (alCambiar) alCambiar();
  });
}

void CampoDeTexto::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    if (e->modifiers() & (Qt::ShiftModifier | Qt::AltModifier)) {
      insertPlainText(QStringLiteral("\n"));
      setAlignment(Qt::AlignCenter);
      return;
    }
    if (alConfirmar) alConfirmar();
    return;
  }
  if (e->key() == Qt::Key_Escape) {
    if (alEscapar) alEscapar();
    return;
  }
  QTextEdit::keyPressEvent(e);
}

void CampoDeTexto::focusOutEvent(QFocusEvent* e) {
  QTextEdit::focusOutEvent(e);
}

MarcoDeTexto::MarcoDeTexto(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TranslucentBackground);
}

void MarcoDeTexto::setColores(const QColor& stroke, const QColor&, ToolKind kind) {
  fondo_ = stroke;
  burbuja_ = kind == ToolKind::text;
  update();
}

void MarcoDeTexto::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  if (burbuja_ && fondo_.alphaF() >= 0.02f) {
    QPainterPath path;
    path.addRoundedRect(r, radio_, radio_);
    p.fillPath(path, fondo_);
  }
  // A thin dashed outline shows where the text goes, whatever the picture behind it.
  QPen pen(QColor(255, 255, 255, 200), 1, Qt::DashLine);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r, radio_, radio_);
  pen.setColor(QColor(0, 0, 0, 120));
  pen.setDashOffset(3);
  p.setPen(pen);
  p.drawRoundedRect(r, radio_, radio_);
}

}  // namespace corvalin
