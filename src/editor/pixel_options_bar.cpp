#include "editor/pixel_options_bar.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QToolButton>
#include <cmath>

#include "core/texts.h"
#include "editor/editor_icons.h"
#include "editor/editor_view.h"
#include "editor/editor_zoom.h"
#include "retouch/tone_brush.h"

namespace corvalin {

QString pistaDeHerramienta(ToolKind tool, bool conOrigen) {
  switch (tool) {
    case ToolKind::repair:
      return L("Pinta encima de lo que sobra y se rellena con el fondo");
    case ToolKind::clone:
      return conOrigen
                 ? L("Copia siempre desde el círculo azul · Esc o K lo sueltan · Alt+clic lo mueve")
                 : L("1) clic en lo que quieres copiar   2) arrastra donde quieres la copia");
    case ToolKind::warp:
      return L("Arrastra y la imagen se estira detrás del pincel");
    case ToolKind::tone:
      return L("Alt invierte iluminar y oscurecer");
    case ToolKind::despeckle:
      return L("Barre la zona con el pincel y al soltar se borra cada punto negro que haya dentro");
    case ToolKind::pinch:
      return L(
          "Clic y mantén: el efecto crece mientras aprietas · arrastra para mover el centro · "
          "Alt invierte");
    default:
      return {};
  }
}

namespace {

QSlider* slider(int from, int to, int width, QWidget* parent) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setRange(from, to);
  s->setFixedWidth(width);
  s->setFocusPolicy(Qt::NoFocus);
  return s;
}

QToolButton* segmento(QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setCheckable(true);
  b->setAutoRaise(true);
  b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  b->setIconSize(QSize(15, 15));
  b->setFocusPolicy(Qt::NoFocus);
  b->setFixedHeight(24);
  return b;
}

}  // namespace

PixelOptionsBar::PixelOptionsBar(QWidget* parent) : QWidget(parent) {
  setFixedHeight(kAltoBarraDeOpciones);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(14, 0, 14, 0);
  row->setSpacing(8);
  radioCaption_ = new QLabel(L("Pincel"), this);
  radio_ = slider(3, 200, 140, this);
  radioValor_ = new QLabel(this);
  radioValor_->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QStringLiteral("300 px")));
  const QString tip =
      L("Tamaño del pincel en pantalla — no cambia con el zoom, así que acercándote retocas más "
        "fino. También con [ y ]");
  for (QWidget* w : {static_cast<QWidget*>(radioCaption_), static_cast<QWidget*>(radio_),
                     static_cast<QWidget*>(radioValor_)}) {
    w->setToolTip(tip);
  }
  fuerzaCaption_ = new QLabel(this);
  fuerza_ = slider(10, 100, 110, this);
  fuerzaValor_ = new QLabel(this);
  fuerzaValor_->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QStringLiteral("100 %")));
  primero_ = segmento(this);
  segundo_ = segmento(this);
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  group->addButton(primero_);
  group->addButton(segundo_);
  rango_ = new QComboBox(this);
  rango_->setFocusPolicy(Qt::NoFocus);
  for (retouch::ToneRange r : retouch::kAllToneRanges) rango_->addItem(L(retouch::etiqueta(r)));
  rango_->setToolTip(L("Sobre qué tonos actúa el pincel"));
  pista_ = new QLabel(this);
  pista_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  QPalette dim = pista_->palette();
  dim.setColor(QPalette::WindowText, dim.color(QPalette::PlaceholderText));
  pista_->setPalette(dim);

  row->addWidget(radioCaption_);
  row->addWidget(radio_);
  row->addWidget(radioValor_);
  row->addSpacing(10);
  row->addWidget(fuerzaCaption_);
  row->addWidget(fuerza_);
  row->addWidget(fuerzaValor_);
  row->addWidget(primero_);
  row->addWidget(segundo_);
  row->addWidget(rango_);
  row->addSpacing(10);
  row->addWidget(pista_, 1);

  connect(radio_, &QSlider::valueChanged, this, [this](int v) {
    radioValor_->setText(QStringLiteral("%1 px").arg(v));
    if (!cargando_ && canvas_) canvas_->setBrushRadius(v);
  });
  connect(fuerza_, &QSlider::valueChanged, this, [this](int v) {
    fuerzaValor_->setText(QStringLiteral("%1 %").arg(v));
    if (cargando_ || !canvas_) return;
    if (tool_ == ToolKind::despeckle) {
      canvas_->setSpotSensitivity(v / 100.0);
    } else {
      canvas_->setBrushOpacity(v / 100.0);
    }
  });
  connect(primero_, &QToolButton::toggled, this, [this](bool on) {
    if (cargando_ || !canvas_) return;
    if (tool_ == ToolKind::tone) canvas_->setToneLighten(on);
    if (tool_ == ToolKind::pinch) canvas_->setPinchInward(on);
  });
  connect(rango_, &QComboBox::activated, this, [this](int i) {
    if (canvas_) canvas_->setToneRange(i);
  });
}

void PixelOptionsBar::setRadio(double radius) {
  cargando_ = true;
  radio_->setValue(static_cast<int>(std::lround(radius)));
  radioValor_->setText(QStringLiteral("%1 px").arg(std::lround(radius)));
  cargando_ = false;
}

void PixelOptionsBar::mostrarPara(ToolKind tool, EditorView* canvas) {
  canvas_ = canvas;
  tool_ = tool;
  cargando_ = true;
  setRadio(canvas->brushRadius());
  const bool conFuerza =
      tool == ToolKind::clone || tool == ToolKind::pinch || tool == ToolKind::despeckle;
  fuerzaCaption_->setVisible(conFuerza);
  fuerza_->setVisible(conFuerza);
  fuerzaValor_->setVisible(conFuerza);
  if (conFuerza) {
    const bool motas = tool == ToolKind::despeckle;
    fuerzaCaption_->setText(motas ? L("Sensibilidad") : L("Intensidad"));
    const QString tip =
        motas ? L("Qué tan tenue puede ser una mota para que cuente como punto negro")
        : tool == ToolKind::clone
            ? L("Intensidad: con menos de 100 % lo clonado se funde con lo que ya había")
            : L("Intensidad: qué tan rápido crece el efecto mientras mantienes el clic");
    for (QWidget* w : {static_cast<QWidget*>(fuerzaCaption_), static_cast<QWidget*>(fuerza_),
                       static_cast<QWidget*>(fuerzaValor_)}) {
      w->setToolTip(tip);
    }
    const double v = motas ? canvas->spotSensitivity() : canvas->brushOpacity();
    const int shown = std::clamp(static_cast<int>(std::lround(v * 100)), 10, 100);
    fuerza_->setValue(shown);
    fuerzaValor_->setText(QStringLiteral("%1 %").arg(shown));
  }
  const bool dosSegmentos = tool == ToolKind::tone || tool == ToolKind::pinch;
  primero_->setVisible(dosSegmentos);
  segundo_->setVisible(dosSegmentos);
  rango_->setVisible(tool == ToolKind::tone);
  if (tool == ToolKind::tone) {
    primero_->setText(L("Iluminar"));
    primero_->setIcon(iconoDeAccion(QStringLiteral("sun.max.fill")));
    segundo_->setText(L("Oscurecer"));
    segundo_->setIcon(iconoDeAccion(QStringLiteral("moon.fill")));
    const QString tip = L("Iluminar u oscurecer — Alt invierte sin cambiar de botón");
    primero_->setToolTip(tip);
    segundo_->setToolTip(tip);
    (canvas->toneLighten() ? primero_ : segundo_)->setChecked(true);
    rango_->setCurrentIndex(canvas->toneRange());
  } else if (tool == ToolKind::pinch) {
    primero_->setText(L("Encoger"));
    primero_->setIcon(iconoDeAccion(QStringLiteral("arrow.down.right.and.arrow.up.left")));
    segundo_->setText(L("Expandir"));
    segundo_->setIcon(QIcon());
    const QString tip = L("Encoger o expandir — Alt invierte sin cambiar de botón");
    primero_->setToolTip(tip);
    segundo_->setToolTip(tip);
    (canvas->pinchInward() ? primero_ : segundo_)->setChecked(true);
  }
  pista_->setText(pistaDeHerramienta(tool, canvas->hasCloneSource()));
  cargando_ = false;
}

void PixelOptionsBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QColor back = palette().color(QPalette::Window);
  p.fillRect(rect(), back.darker(104));
  QColor edge = palette().color(QPalette::WindowText);
  edge.setAlphaF(0.10f);
  p.fillRect(QRect(0, height() - 1, width(), 1), edge);
}

}  // namespace corvalin
