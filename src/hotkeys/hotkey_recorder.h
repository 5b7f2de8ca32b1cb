// The field in which the user records a global key combination: clicked, or focused and
// opened with Space or Return, it listens for the next combination and hands it to its owner.
// While it listens the application's own global hotkeys are off, so that a combination that is
// already assigned reaches the field instead of starting a capture.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "hotkeys/hotkey.h"

class QKeyEvent;

namespace corvalin {

class HotkeyRecorder : public QWidget {
  Q_OBJECT

 public:
  // Answer of the owner: a problem text (the combination was refused), or nothing (accepted).
  // A nullopt hotkey means the user cleared the field with Backspace or Delete.
  using AlGrabar = std::function<std::optional<QString>(const std::optional<Hotkey>& hotkey)>;

  explicit HotkeyRecorder(QWidget* parent = nullptr);
  ~HotkeyRecorder() override;

  // What the field shows; only the owner changes it, a recorded combination included.
  std::optional<Hotkey> hotkey() const { return hotkey_; }
  void setHotkey(const std::optional<Hotkey>& hotkey);

  void setAlGrabar(AlGrabar alGrabar);

  bool recording() const { return recording_; }
  void setRecording(bool recording);

  // The owner's answer to the last combination reported.
  std::optional<QString> problem() const { return problem_; }

  // What the field reads: the prompt while listening, else the combination or "no shortcut".
  QString shownText() const;

  QSize sizeHint() const override;

 Q_SIGNALS:
  void recordingChanged(bool recording);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void atender(const QKeyEvent& event);
  void informar(const std::optional<Hotkey>& hotkey);
  void refrescar();

  std::optional<Hotkey> hotkey_;
  AlGrabar alGrabar_;
  std::optional<QString> problem_;
  bool recording_ = false;
  bool filtrando_ = false;
};

// The recorder as the preferences form holds it: every update of the form hands in the current
// combination and handler, while the one recorder inside keeps its focus and listening state.
class HotkeyField : public QWidget {
  Q_OBJECT

 public:
  explicit HotkeyField(QWidget* parent = nullptr);

  HotkeyRecorder* recorder() const { return recorder_; }
  void actualizar(const std::optional<Hotkey>& hotkey, HotkeyRecorder::AlGrabar alGrabar);

 private:
  HotkeyRecorder* recorder_;
};

}  // namespace corvalin
