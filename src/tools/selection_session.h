// The state of one interactive selection, fed with input in root coordinates (device pixels)
// and read by the overlays to draw: a dragged area, or the window under the pointer.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <optional>
#include <vector>

#include "tools/window_choice.h"

namespace corvalin::tools {

class SelectionSession : public QObject {
  Q_OBJECT

 public:
  enum class Kind { area, window };

  // `bounds` is the part of the root the picture covers; results are clipped to it.
  SelectionSession(Kind kind, QRect bounds, std::vector<TopLevelWindow> windows,
                   QObject* parent = nullptr);

  Kind kind() const { return kind_; }
  // The dragged area, or the window under the pointer; none before there is one.
  std::optional<QRect> highlight() const { return highlight_; }
  QPoint pointer() const { return pointer_; }
  bool dragging() const { return anchor_.has_value(); }
  bool finished() const { return finished_; }

  void pointerMoved(QPoint point);
  void leftPressed(QPoint point);
  void leftReleased(QPoint point);
  void cancel();

 Q_SIGNALS:
  // What was drawn before and what is to be drawn now both lie in the union of the two
  // highlights and the two pointer positions.
  void changed(std::optional<QRect> previousHighlight, QPoint previousPointer);
  // The rectangle to save, or none when the user cancelled. Emitted once.
  void done(std::optional<QRect> rect);

 private:
  std::optional<QRect> windowUnder(QPoint point) const;
  void update(QPoint point);
  void end(std::optional<QRect> rect);

  Kind kind_;
  QRect bounds_;
  std::vector<TopLevelWindow> windows_;
  std::optional<QRect> highlight_;
  std::optional<QPoint> anchor_;
  QPoint pointer_;
  bool pressed_ = false;
  bool finished_ = false;
};

}  // namespace corvalin::tools
