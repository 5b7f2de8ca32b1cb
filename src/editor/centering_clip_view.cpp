#include "editor/centering_clip_view.h"

namespace corvalin {

CenteringClipView::CenteringClipView(QWidget* parent) : QScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(false);
  setAlignment(Qt::AlignCenter);
  setFocusPolicy(Qt::NoFocus);
  QPalette pal = palette();
  const bool dark = pal.color(QPalette::Window).lightness() < 128;
  pal.setColor(QPalette::Window, dark ? QColor(0x1E, 0x1E, 0x20) : QColor(0xE4, 0xE5, 0xE8));
  setPalette(pal);
  setBackgroundRole(QPalette::Window);
  viewport()->setBackgroundRole(QPalette::Window);
  viewport()->setAutoFillBackground(true);
}

}  // namespace corvalin
