#include "editor/tools_control.h"

#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include "editor/symbol_drawing.h"
#include "editor/tool_kind.h"

namespace corvalin {

std::vector<QRectF> segmentRects(const std::vector<ToolSegment>& segments, double height) {
  std::vector<QRectF> out;
  double x = 0;
  for (const ToolSegment& s : segments) {
    const double w = s.hasMenu ? kMenuSegmentWidth : kSingleSegmentWidth;
    out.emplace_back(x, 0, w, height);
    x += w;
  }
  return out;
}

int segmentAt(const std::vector<QRectF>& rects, double x) {
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (x >= rects[i].left() && x < rects[i].right()) return static_cast<int>(i);
  }
  return -1;
}

SegmentPress pressOutcome(const QRectF& segment, bool hasMenu, double x, Qt::MouseButton button) {
  if (button == Qt::RightButton) return hasMenu ? SegmentPress::openMenu : SegmentPress::ignore;
  if (button != Qt::LeftButton) return SegmentPress::ignore;
  if (!hasMenu) return SegmentPress::choose;
  if (x >= segment.right() - kMenuZoneWidth) return SegmentPress::openMenu;
  return SegmentPress::waitForHold;
}

std::vector<ToolSegment> segmentosDeGrupos() {
  std::vector<ToolSegment> out;
  for (const Grupo& g : grupos()) {
    const ToolKind first = g.herramientas.front();
    out.push_back({symbol(first), label(first), g.herramientas.size() > 1});
  }
  return out;
}

ToolsControl::ToolsControl(std::vector<ToolSegment> segments, QWidget* parent)
    : QWidget(parent), segments_(std::move(segments)) {
  hold_.setSingleShot(true);
  connect(&hold_, &QTimer::timeout, this, [this] {
    if (pressed_ >= 0) openMenu(std::exchange(pressed_, -1));
  });
  setFixedSize(sizeHint());
}

QSize ToolsControl::sizeHint() const {
  const std::vector<QRectF> rects = segmentRects(segments_, kHeight);
  return QSize(rects.empty() ? 0 : static_cast<int>(rects.back().right()), kHeight);
}

void ToolsControl::setSegment(int segment, const QString& symbol, const QString& tooltip) {
  if (segment < 0 || segment >= static_cast<int>(segments_.size())) return;
  segments_[segment].symbol = symbol;
  segments_[segment].tooltip = tooltip;
  update();
}

void ToolsControl::setSelectedSegment(int segment) {
  selected_ = segment;
  update();
}

QRectF ToolsControl::rectoDe(int segment) const {
  const std::vector<QRectF> rects = segmentRects(segments_, height());
  if (segment < 0 || segment >= static_cast<int>(rects.size())) return {};
  return rects[segment];
}

int ToolsControl::segmentoEn(double x) const {
  return segmentAt(segmentRects(segments_, height()), x);
}

bool ToolsControl::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const int s = segmentoEn(help->pos().x());
    if (s >= 0) {
      QToolTip::showText(help->globalPos(), segments_[s].tooltip, this, rectoDe(s).toRect());
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QWidget::event(event);
}

void ToolsControl::mousePressEvent(QMouseEvent* event) {
  const int s = segmentoEn(event->position().x());
  if (s < 0) {
    QWidget::mousePressEvent(event);
    return;
  }
  switch (pressOutcome(rectoDe(s), segments_[s].hasMenu, event->position().x(), event->button())) {
    case SegmentPress::ignore:
      QWidget::mousePressEvent(event);
      break;
    case SegmentPress::choose:
      choose(s);
      break;
    case SegmentPress::openMenu:
      openMenu(s);
      break;
    case SegmentPress::waitForHold:
      pressed_ = s;
      hold_.start(esperaParaElMenuMs);
      break;
  }
}

void ToolsControl::mouseReleaseEvent(QMouseEvent* event) {
  if (pressed_ < 0 || event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  hold_.stop();
  choose(std::exchange(pressed_, -1));
}

void ToolsControl::choose(int segment) {
  setSelectedSegment(segment);
  if (alEscoger) alEscoger(segment);
}

// Opening the menu leaves the selection alone: the segment follows the tool the menu picks,
// and a menu closed without a choice changes nothing.
void ToolsControl::openMenu(int segment) {
  QMenu* menu = menuDelGrupo ? menuDelGrupo(segment) : nullptr;
  if (!menu) return;
  const QRectF r = rectoDe(segment);
  menu->popup(mapToGlobal(QPoint(static_cast<int>(r.left()), static_cast<int>(r.bottom()) + 4)));
}

void ToolsControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF whole = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QPainterPath outline;
  outline.addRoundedRect(whole, 7, 7);
  p.fillPath(outline, palette().color(QPalette::Button));
  QColor edge = palette().color(QPalette::WindowText);
  edge.setAlphaF(0.14f);
  p.setPen(QPen(edge, 1));
  p.drawPath(outline);

  const std::vector<QRectF> rects = segmentRects(segments_, height());
  const QColor ink = palette().color(QPalette::ButtonText);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const QRectF r = rects[i];
    const bool chosen = static_cast<int>(i) == selected_;
    if (chosen) {
      QPainterPath pill;
      pill.addRoundedRect(r.adjusted(2, 2, -2, -2), 5, 5);
      p.fillPath(pill, palette().color(QPalette::Highlight));
    } else if (i > 0 && static_cast<int>(i) - 1 != selected_) {
      p.setPen(QPen(edge, 1));
      p.drawLine(QPointF(r.left(), r.top() + 7), QPointF(r.left(), r.bottom() - 7));
    }
    const QColor color = chosen ? palette().color(QPalette::HighlightedText) : ink;
    const double iconRight = segments_[i].hasMenu ? r.right() - kMenuZoneWidth + 2 : r.right();
    const QRectF iconBox(r.left() + (iconRight - r.left() - 17) / 2, r.center().y() - 8.5, 17, 17);
    drawSymbol(p, iconBox, segments_[i].symbol, color);
    if (segments_[i].hasMenu) {
      const double cx = r.right() - kMenuZoneWidth / 2 - 1, cy = r.center().y();
      p.setPen(QPen(color, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolyline(QPolygonF({{cx - 2.5, cy - 1.2}, {cx, cy + 1.3}, {cx + 2.5, cy - 1.2}}));
    }
  }
}

}  // namespace corvalin
