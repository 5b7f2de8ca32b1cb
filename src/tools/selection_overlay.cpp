#include "tools/selection_overlay.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "tools/selection_geometry.h"

namespace corvalin::tools {
namespace {

constexpr int kBorderPx = 3;  // the widest frame drawn around a highlight
const QColor kAreaBorder(255, 255, 255);
const QColor kAreaShade(0, 0, 0, 150);
const QColor kWindowBorder(53, 132, 228);
const QColor kCrosshair(255, 255, 255, 120);
const QColor kLabelBack(20, 20, 20, 225);
const QColor kLabelText(255, 255, 255);

}  // namespace

SelectionOverlay::SelectionOverlay(SelectionSession& session, const QImage& frozen,
                                   const QImage& dimmed, const PixelRect& monitor,
                                   std::vector<PixelRect> monitors)
    : QWidget(nullptr,
              Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint),
      session_(session),
      frozen_(frozen),
      dimmed_(dimmed),
      monitor_(toQRect(monitor)),
      monitors_(std::move(monitors)) {
  setWindowTitle(QStringLiteral("corvalin-screenshot"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(session.kind() == SelectionSession::Kind::area ? Qt::CrossCursor : Qt::ArrowCursor);
  setGeometry(monitor_);
  labelFont_ = font();
  labelFont_.setBold(true);
  labelFont_.setPointSizeF(labelFont_.pointSizeF() * 1.15);
  connect(&session, &SelectionSession::changed, this, &SelectionOverlay::repaintChange);
}

bool SelectionOverlay::showsCrosshair(QPoint pointer) const {
  return session_.kind() == SelectionSession::Kind::area && monitor_.contains(pointer);
}

QRect SelectionOverlay::sizeLabel(const QRect& highlight, QPoint pointer) const {
  const QFontMetrics metrics(labelFont_);
  const QSize text = metrics.size(Qt::TextSingleLine, sizeText(highlight.size()));
  const int monitor = monitorAt(monitors_, toPixelPoint(pointer));
  return labelRect(highlight, text + QSize(20, 10), toQRect(monitors_[monitor]));
}

QRegion SelectionOverlay::drawnArea(std::optional<QRect> highlight, QPoint pointer) const {
  QRegion area;
  if (highlight) {
    area += highlight->adjusted(-kBorderPx, -kBorderPx, kBorderPx, kBorderPx);
    area += sizeLabel(*highlight, pointer);
  }
  if (showsCrosshair(pointer)) {
    area += QRect(monitor_.left(), pointer.y(), monitor_.width(), 1);
    area += QRect(pointer.x(), monitor_.top(), 1, monitor_.height());
  }
  return area.intersected(monitor_);
}

void SelectionOverlay::repaintChange(std::optional<QRect> previousHighlight,
                                     QPoint previousPointer) {
  if (session_.finished()) return;
  const QRegion dirty = drawnArea(previousHighlight, previousPointer) +
                        drawnArea(session_.highlight(), session_.pointer());
  if (!dirty.isEmpty()) update(dirty.translated(-monitor_.topLeft()));
}

void SelectionOverlay::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.translate(-monitor_.topLeft());  // draw in root coordinates from here on
  p.drawImage(monitor_.topLeft(), dimmed_, monitor_);
  const std::optional<QRect> highlight = session_.highlight();
  const QPoint pointer = session_.pointer();
  if (highlight) {
    const QRect shown = highlight->intersected(monitor_);
    if (!shown.isEmpty()) p.drawImage(shown.topLeft(), frozen_, shown);
  }
  if (showsCrosshair(pointer)) {
    p.fillRect(QRect(monitor_.left(), pointer.y(), monitor_.width(), 1), kCrosshair);
    p.fillRect(QRect(pointer.x(), monitor_.top(), 1, monitor_.height()), kCrosshair);
  }
  if (!highlight) return;
  const QRect& h = *highlight;
  if (session_.kind() == SelectionSession::Kind::area) {
    // Outside the selection, so that its own pixels show unchanged: a white line, and a dark
    // one around it for the edges that run along something white.
    const auto ring = [&](int distance, const QColor& color) {
      const QRect r = h.adjusted(-distance, -distance, distance, distance);
      p.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
      p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
      p.fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), color);
      p.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), color);
    };
    ring(2, kAreaShade);
    ring(1, kAreaBorder);
  } else {
    // Inside the window: a maximised window has no room around it.
    QPainterPath frame;
    frame.addRect(h);
    frame.addRect(h.adjusted(kBorderPx, kBorderPx, -kBorderPx, -kBorderPx));
    p.fillPath(frame, kWindowBorder);
  }
  const QRect label = sizeLabel(h, pointer);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kLabelBack);
  p.drawRoundedRect(label, 5, 5);
  p.setFont(labelFont_);
  p.setPen(kLabelText);
  p.drawText(label, Qt::AlignCenter, sizeText(h.size()));
}

// In root coordinates: this window covers its monitor (where it lies on the desktop may be
// unknown to Qt, as on Wayland).
QPoint SelectionOverlay::globalPoint(const QMouseEvent* event) const {
  return event->position().toPoint() + monitor_.topLeft();
}

void SelectionOverlay::mouseMoveEvent(QMouseEvent* event) {
  session_.pointerMoved(globalPoint(event));
}

void SelectionOverlay::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    session_.leftPressed(globalPoint(event));
  else if (event->button() == Qt::RightButton)
    session_.cancel();
}

void SelectionOverlay::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) session_.leftReleased(globalPoint(event));
}

void SelectionOverlay::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape)
    session_.cancel();
  else
    QWidget::keyPressEvent(event);
}

}  // namespace corvalin::tools
