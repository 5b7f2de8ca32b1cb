#include "platform/escapable_window.h"

#include <QKeyEvent>

namespace corvalin {

EscapableWindow::EscapableWindow(QWidget* parent) : QWidget(parent, Qt::Window) {}

void EscapableWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    if (alEscapar)
      alEscapar();
    else
      close();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace corvalin
