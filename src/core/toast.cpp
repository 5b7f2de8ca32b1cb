#include "core/toast.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/symbol_icons.h"

namespace corvalin {
namespace {

QPointer<Toast>& ranura() {
  static QPointer<Toast> current;
  return current;
}

// A detail label that keeps to one line, eliding the middle of a text that does not fit.
class DetailLabel final : public QLabel {
 public:
  explicit DetailLabel(const QString& text) : full_(text) { setText(text); }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, width()));
  }
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 private:
  QString full_;
};

QPixmap iconoTenido(const QString& simbolo, int lado, const QColor& color) {
  QPixmap pixmap = iconoDeSimbolo(simbolo).pixmap(lado, lado);
  QPainter p(&pixmap);
  p.setCompositionMode(QPainter::CompositionMode_SourceIn);
  p.fillRect(pixmap.rect(), color);
  return pixmap;
}

}  // namespace

int anchoDeToast(int anchoNatural) {
  return std::clamp(anchoNatural, 240, 460);
}

QPoint posicionDeToast(const QRect& disponible, const QSize& panel) {
  const int x = disponible.x() + disponible.width() / 2 - panel.width() / 2;
  const int y = disponible.y() + 16;
  return {x, y};
}

Toast* Toast::actual() {
  return ranura().data();
}

Toast* Toast::mostrar(const QString& titulo, const QString& detalle, const QString& simbolo) {
  return mostrar(titulo, detalle, simbolo, {});
}

Toast* Toast::mostrar(const QString& titulo, const QString& detalle, const QString& simbolo,
                      AccionDeToast accion) {
  if (Toast* current = actual()) current->dismiss();
  const bool conAccion = static_cast<bool>(accion.alElegir);
  auto* toast = new Toast(titulo, detalle, simbolo, std::move(accion));
  ranura() = toast;
  toast->present(conAccion ? kMilisegundosConAccion : kMilisegundos);
  return toast;
}

Toast::Toast(const QString& titulo, const QString& detalle, const QString& simbolo,
             AccionDeToast accion)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::BypassWindowManagerHint |
                           (accion.alElegir ? Qt::WindowFlags() : Qt::WindowTransparentForInput)),
      titulo_(titulo),
      detalle_(detalle) {
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  // Click-through unless there is a button to click.
  setAttribute(Qt::WA_TransparentForMouseEvents, !accion.alElegir);
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName(QStringLiteral("corvalinToast"));
  // Named for the desktop's accessibility and for automation; never shown as a title.
  setWindowTitle(titulo);

  const QColor acento = palette().color(QPalette::Highlight).lighter(140);
  auto* icon = new QLabel(this);
  icon->setPixmap(iconoTenido(simbolo, 20, acento));
  icon->setFixedSize(20, 20);

  auto* title = new QLabel(titulo, this);
  QFont titleFont = font();
  titleFont.setPixelSize(13);
  titleFont.setWeight(QFont::DemiBold);
  title->setFont(titleFont);
  title->setStyleSheet(QStringLiteral("color: white;"));

  auto* column = new QVBoxLayout();
  column->setSpacing(1);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(title);
  if (!detalle.isEmpty()) {
    auto* detail = new DetailLabel(detalle);
    detail->setParent(this);
    QFont detailFont = font();
    detailFont.setPixelSize(11);
    detail->setFont(detailFont);
    detail->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 0.62);"));
    column->addWidget(detail);
  }

  auto* row = new QHBoxLayout(this);
  row->setSpacing(10);
  row->setContentsMargins(16, 12, 18, 12);
  row->addWidget(icon, 0, Qt::AlignVCenter);
  row->addLayout(column, 1);
  int anchoDelBoton = 0;
  if (accion.alElegir) {
    boton_ = new QPushButton(accion.titulo, this);
    boton_->setFocusPolicy(Qt::NoFocus);
    boton_->setCursor(Qt::PointingHandCursor);
    boton_->setStyleSheet(QStringLiteral(
        "QPushButton { color: white; background: rgba(255, 255, 255, 0.16); border: none;"
        " border-radius: 7px; padding: 5px 12px; font-weight: 600; }"
        "QPushButton:hover { background: rgba(255, 255, 255, 0.26); }"
        "QPushButton:pressed { background: rgba(255, 255, 255, 0.34); }"));
    connect(boton_, &QPushButton::clicked, this, [this, elegir = std::move(accion.alElegir)] {
      if (saliendo_) return;
      dismiss();
      elegir();
    });
    row->addWidget(boton_, 0, Qt::AlignVCenter);
    anchoDelBoton = boton_->sizeHint().width() + 10;
  }

  // Natural width: what the title and the whole detail need, clamped.
  QFontMetrics titleMetrics(titleFont);
  QFont detailFont = font();
  detailFont.setPixelSize(11);
  const int texto = std::max(titleMetrics.horizontalAdvance(titulo),
                             QFontMetrics(detailFont).horizontalAdvance(detalle));
  const int natural = 16 + 20 + 10 + texto + 18 + 2;
  setFixedWidth(anchoDeToast(natural) + anchoDelBoton);
  setFixedHeight(sizeHint().height());

  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &Toast::dismiss);
}

void Toast::present(int milisegundos) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr && !QGuiApplication::screens().isEmpty()) {
    screen = QGuiApplication::screens().first();
  }
  if (screen != nullptr) move(posicionDeToast(screen->availableGeometry(), size()));
  setWindowOpacity(0.0);
  show();
  fade_ = new QPropertyAnimation(this, "windowOpacity", this);
  fade_->setDuration(160);
  fade_->setStartValue(0.0);
  fade_->setEndValue(1.0);
  fade_->start();
  timer_->start(milisegundos);
}

void Toast::dismiss() {
  timer_->stop();
  if (saliendo_) return;
  saliendo_ = true;
  if (fade_ != nullptr) fade_->stop();
  fade_ = new QPropertyAnimation(this, "windowOpacity", this);
  fade_->setDuration(200);
  fade_->setStartValue(windowOpacity());
  fade_->setEndValue(0.0);
  connect(fade_, &QPropertyAnimation::finished, this, [this] {
    // A newer toast that took the slot keeps it.
    if (ranura() == this) ranura() = nullptr;
    close();
  });
  fade_->start();
}

void Toast::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(QRectF(rect()), 14, 14);
  p.fillPath(path, QColor(28, 28, 30, 232));
}

}  // namespace corvalin
