#include "editor/style_bar_model.h"

#include <algorithm>

#include "core/texts.h"

namespace corvalin {
namespace {

bool hasSizeSlider(ToolKind k) {
  return k == ToolKind::text || k == ToolKind::counter || k == ToolKind::handText;
}

double sizeDivisor(ToolKind k) {
  return k == ToolKind::counter ? 5.5 : 6;
}

InspectorControl swatch(const QString& title, const QColor& color, InspectorTarget target) {
  InspectorControl c;
  c.kind = InspectorControl::Kind::swatch;
  c.title = title;
  c.color = color;
  c.target = target;
  c.action = InspectorAction::openPalette;
  return c;
}

InspectorControl slider(const QString& title, double value) {
  InspectorControl c;
  c.kind = InspectorControl::Kind::slider;
  c.title = title;
  c.value = value;
  return c;
}

InspectorControl button(const QString& title, const QString& symbol, InspectorAction action) {
  InspectorControl c;
  c.title = title;
  c.symbol = symbol;
  c.action = action;
  return c;
}

}  // namespace

const std::array<QColor, 16>& paletteColors() {
  static const std::array<QColor, 16> colors = {
      QColor(QRgb(0xFFFF3B30)), QColor(QRgb(0xFFFF9500)), QColor(QRgb(0xFFFFCC00)),
      QColor(QRgb(0xFF34C759)), QColor(QRgb(0xFF00C7BE)), QColor(QRgb(0xFF007AFF)),
      QColor(QRgb(0xFFAF52DE)), QColor(QRgb(0xFFFF2D55)), QColor(QRgb(0xFFFFFFFF)),
      QColor(QRgb(0xFFC7C7CC)), QColor(QRgb(0xFF8E8E93)), QColor(QRgb(0xFF000000)),
      QColor(QRgb(0xFF9B1C15)), QColor(QRgb(0xFF14663B)), QColor(QRgb(0xFF0A3D91)),
      QColor(QRgb(0xFF8B5E34)),
  };
  return colors;
}

std::optional<int> paletteIndex(const QColor& color) {
  const QRgb wanted = color.toRgb().rgba();
  for (std::size_t i = 0; i < paletteColors().size(); ++i) {
    if (paletteColors()[i].rgba() == wanted) return static_cast<int>(i);
  }
  return std::nullopt;
}

double magnificationSliderValue(double zoom) {
  return std::clamp((zoom - 1.5) / 4.5 * 15 + 1, 1.0, 16.0);
}

double zoomForSlider(double value) {
  return (value - 1) / 15 * 4.5 + 1.5;
}

double widthSliderValue(double width, double scale) {
  return std::clamp(width * scale, 1.0, 16.0);
}

double sizeSliderValue(const Shape& shape, double scale) {
  return std::clamp(shape.fontSize * scale / sizeDivisor(shape.kind), 1.0, 16.0);
}

double sliderValue(const Shape& shape, double scale) {
  if (shape.kind == ToolKind::magnifier) return magnificationSliderValue(shape.zoom);
  if (hasSizeSlider(shape.kind)) return sizeSliderValue(shape, scale);
  return widthSliderValue(shape.width, scale);
}

std::vector<InspectorControl> inspectorControls(const Shape& shape, double scale, bool plantilla,
                                                std::optional<InspectorTarget> expanded) {
  std::vector<InspectorControl> out;
  if (expanded) {
    out.push_back(
        button(L("Regresar"), QStringLiteral("chevron.left"), InspectorAction::closePalette));
    InspectorControl palette;
    palette.kind = InspectorControl::Kind::palette;
    palette.target = *expanded;
    palette.selectedIndex =
        paletteIndex(*expanded == InspectorTarget::text ? shape.textColor : shape.color);
    out.push_back(palette);
    return out;
  }
  switch (shape.kind) {
    case ToolKind::magnifier:
      out.push_back(swatch(L("Color del marco"), shape.color, InspectorTarget::stroke));
      out.push_back(slider(L("Aumento"), sliderValue(shape, scale)));
      break;
    // Stickers and pasted pictures have neither a colour nor a stroke to change.
    case ToolKind::pixelate:
    case ToolKind::blur:
    case ToolKind::sticker:
    case ToolKind::image:
      break;
    case ToolKind::text:
      out.push_back(swatch(L("Color del recuadro"), shape.color, InspectorTarget::stroke));
      if (shape.color.alphaF() < kInvisibleBoxAlpha) {
        out.push_back(button(L("Devolver el recuadro"), QStringLiteral("square.fill"),
                             InspectorAction::restoreBox));
      } else {
        out.push_back(button(L("Quitar el recuadro: solo la letra"), QStringLiteral("square.slash"),
                             InspectorAction::removeBox));
      }
      out.push_back(swatch(L("Color de la letra"), shape.textColor, InspectorTarget::text));
      out.push_back(slider(L("Tamaño"), sliderValue(shape, scale)));
      break;
    case ToolKind::counter:
      out.push_back(swatch(L("Color del recuadro"), shape.color, InspectorTarget::stroke));
      out.push_back(swatch(L("Color de la letra"), shape.textColor, InspectorTarget::text));
      out.push_back(slider(L("Tamaño"), sliderValue(shape, scale)));
      break;
    // Handwriting's ink is its only colour; its slider sizes the letters, since a stroke width
    // would change nothing that shows.
    case ToolKind::handText:
      out.push_back(swatch(L("Color"), shape.color, InspectorTarget::stroke));
      out.push_back(slider(L("Tamaño"), sliderValue(shape, scale)));
      break;
    default:
      out.push_back(swatch(L("Color"), shape.color, InspectorTarget::stroke));
      out.push_back(slider(L("Grosor del trazo"), sliderValue(shape, scale)));
      break;
  }
  if (!plantilla) {
    out.push_back(button(L("Duplicar (Ctrl+D)"), QStringLiteral("plus.square.on.square"),
                         InspectorAction::duplicate));
    out.push_back(button(L("Borrar (Supr)"), QStringLiteral("trash"), InspectorAction::remove));
  }
  return out;
}

void applyColor(Shape& shape, const QColor& color, InspectorTarget target) {
  if (target == InspectorTarget::text) {
    shape.textColor = color;
  } else {
    shape.color = color;
  }
}

void applySlider(Shape& shape, double value, double scale) {
  if (shape.kind == ToolKind::magnifier) {
    shape.zoom = zoomForSlider(value);
    return;
  }
  shape.width = value / scale;
  if (hasSizeSlider(shape.kind)) shape.fontSize = sizeDivisor(shape.kind) * value / scale;
}

QColor withoutBox(QColor color) {
  color.setAlpha(0);
  return color;
}

QColor withBox(QColor color) {
  color.setAlpha(255);
  return color;
}

}  // namespace corvalin
