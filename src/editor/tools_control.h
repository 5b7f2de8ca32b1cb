// The tool bar's segmented control: one segment per tool group, a segment of several tools
// opening its menu on a long press, a right click or a click on its arrow.
#pragma once

#include <QRectF>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

class QMenu;

namespace corvalin {

struct ToolSegment {
  QString symbol;
  QString tooltip;
  bool hasMenu = false;
};

// Segment widths, points: one tool, or several with a menu arrow.
inline constexpr double kSingleSegmentWidth = 34;
inline constexpr double kMenuSegmentWidth = 46;
// The menu arrow's zone at a segment's right end.
inline constexpr double kMenuZoneWidth = 12;

std::vector<QRectF> segmentRects(const std::vector<ToolSegment>& segments, double height);
// The segment at `x`, or −1.
int segmentAt(const std::vector<QRectF>& rects, double x);

// What a press on a segment does.
enum class SegmentPress {
  ignore,       // outside the segments, or a right click on a segment without a menu
  choose,       // select and report at once
  openMenu,     // open the group's menu at once
  waitForHold,  // a release before the hold delay chooses; holding opens the menu
};
SegmentPress pressOutcome(const QRectF& segment, bool hasMenu, double x, Qt::MouseButton button);

// The segments of the editor's tool groups, each showing its first tool.
std::vector<ToolSegment> segmentosDeGrupos();

class ToolsControl : public QWidget {
 public:
  static constexpr int kHeight = 30;

  explicit ToolsControl(std::vector<ToolSegment> segments, QWidget* parent = nullptr);

  // The menu of a segment's group; nothing for groups of one tool.
  std::function<QMenu*(int segment)> menuDelGrupo;
  // A segment was chosen by a click.
  std::function<void(int segment)> alEscoger;
  int esperaParaElMenuMs = 250;

  void setSegment(int segment, const QString& symbol, const QString& tooltip);
  void setSelectedSegment(int segment);
  int selectedSegment() const { return selected_; }
  const std::vector<ToolSegment>& segments() const { return segments_; }

  QRectF rectoDe(int segment) const;
  int segmentoEn(double x) const;

  QSize sizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void choose(int segment);
  void openMenu(int segment);

  std::vector<ToolSegment> segments_;
  int selected_ = -1;
  int pressed_ = -1;
  QTimer hold_;
};

}  // namespace corvalin
