#include "tools/selection_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace corvalin::tools {
namespace {

constexpr int kLabelGapPx = 6;

}  // namespace

QRect spannedRect(QPoint anchor, QPoint current) {
  return QRect(QPoint(std::min(anchor.x(), current.x()), std::min(anchor.y(), current.y())),
               QSize(std::abs(current.x() - anchor.x()), std::abs(current.y() - anchor.y())));
}

QRect labelRect(const QRect& subject, QSize labelSize, const QRect& monitor) {
  const int w = labelSize.width();
  const int h = labelSize.height();
  int y;
  if (subject.bottom() + 1 + kLabelGapPx + h <= monitor.bottom() + 1)
    y = subject.bottom() + 1 + kLabelGapPx;
  else if (subject.top() - kLabelGapPx - h >= monitor.top())
    y = subject.top() - kLabelGapPx - h;
  else
    y = subject.bottom() + 1 - kLabelGapPx - h;
  const int x =
      std::clamp(subject.left(), monitor.left() + kLabelGapPx,
                 std::max(monitor.left() + kLabelGapPx, monitor.right() + 1 - kLabelGapPx - w));
  y = std::clamp(y, monitor.top() + kLabelGapPx,
                 std::max(monitor.top() + kLabelGapPx, monitor.bottom() + 1 - kLabelGapPx - h));
  return QRect(x, y, w, h);
}

QString sizeText(QSize sizePx) {
  return QStringLiteral("%1 \u00d7 %2").arg(sizePx.width()).arg(sizePx.height());
}

}  // namespace corvalin::tools
