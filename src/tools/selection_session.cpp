#include "tools/selection_session.h"

#include "tools/selection_geometry.h"

namespace corvalin::tools {

SelectionSession::SelectionSession(Kind kind, QRect bounds, std::vector<TopLevelWindow> windows,
                                   QObject* parent)
    : QObject(parent), kind_(kind), bounds_(bounds), windows_(std::move(windows)) {}

std::optional<QRect> SelectionSession::windowUnder(QPoint point) const {
  const auto index = windowAt(windows_, toPixelPoint(point));
  if (!index) return std::nullopt;
  const QRect r = toQRect(visibleRect(windows_[*index])).intersected(bounds_);
  if (r.isEmpty()) return std::nullopt;
  return r;
}

void SelectionSession::update(QPoint point) {
  const std::optional<QRect> previousHighlight = highlight_;
  const QPoint previousPointer = pointer_;
  pointer_ = point;
  if (kind_ == Kind::window) {
    highlight_ = windowUnder(point);
  } else if (anchor_) {
    const QRect r = spannedRect(*anchor_, point).intersected(bounds_);
    highlight_ = r.isEmpty() ? std::nullopt : std::optional<QRect>(r);
  }
  if (highlight_ != previousHighlight || pointer_ != previousPointer)
    Q_EMIT changed(previousHighlight, previousPointer);
}

void SelectionSession::pointerMoved(QPoint point) {
  if (!finished_) update(point);
}

void SelectionSession::leftPressed(QPoint point) {
  if (finished_) return;
  pressed_ = true;
  if (kind_ == Kind::area) anchor_ = point;
  update(point);
}

void SelectionSession::leftReleased(QPoint point) {
  if (finished_ || !pressed_) return;
  pressed_ = false;
  update(point);
  if (kind_ == Kind::area) {
    const QRect r = spannedRect(*anchor_, point).intersected(bounds_);
    // A click, or a drag along one line only, selects no pixels: the user changed their mind.
    end(r.isEmpty() ? std::nullopt : std::optional<QRect>(r));
  } else if (highlight_) {
    end(highlight_);
  }
}

void SelectionSession::cancel() {
  if (!finished_) end(std::nullopt);
}

void SelectionSession::end(std::optional<QRect> rect) {
  finished_ = true;
  Q_EMIT done(rect);
}

}  // namespace corvalin::tools
