#include "capture/countdown_qt.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>
#include <algorithm>

#include "capture/desktop.h"
#include "capture/overlay.h"

namespace corvalin {
namespace {

constexpr int kMargen = 8;

// The disc itself: the ring's drawn fraction and the number's opacity animate.
class Insignia final : public QWidget {
 public:
  Insignia()
      : QWidget(nullptr, capasEnX11() ? Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                            Qt::BypassWindowManagerHint | Qt::Tool |
                                            Qt::WindowTransparentForInput
                                      : Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                            Qt::Tool | Qt::WindowTransparentForInput) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(kLadoDeCuenta, kLadoDeCuenta);
    // Without a compositor the corners of a translucent window come out black: the window's
    // shape is the disc itself.
    setMask(QRegion(rect(), QRegion::Ellipse));
    anillo_.setStartValue(1.0);
    anillo_.setEndValue(0.0);
    anillo_.setDuration(1000);
    QObject::connect(&anillo_, &QVariantAnimation::valueChanged, this, [this] { update(); });
    numero_.setStartValue(0.0);
    numero_.setEndValue(1.0);
    numero_.setDuration(220);
    QObject::connect(&numero_, &QVariantAnimation::valueChanged, this, [this] { update(); });
  }

  void ponerNumero(int n, bool fundido) {
    texto_ = QString::number(n);
    numero_.stop();
    if (fundido) numero_.start();
    update();
  }
  // The ring full again, emptying over the next second.
  void latir() {
    anillo_.stop();
    anillo_.start();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRectF disco = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    p.setPen(QPen(QColor(255, 255, 255, 56), 3));  // 0.22
    p.setBrush(QColor(0, 0, 0, 184));              // 0.72
    p.drawEllipse(disco);

    const double fraccion =
        anillo_.state() == QAbstractAnimation::Running ? anillo_.currentValue().toDouble() : 1.0;
    if (fraccion > 0) {
      const double r = 62.5;
      const QRectF circulo(kLadoDeCuenta / 2.0 - r, kLadoDeCuenta / 2.0 - r, 2 * r, 2 * r);
      QPen pen(QColor(255, 255, 255, 235), 4);  // 0.92
      pen.setCapStyle(Qt::RoundCap);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      // From the top, clockwise (Qt counts angles counter-clockwise, in 1/16 degree).
      p.drawArc(circulo, 90 * 16, -static_cast<int>(std::lround(fraccion * 360 * 16)));
    }

    QFont fuente = font();
    fuente.setPixelSize(72);
    fuente.setWeight(QFont::DemiBold);
    p.setFont(fuente);
    const double opacidad =
        numero_.state() == QAbstractAnimation::Running ? numero_.currentValue().toDouble() : 1.0;
    p.setOpacity(opacidad);
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, texto_);
  }

 private:
  QString texto_;
  QVariantAnimation anillo_;
  QVariantAnimation numero_;
};

QScreen* pantallaLlamada(const QString& nombre, const QRect& area) {
  for (QScreen* s : QGuiApplication::screens()) {
    if (s->name() == nombre) return s;
  }
  if (QScreen* s = QGuiApplication::screenAt(area.center())) return s;
  return QGuiApplication::primaryScreen();
}

class CuentaEnEscritorio final : public CuentaRegresiva {
 public:
  CuentaEnEscritorio(std::shared_ptr<Escritorio> escritorio, int segundos, const QRect& area,
                     const QString& pantalla, std::function<void()> alTerminar)
      : escritorio_(std::move(escritorio)),
        restante_(std::max(segundos, 1)),
        alTerminar_(std::move(alTerminar)) {
    insignia_ = new Insignia();
    QScreen* s = pantallaLlamada(pantalla, area);
    const QRect visible = s ? s->availableGeometry() : area;
    if (s) insignia_->setScreen(s);
    insignia_->move(lugarDeCuenta(area, visible));
    insignia_->ponerNumero(restante_, false);
    reloj_.setInterval(1000);
    reloj_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&reloj_, &QTimer::timeout, [this] { latido(); });
  }
  ~CuentaEnEscritorio() override { cerrar(); }

  void arrancar() override {
    if (!insignia_ || reloj_.isActive()) return;
    insignia_->show();
    insignia_->raise();
    insignia_->latir();
    reloj_.start();
  }

  void cerrar() override {
    alTerminar_ = nullptr;
    *vigente_ = false;
    quitar();
  }

 private:
  void latido() {
    if (--restante_ >= 1) {
      insignia_->ponerNumero(restante_, true);
      insignia_->latir();
      return;
    }
    std::function<void()> alTerminar = std::move(alTerminar_);
    alTerminar_ = nullptr;
    quitar();
    // The completion may grab the screen: only once the badge is off it, and not at all when
    // the countdown was closed meanwhile.
    alDesaparecer(escritorio_.get(), [vigente = vigente_, alTerminar = std::move(alTerminar)] {
      if (*vigente && alTerminar) alTerminar();
    });
  }

  void quitar() {
    reloj_.stop();
    if (!insignia_) return;
    insignia_->hide();
    insignia_->deleteLater();
    insignia_ = nullptr;
  }

  std::shared_ptr<Escritorio> escritorio_;
  int restante_;
  std::function<void()> alTerminar_;
  std::shared_ptr<bool> vigente_ = std::make_shared<bool>(true);
  QPointer<Insignia> insignia_;
  QTimer reloj_;
};

}  // namespace

QPoint lugarDeCuenta(const QRect& area, const QRect& visible) {
  const double cx = area.x() + area.width() / 2.0;
  const double cy = area.y() + area.height() / 2.0;
  const int x = static_cast<int>(std::lround(cx - kLadoDeCuenta / 2.0));
  const int y = static_cast<int>(std::lround(cy - kLadoDeCuenta / 2.0));
  const int minX = visible.x() + kMargen;
  const int minY = visible.y() + kMargen;
  const int maxX = std::max(minX, visible.x() + visible.width() - kLadoDeCuenta - kMargen);
  const int maxY = std::max(minY, visible.y() + visible.height() - kLadoDeCuenta - kMargen);
  return QPoint(std::clamp(x, minX, maxX), std::clamp(y, minY, maxY));
}

FabricaDeCuentaRegresiva fabricaDeCuentaRegresiva(std::shared_ptr<Escritorio> escritorio) {
  return [escritorio](int segundos, const QRect& area, const QString& pantalla,
                      std::function<void()> alTerminar) -> std::unique_ptr<CuentaRegresiva> {
    return std::make_unique<CuentaEnEscritorio>(escritorio, segundos, area, pantalla,
                                                std::move(alTerminar));
  };
}

}  // namespace corvalin
