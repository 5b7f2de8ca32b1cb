// A Wayland client for the tests, covering the screen, drawing what they can check:
//   wayland_client pattern SEED   every pixel known (patternPixel), drawn once
//   wayland_client moving [MS]    mid grey with a white square that moves 30 times a second
//                                 (for MS milliseconds after it is ready, if given; then still)
//   wayland_client lines N STEP   a page of N numbered lines in black on white, 40 px each,
//                                 scrolled STEP px further every 150 ms from 2.5 s on
//                                 (its bands of colour tell the lines apart)
// Prints "ready" once its first frame has been drawn.
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QTimer>
#include <cstdio>

#include "tools/test_pattern.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kLinea = 40;

class Cliente : public QRasterWindow {
 public:
  Cliente(QString modo, int a, int b) : modo_(std::move(modo)), a_(a), b_(b) {
    if (modo_ == QLatin1String("moving")) {
      auto* t = new QTimer(this);
      QObject::connect(t, &QTimer::timeout, this, [this] {
        ++paso_;
        update();
      });
      t->start(33);
      if (a_ > 0) QTimer::singleShot(a_ + 200, t, &QTimer::stop);
    }
    if (modo_ == QLatin1String("lines")) {
      auto* t = new QTimer(this);
      QObject::connect(t, &QTimer::timeout, this, [this] {
        const int fin = std::max(0, a_ * kLinea - height());
        if (desplazado_ >= fin) return;
        desplazado_ = std::min(fin, desplazado_ + b_);
        update();
      });
      QTimer::singleShot(2500, this, [t] { t->start(150); });
    }
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    if (modo_ == QLatin1String("pattern")) {
      QImage imagen(size(), QImage::Format_RGB32);
      for (int y = 0; y < imagen.height(); ++y) {
        auto* fila = reinterpret_cast<quint32*>(imagen.scanLine(y));
        for (int x = 0; x < imagen.width(); ++x)
          fila[x] = corvalin::tools::testing::patternPixel(static_cast<quint32>(a_), x, y);
      }
      p.drawImage(0, 0, imagen);
    } else if (modo_ == QLatin1String("lines")) {
      p.fillRect(QRect(QPoint(), size()), Qt::white);
      QFont letra = p.font();
      letra.setPixelSize(24);
      p.setFont(letra);
      const int primera = desplazado_ / kLinea;
      for (int i = primera; i < a_ && i * kLinea - desplazado_ < height(); ++i) {
        const int y = i * kLinea - desplazado_;
        p.fillRect(0, y, 30, kLinea, QColor::fromHsv((i * 37) % 360, 200, 220));
        p.fillRect(40 + (i % 17) * 20, y + 34, 200, 3, QColor(80, 80, 80));
        p.setPen(Qt::black);
        p.drawText(QRect(300, y, 800, kLinea), Qt::AlignVCenter,
                   u"Line %1 of the page"_s.arg(i + 1));
      }
    } else {
      p.fillRect(QRect(QPoint(), size()), QColor(128, 128, 128));
      if (modo_ == QLatin1String("moving"))
        p.fillRect((paso_ * 12) % std::max(1, width() - 100), 300, 100, 100, Qt::white);
    }
    if (!listo_) {
      listo_ = true;
      // The compositor shows the frame on its next refresh.
      QTimer::singleShot(200, [] {
        std::printf("ready\n");
        std::fflush(stdout);
      });
    }
  }

 private:
  QString modo_;
  int a_, b_;
  int paso_ = 0;
  int desplazado_ = 0;
  bool listo_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) return 2;
  Cliente ventana(args.at(1), args.value(2).toInt(), args.value(3).toInt());
  ventana.setTitle(u"corvalin-wayland-client"_s);
  // Tiled alone on its workspace, it covers the whole output (no bar, no borders, no gaps)
  // and leaves room above it for floating windows.
  ventana.show();
  return app.exec();
}
