// A Wayland client for the tests, covering the screen, drawing what they can check:
//   wayland_client pattern SEED   every pixel known (patternPixel), drawn once
//   wayland_client moving         mid grey with a white square that moves 30 times a second
// Prints "ready" once its first frame has been drawn.
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QTimer>
#include <cstdio>

#include "tools/test_pattern.h"

namespace {

class Cliente : public QRasterWindow {
 public:
  Cliente(QString modo, int a) : modo_(std::move(modo)), a_(a) {
    if (modo_ != QLatin1String("moving")) return;
    auto* t = new QTimer(this);
    QObject::connect(t, &QTimer::timeout, this, [this] {
      ++paso_;
      update();
    });
    t->start(33);
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
    } else {
      p.fillRect(QRect(QPoint(), size()), QColor(128, 128, 128));
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
  int a_, paso_ = 0;
  bool listo_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (app.arguments().size() < 2) return 2;
  Cliente ventana(app.arguments().at(1), app.arguments().value(2).toInt());
  ventana.setTitle(QStringLiteral("corvalin-wayland-client"));
  // Tiled alone on its workspace, it covers the whole output (no bar, no borders, no gaps)
  // and leaves room above it for floating windows.
  ventana.show();
  return app.exec();
}
