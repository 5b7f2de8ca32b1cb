// What the inspector bar shows for a shape and what each of its controls does to the shape,
// as plain functions; editor/style_bar.h only turns them into widgets.
#pragma once

#include <QColor>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "editor/shape.h"

namespace corvalin {

// Which colour of the shape a swatch or the palette edits.
enum class InspectorTarget { stroke, text };

enum class InspectorAction {
  none,
  openPalette,  // of the control's target
  closePalette,
  removeBox,  // callout: text only
  restoreBox,
  duplicate,
  remove,
};

struct InspectorControl {
  enum class Kind { swatch, slider, button, palette };
  Kind kind = Kind::button;
  QString title;   // tooltip
  QString symbol;  // buttons
  InspectorTarget target = InspectorTarget::stroke;
  QColor color;                                 // swatches
  double minimum = 1, maximum = 16, value = 1;  // sliders
  InspectorAction action = InspectorAction::none;
  std::optional<int> selectedIndex;  // palette
};

// The sixteen palette colours, in order.
const std::array<QColor, 16>& paletteColors();
// The palette entry equal to `color` (alpha included); nothing when it is not one of them.
std::optional<int> paletteIndex(const QColor& color);

// The controls left to right: with a palette open, the back button and the palette; else the
// kind's colours and slider, then duplicate and delete unless in template mode.
std::vector<InspectorControl> inspectorControls(const Shape& shape, double scale, bool plantilla,
                                                std::optional<InspectorTarget> expanded);

// A box colour below this alpha shows no bubble, only the text.
inline constexpr double kInvisibleBoxAlpha = 0.02;

// Slider positions (1…16) for a shape's values. Magnifications 1.5…6 span the slider; widths
// and sizes are shown as seen on screen at `scale` view points per image pixel.
double magnificationSliderValue(double zoom);
double zoomForSlider(double value);
double widthSliderValue(double width, double scale);
double sizeSliderValue(const Shape& shape, double scale);
// The slider a shape shows, as the bar starts it.
double sliderValue(const Shape& shape, double scale);

// What choosing a colour does to the shape.
void applyColor(Shape& shape, const QColor& color, InspectorTarget target);
// What moving the slider to `value` does: the magnifier's zoom, a text's font size (so the
// slider shows the same value again), or the stroke width.
void applySlider(Shape& shape, double value, double scale);
// The box colour that hides or shows a callout's bubble, keeping its hue.
QColor withoutBox(QColor color);
QColor withBox(QColor color);

}  // namespace corvalin
