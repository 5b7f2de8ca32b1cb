#include "hotkeys/hotkey_recorder.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "core/texts.h"
#include "platform/notification_center.h"

namespace corvalin {
namespace {

constexpr qreal kRadioPx = 6;
constexpr qreal kMargenDelTextoPx = 6;
constexpr qreal kOpacidadDelTinte = 0.12;

// Modifiers and lock keys are pressed on the way to a combination, never as one.
bool esModificador(int key) {
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
      return true;
    default:
      return false;
  }
}

struct Aspecto {
  QColor relleno;
  QColor borde;
  qreal bordePx = 1;
  QColor texto;
};

// Focus takes the accent outline that listening has, so that a keyboard user sees where Space
// will start listening; the tint and the prompt still tell listening apart.
Aspecto aspectoDe(const QPalette& paleta, bool grabando, bool enFoco, bool conAtajo) {
  const QColor acento = paleta.color(QPalette::Highlight);
  if (grabando) {
    QColor tinte = acento;
    tinte.setAlphaF(kOpacidadDelTinte);
    return {tinte, acento, 2, paleta.color(QPalette::PlaceholderText)};
  }
  return {paleta.color(QPalette::Base), enFoco ? acento : paleta.color(QPalette::Mid),
          enFoco ? 2.0 : 1.0,
          paleta.color(conAtajo ? QPalette::WindowText : QPalette::PlaceholderText)};
}

// 9 pt is 12 px on a standard screen and grows with the desktop's font scaling.
QFont fuenteDelCampo() {
  QFont fuente = QApplication::font();
  fuente.setPointSizeF(9);
  return fuente;
}

}  // namespace

HotkeyRecorder::HotkeyRecorder(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  refrescar();
}

HotkeyRecorder::~HotkeyRecorder() {
  // Left listening, the application's hotkeys would stay off and its keys swallowed.
  if (filtrando_ && qApp) qApp->removeEventFilter(this);
  if (recording_) {
    NotificationCenter::shared().post(QString::fromUtf8(notificacion::kCapturandoAtajo), false);
  }
}

void HotkeyRecorder::setHotkey(const std::optional<Hotkey>& hotkey) {
  if (hotkey == hotkey_) return;
  hotkey_ = hotkey;
  refrescar();
}

void HotkeyRecorder::setAlGrabar(AlGrabar alGrabar) {
  alGrabar_ = std::move(alGrabar);
}

void HotkeyRecorder::setRecording(bool recording) {
  if (recording == recording_) return;
  recording_ = recording;
  if (filtrando_) {
    qApp->removeEventFilter(this);
    filtrando_ = false;
  }
  // Application-wide, because a window's shortcuts are matched before the focused widget
  // sees the key.
  if (recording_) {
    qApp->installEventFilter(this);
    filtrando_ = true;
  }
  NotificationCenter::shared().post(QString::fromUtf8(notificacion::kCapturandoAtajo), recording_);
  refrescar();
  Q_EMIT recordingChanged(recording_);
}

QString HotkeyRecorder::shownText() const {
  if (recording_) return L("Teclea el atajo…");
  return hotkey_ ? hotkey_->display() : L("Sin atajo");
}

QSize HotkeyRecorder::sizeHint() const {
  return QSize(150, 24);
}

bool HotkeyRecorder::eventFilter(QObject* watched, QEvent* event) {
  if (!recording_) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Accepted, it tells Qt that the key is taken: no shortcut of any window fires.
      event->accept();
      return true;
    case QEvent::KeyRelease:
      event->accept();
      return true;
    case QEvent::KeyPress:
      event->accept();
      atender(*static_cast<QKeyEvent*>(event));
      return true;
    default:
      return QWidget::eventFilter(watched, event);
  }
}

void HotkeyRecorder::atender(const QKeyEvent& event) {
  const int key = event.key();
  if (esModificador(key)) {
    update();
    return;
  }
  if (key == Qt::Key_Escape) {
    setRecording(false);
    return;
  }
  const Qt::KeyboardModifiers combinan = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && !(event.modifiers() & combinan)) {
    setRecording(false);
    informar(std::nullopt);
    return;
  }
  const std::optional<Hotkey> hotkey = Hotkey::deEvento(event);
  if (!hotkey) {
    QApplication::beep();
    return;
  }
  setRecording(false);
  informar(hotkey);
}

void HotkeyRecorder::informar(const std::optional<Hotkey>& hotkey) {
  // The handler may hand this field a new handler, or take the whole form down: it runs from a
  // copy, and nothing of this field is touched once it is gone.
  const AlGrabar alGrabar = alGrabar_;
  QPointer<HotkeyRecorder> self(this);
  std::optional<QString> problema = alGrabar ? alGrabar(hotkey) : std::nullopt;
  if (problema) QApplication::beep();
  if (!self) return;
  problem_ = std::move(problema);
  refrescar();
}

void HotkeyRecorder::refrescar() {
  setAccessibleDescription(shownText());
  update();
}

void HotkeyRecorder::paintEvent(QPaintEvent*) {
  const Aspecto a = aspectoDe(palette(), recording_, hasFocus(), hotkey_.has_value());
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF caja = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(QPen(a.borde, a.bordePx));
  p.setBrush(a.relleno);
  p.drawRoundedRect(caja, kRadioPx, kRadioPx);

  p.setFont(fuenteDelCampo());
  p.setPen(a.texto);
  const QRectF zona = caja.adjusted(kMargenDelTextoPx, 0, -kMargenDelTextoPx, 0);
  const QString texto =
      p.fontMetrics().elidedText(shownText(), Qt::ElideRight, qRound(zona.width()));
  p.drawText(zona, Qt::AlignCenter, texto);
}

void HotkeyRecorder::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  setFocus(Qt::MouseFocusReason);
  setRecording(true);
  event->accept();
}

void HotkeyRecorder::keyPressEvent(QKeyEvent* event) {
  const bool abre = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                    event->key() == Qt::Key_Enter;
  if (abre && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    setRecording(true);
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void HotkeyRecorder::focusOutEvent(QFocusEvent* event) {
  setRecording(false);
  QWidget::focusOutEvent(event);
}

HotkeyField::HotkeyField(QWidget* parent) : QWidget(parent), recorder_(new HotkeyRecorder(this)) {
  auto* fila = new QHBoxLayout(this);
  fila->setContentsMargins(0, 0, 0, 0);
  fila->addWidget(recorder_);
  // A label's buddy, or a focus given to the field, lands on the recorder.
  setFocusProxy(recorder_);
}

void HotkeyField::actualizar(const std::optional<Hotkey>& hotkey,
                             HotkeyRecorder::AlGrabar alGrabar) {
  recorder_->setHotkey(hotkey);
  recorder_->setAlGrabar(std::move(alGrabar));
}

}  // namespace corvalin
