// The floating bar that restyles the selected annotation (or, in template mode, the current
// tool's defaults): its colours from a fixed palette, its width or size, duplicate and delete.
// What it shows and what a change does come from editor/style_bar_model.h.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "editor/shape.h"
#include "editor/style_bar_model.h"

namespace corvalin {

class Settings;
class SwatchButton;

class InspectorBar : public QWidget {
 public:
  static constexpr int kPadding = 8;
  static constexpr int kSpacing = 6;
  static constexpr int kBarHeight = 40;

  // With `settings`, slider moves are remembered as the edited kind's "ancho".
  explicit InspectorBar(Settings* settings = nullptr, QWidget* parent = nullptr);

  std::function<void(const QColor&, InspectorTarget)> onPickColor;
  // The slider's position, 1…16 (screen points, or the magnifier's magnification position).
  std::function<void(double)> onWidth;
  std::function<void()> onDelete;
  std::function<void()> onDuplicate;
  std::function<void()> onResize;

  // Shows `shape`, closing any open palette.
  void configure(const Shape& shape, double scale, bool plantilla);
  // Takes a restyled shape and recolours the swatches without rebuilding.
  void updateFor(const Shape& shape);
  // Rebuilds the controls and reports onResize.
  void build();

  const std::optional<Shape>& shape() const { return shape_; }
  std::optional<InspectorTarget> expanded() const { return expanded_; }
  bool esPlantilla() const { return esPlantilla_; }
  const std::vector<QWidget*>& controls() const { return controls_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QWidget* makeControl(const InspectorControl& c);
  void act(InspectorAction action, InspectorTarget target);
  void pick(const QColor& color, InspectorTarget target);

  Settings* settings_;
  std::optional<Shape> shape_;
  double scale_ = 1;
  bool esPlantilla_ = false;
  std::optional<InspectorTarget> expanded_;
  std::vector<QWidget*> controls_;
  SwatchButton* strokeSwatch_ = nullptr;
  SwatchButton* textSwatch_ = nullptr;
};

}  // namespace corvalin
