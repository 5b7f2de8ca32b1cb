// A top-level window that Escape closes, or that runs its Escape handler when it has one.
#pragma once

#include <QWidget>
#include <functional>

namespace corvalin {

class EscapableWindow : public QWidget {
  Q_OBJECT

 public:
  explicit EscapableWindow(QWidget* parent = nullptr);

  std::function<void()> alEscapar;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace corvalin
