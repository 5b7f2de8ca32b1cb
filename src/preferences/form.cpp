#include "preferences/form.h"

#include <QAbstractButton>
#include <QFrame>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

namespace corvalin {

Seccion::Seccion(const QString& titulo, QWidget* parent) : QGroupBox(titulo, parent) {
  setFlat(false);
  filas_ = new QFormLayout(this);
  filas_->setRowWrapPolicy(QFormLayout::WrapLongRows);
  filas_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  filas_->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void Seccion::fila(const QString& etiqueta, QWidget* campo) {
  auto* label = new QLabel(etiqueta, this);
  label->setBuddy(campo);
  if (campo->accessibleName().isEmpty()) campo->setAccessibleName(etiqueta);
  filas_->addRow(label, campo);
}

void Seccion::fila(QWidget* campo) {
  if (auto* button = qobject_cast<QAbstractButton*>(campo);
      button != nullptr && campo->accessibleName().isEmpty()) {
    campo->setAccessibleName(button->text());
  }
  filas_->addRow(campo);
}

void Seccion::fila(QLayout* campos) {
  filas_->addRow(campos);
}

QLabel* Seccion::leyenda(const QString& texto) {
  QLabel* label = corvalin::leyenda(texto, this);
  filas_->addRow(label);
  return label;
}

QLabel* leyenda(const QString& texto, QWidget* parent) {
  auto* label = new QLabel(texto, parent);
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);
  QFont font = label->font();
  font.setPointSizeF(font.pointSizeF() * 0.9);
  label->setFont(font);
  // The placeholder role is the theme's secondary text colour, light or dark alike, and
  // follows the palette when the desktop switches theme.
  label->setForegroundRole(QPalette::PlaceholderText);
  return label;
}

QIcon simboloTenido(const QIcon& icono, const QColor& color) {
  QIcon tenido;
  for (const int lado : {16, 24, 32, 48}) {
    QPixmap pixmap = icono.pixmap(lado, lado);
    if (pixmap.isNull()) continue;
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    painter.end();
    tenido.addPixmap(pixmap);
  }
  return tenido;
}

Pagina::Pagina(QWidget* parent) : QScrollArea(parent) {
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Tab goes straight to the page's first control; the mouse wheel and the focused control
  // scroll it.
  setFocusPolicy(Qt::NoFocus);
  auto* contenido = new QWidget(this);
  columna_ = new QVBoxLayout(contenido);
  columna_->setContentsMargins(12, 12, 12, 12);
  columna_->setSpacing(12);
  setWidget(contenido);
}

Seccion* Pagina::seccion(const QString& titulo) {
  auto* s = new Seccion(titulo, widget());
  columna_->addWidget(s);
  return s;
}

}  // namespace corvalin
