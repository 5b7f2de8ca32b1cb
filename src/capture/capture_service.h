// Takes one still picture of an area, a window or the whole screen.
#pragma once

#include <QImage>
#include <functional>

#include "core/settings.h"

namespace corvalin {

class CaptureService {
 public:
  virtual ~CaptureService() = default;
  // `area`, `window`, `fullscreen` or `ocr` (an area). Delivers the picture, or a null image
  // when the user cancelled or the capture failed; on the main thread, exactly once.
  virtual void capture(CaptureMode mode, std::function<void(QImage)> completion) = 0;
};

}  // namespace corvalin
