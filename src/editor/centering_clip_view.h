// The scroll view around the canvas: centres the picture whenever it is narrower or lower
// than the visible area, on a neutral backdrop that lets the picture's edges show.
#pragma once

#include <QScrollArea>

namespace corvalin {

class CenteringClipView : public QScrollArea {
 public:
  explicit CenteringClipView(QWidget* parent = nullptr);
};

}  // namespace corvalin
