// Lets the user pick the colour of one screen pixel; also the one colour-to-text formatter.
#pragma once

#include <QColor>
#include <QString>
#include <functional>

namespace corvalin {

class ColorPicker {
 public:
  virtual ~ColorPicker() = default;
  virtual void pick(std::function<void(const QColor&)> onPick, std::function<void()> onCancel) = 0;

  // "#RRGGBB" in upper case, each sRGB component rounded to the nearest of 0…255.
  static QString hex(const QColor& color);
};

}  // namespace corvalin
