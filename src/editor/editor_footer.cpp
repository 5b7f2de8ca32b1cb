#include "editor/editor_footer.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <cmath>

#include "core/texts.h"
#include "editor/editor_export.h"
#include "editor/editor_zoom.h"

namespace corvalin {

int indiceDeTamano(double scale) {
  const auto& opciones = opcionesDeTamano();
  int best = 0;
  for (int i = 0; i < static_cast<int>(opciones.size()); ++i) {
    if (std::abs(opciones[i].valor - scale) < std::abs(opciones[best].valor - scale)) best = i;
  }
  return best;
}

EditorFooter::EditorFooter(QWidget* parent) : QWidget(parent) {
  setFixedHeight(kAltoPie);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(12, 0, 14, 0);
  row->setSpacing(10);
  tamano_ = new QComboBox(this);
  for (const OpcionDeTamano& o : opcionesDeTamano()) tamano_->addItem(o.titulo);
  tamano_->setToolTip(L("Tamaño al copiar, guardar o subir"));
  tamano_->setFocusPolicy(Qt::NoFocus);
  tamano_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  connect(tamano_, &QComboBox::activated, this, [this](int i) {
    if (alElegirTamano) alElegirTamano(i);
  });
  peso_ = new QLabel(this);
  peso_->setToolTip(L("Medidas y peso con los que se va a copiar, guardar o subir"));
  statusLabel_ = new QLabel(this);
  statusLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  statusLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  QPalette dim = statusLabel_->palette();
  dim.setColor(QPalette::WindowText, dim.color(QPalette::PlaceholderText));
  statusLabel_->setPalette(dim);
  row->addWidget(tamano_);
  row->addWidget(peso_);
  row->addSpacing(8);
  row->addWidget(statusLabel_, 1);
}

void EditorFooter::setTamano(int index) {
  tamano_->setCurrentIndex(index);
}

void EditorFooter::setPeso(const QString& text) {
  peso_->setText(text);
}

QString EditorFooter::peso() const {
  return peso_->text();
}

void EditorFooter::setStatus(const QString& text) {
  status_ = text;
  mostrarStatus();
}

void EditorFooter::mostrarStatus() {
  const QFontMetrics fm(statusLabel_->font());
  statusLabel_->setText(fm.elidedText(status_, Qt::ElideRight, std::max(0, statusLabel_->width())));
  statusLabel_->setToolTip(status_);
}

void EditorFooter::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  mostrarStatus();
}

void EditorFooter::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  QColor edge = palette().color(QPalette::WindowText);
  edge.setAlphaF(0.12f);
  p.fillRect(QRect(0, 0, width(), 1), edge);
}

}  // namespace corvalin
