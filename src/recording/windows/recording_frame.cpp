#include "recording/windows/recording_frame.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include "recording/controls_layout.h"

namespace corvalin {
namespace {

class MarcoDeGrabacion final : public QWidget, public RecordingFrame {
 public:
  explicit MarcoDeGrabacion(const QRect& area)
      : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                             Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                             (QGuiApplication::platformName() == QLatin1String("xcb")
                                  ? Qt::BypassWindowManagerHint
                                  : Qt::WindowFlags())) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    const QRect marco = marcoAlrededor(area);
    setGeometry(marco);
    // Only the ring is window: the area inside shows through without a compositor.
    const QRect dentro =
        QRect(QPoint(0, 0), marco.size())
            .adjusted(kMargenDelMarco, kMargenDelMarco, -kMargenDelMarco, -kMargenDelMarco);
    setMask(QRegion(rect()).subtracted(QRegion(dentro)));
    latido_.setInterval(kParpadeoDelMarcoMs);
    QObject::connect(&latido_, &QTimer::timeout, this, [this] {
      encendido_ = !encendido_;
      update();
    });
  }

  void mostrar() override {
    show();
    raise();
    latido_.start();
  }
  void ocultar() override {
    latido_.stop();
    hide();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    // Opaque, so it looks the same with or without a compositor: the dim phase is the red
    // at 45 % over a dark grey.
    p.fillRect(rect(), QColor(40, 40, 40));
    const double g = kGrosorDelMarco;
    const QColor rojo = encendido_ ? QColor(255, 59, 48) : QColor(137, 48, 43);
    p.setPen(QPen(rojo, g));
    const double r = g * 0.5 + 1.5;
    p.drawRect(QRectF(rect()).adjusted(r, r, -r, -r));
    p.setPen(QPen(QColor(255, 255, 255, 140), 1));
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
  }

 private:
  QTimer latido_;
  bool encendido_ = true;
};

}  // namespace

std::unique_ptr<RecordingFrame> crearMarcoDeGrabacion(const QRect& area) {
  return std::make_unique<MarcoDeGrabacion>(area);
}

}  // namespace corvalin
