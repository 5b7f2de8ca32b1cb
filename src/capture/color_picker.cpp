#include "capture/color_picker.h"

#include <cmath>

namespace corvalin {

QString ColorPicker::hex(const QColor& color) {
  const QColor rgb = color.isValid() ? color.toRgb() : color;
  auto channel = [](float v) {
    const long c = std::lround(double(v) * 255.0);
    return static_cast<uint>(std::clamp(c, 0L, 255L));
  };
  return QStringLiteral("#%1%2%3")
      .arg(channel(rgb.redF()), 2, 16, QLatin1Char('0'))
      .arg(channel(rgb.greenF()), 2, 16, QLatin1Char('0'))
      .arg(channel(rgb.blueF()), 2, 16, QLatin1Char('0'))
      .toUpper();
}

}  // namespace corvalin
