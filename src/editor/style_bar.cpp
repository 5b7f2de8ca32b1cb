#include "editor/style_bar.h"

#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QToolButton>
#include <cmath>

#include "core/settings.h"
#include "editor/color_palette_view.h"
#include "editor/symbol_drawing.h"
#include "editor/tool_settings.h"

namespace corvalin {
namespace {

// Sliders run in hundredths so widths and magnifications move smoothly.
constexpr int kSliderSteps = 100;

}  // namespace

InspectorBar::InspectorBar(Settings* settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
  setAttribute(Qt::WA_TranslucentBackground);
  setFixedSize(10, kBarHeight);
}

void InspectorBar::configure(const Shape& shape, double scale, bool plantilla) {
  shape_ = shape;
  scale_ = scale;
  esPlantilla_ = plantilla;
  expanded_.reset();
  build();
}

void InspectorBar::updateFor(const Shape& shape) {
  shape_ = shape;
  if (strokeSwatch_) strokeSwatch_->setColor(shape.color);
  if (textSwatch_) textSwatch_->setColor(shape.textColor);
}

void InspectorBar::build() {
  for (QWidget* w : controls_) {
    w->hide();
    w->deleteLater();
  }
  controls_.clear();
  strokeSwatch_ = nullptr;
  textSwatch_ = nullptr;
  if (shape_) {
    for (const InspectorControl& c : inspectorControls(*shape_, scale_, esPlantilla_, expanded_)) {
      controls_.push_back(makeControl(c));
    }
  }
  int x = kPadding;
  for (QWidget* w : controls_) {
    const QSize size = w->size();
    w->move(x, (kBarHeight - size.height()) / 2);
    w->show();
    x += size.width() + kSpacing;
  }
  const int width = controls_.empty() ? 10 : x - kSpacing + kPadding;
  setFixedSize(width, kBarHeight);
  update();
  if (onResize) onResize();
}

QWidget* InspectorBar::makeControl(const InspectorControl& c) {
  switch (c.kind) {
    case InspectorControl::Kind::swatch: {
      auto* swatch = new SwatchButton(c.color, this);
      swatch->setToolTip(c.title);
      swatch->setAccessibleName(c.title);
      const InspectorTarget target = c.target;
      connect(swatch, &QAbstractButton::clicked, this,
              [this, target] { act(InspectorAction::openPalette, target); });
      (target == InspectorTarget::text ? textSwatch_ : strokeSwatch_) = swatch;
      return swatch;
    }
    case InspectorControl::Kind::slider: {
      auto* slider = new QSlider(Qt::Horizontal, this);
      slider->setRange(static_cast<int>(c.minimum * kSliderSteps),
                       static_cast<int>(c.maximum * kSliderSteps));
      slider->setValue(static_cast<int>(std::lround(c.value * kSliderSteps)));
      slider->setToolTip(c.title);
      slider->setAccessibleName(c.title);
      slider->setFixedWidth(110);
      slider->resize(110, slider->sizeHint().height());
      connect(slider, &QSlider::valueChanged, this, [this](int steps) {
        const double value = static_cast<double>(steps) / kSliderSteps;
        if (!shape_) return;
        applySlider(*shape_, value, scale_);
        if (settings_) guardarAnchoDelInspector(*settings_, shape_->kind, value);
        if (onWidth) onWidth(value);
      });
      return slider;
    }
    case InspectorControl::Kind::palette: {
      std::vector<QColor> colors(paletteColors().begin(), paletteColors().end());
      auto* palette = new ColorPaletteView(std::move(colors), 16, 17, 3, this);
      palette->selectedIndex = c.selectedIndex;
      const InspectorTarget target = c.target;
      palette->onPick = [this, target](const QColor& color) { pick(color, target); };
      return palette;
    }
    case InspectorControl::Kind::button:
      break;
  }
  auto* button = new QToolButton(this);
  button->setAutoRaise(true);
  button->setIcon(symbolIcon(c.symbol));
  button->setIconSize(QSize(18, 18));
  button->setToolTip(c.title);
  button->setAccessibleName(c.title);
  button->setFixedSize(28, 28);
  const InspectorAction action = c.action;
  const InspectorTarget target = c.target;
  connect(button, &QToolButton::clicked, this, [this, action, target] { act(action, target); });
  return button;
}

void InspectorBar::act(InspectorAction action, InspectorTarget target) {
  switch (action) {
    case InspectorAction::openPalette:
      expanded_ = target;
      build();
      break;
    case InspectorAction::closePalette:
      expanded_.reset();
      build();
      break;
    case InspectorAction::removeBox:
      if (shape_) pick(withoutBox(shape_->color), InspectorTarget::stroke);
      break;
    case InspectorAction::restoreBox:
      if (shape_) pick(withBox(shape_->color), InspectorTarget::stroke);
      break;
    case InspectorAction::duplicate:
      if (onDuplicate) onDuplicate();
      break;
    case InspectorAction::remove:
      if (onDelete) onDelete();
      break;
    case InspectorAction::none:
      break;
  }
}

// The bar applies the change to its own copy first, so what it shows next (the box button,
// the palette's mark) already follows the choice.
void InspectorBar::pick(const QColor& color, InspectorTarget target) {
  if (shape_) applyColor(*shape_, color, target);
  expanded_.reset();
  build();
  if (onPickColor) onPickColor(color, target);
}

void InspectorBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QColor back = palette().color(QPalette::Window);
  back.setAlphaF(0.95f);
  QColor edge = palette().color(QPalette::WindowText);
  edge.setAlphaF(0.16f);
  QPainterPath shape;
  shape.addRoundedRect(r, 10, 10);
  p.fillPath(shape, back);
  p.setPen(QPen(edge, 1));
  p.drawPath(shape);
}

}  // namespace corvalin
