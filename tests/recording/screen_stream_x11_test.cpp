// The X11 screen stream against the test session's server: frames only when what they show
// changed, the pointer drawn in or left out, a covered window recorded through Composite, and
// the consumer's buffers waited for. (A window left out of the video:
// shell_recording_x11_test.cpp's tray panel.)
#include <gtest/gtest.h>

#include <QImage>
#include <QThread>
#include <mutex>

#include "platform/screen_stream.h"
#include "tools/screen_fixtures.h"

namespace corvalin {
namespace {

using tools::testing::background;
using tools::testing::moveTo;
using tools::testing::plainWindow;
using tools::testing::xdotool;

// What a stream delivered, copied out.
struct Recibido {
  std::mutex m;
  std::vector<QImage> cuadros;
  std::optional<FlujoDePantalla::Fin> fin;
  std::vector<CuadroDePantalla> retenidos;  // leases kept on purpose
  bool retener = false;

  FlujoDePantalla::Manejadores manejadores() {
    return {[this](CuadroDePantalla c) {
              std::lock_guard l(m);
              cuadros.push_back(
                  QImage(c.bgra, c.ancho, c.alto, c.pasoBytes, QImage::Format_RGB32).copy());
              if (retener) retenidos.push_back(std::move(c));
            },
            [this](FlujoDePantalla::Fin f) {
              std::lock_guard l(m);
              fin = f;
            }};
  }
  int cuantos() { return std::lock_guard(m), static_cast<int>(cuadros.size()); }
  QImage ultimo() { return std::lock_guard(m), cuadros.empty() ? QImage() : cuadros.back(); }
  bool esperar(int n, int ms = 3000) {
    for (int t = 0; t < ms && cuantos() < n; t += 10) QThread::msleep(10);
    return cuantos() >= n;
  }
};

uint32_t rgb(const QImage& i, int x, int y) {
  return i.pixel(x, y) & 0xffffffu;
}

using ScreenStreamX11 = tools::testing::X11Test;

TEST_F(ScreenStreamX11, AnAreaGivesAFrameOnlyWhenSomethingInItChanges) {
  for (const bool comparar : {false, true}) {
    SCOPED_TRACE(comparar ? "comparing grabs" : "asking DAMAGE");
    windows_.clear();
    windows_.show({background(11), plainWindow(QRect(1200, 600, 300, 200), 12)});
    auto flujo = flujoX11();
    ASSERT_NE(flujo, nullptr);
    Recibido r;
    std::string error;
    ASSERT_TRUE(flujo->arrancar(AreaDeRaiz{100, 100, 400, 300}, {30, false, comparar},
                                r.manejadores(), &error))
        << error;
    ASSERT_TRUE(r.esperar(1));
    // The first frame is the screen there.
    EXPECT_EQ(rgb(r.ultimo(), 10, 10), windows_.pixel({110, 110}) & 0xffffffu);
    QThread::msleep(500);
    EXPECT_EQ(r.cuantos(), 1) << "a still screen gives nothing";
    // Nor does the pointer, left out, moving over it.
    moveTo({300, 250});
    QThread::msleep(300);
    EXPECT_EQ(r.cuantos(), 1) << "the pointer was drawn in";
    moveTo({1900, 1060});
    // The window brought into the area: a frame that shows it.
    xdotool({QStringLiteral("windowmove"), QString::number(windows_[1].id()), QStringLiteral("200"),
             QStringLiteral("150")});
    ASSERT_TRUE(r.esperar(2));
    QThread::msleep(200);
    EXPECT_NE(rgb(r.ultimo(), 150, 100), windows_.pixel({250, 200}) & 0xffffffu);
    flujo->detener();
    EXPECT_FALSE(r.fin);
  }
}

// Where another window covers it, the frame still shows the window's own content. (Moved, and
// its end: the recorder's tests.)
TEST_F(ScreenStreamX11, ACoveredWindowIsRecordedWhole) {
  windows_.show({background(31), plainWindow(QRect(200, 200, 400, 300), 32),
                 plainWindow(QRect(500, 300, 400, 300), 33)});
  auto flujo = flujoX11();
  Recibido r;
  std::string error;
  ASSERT_TRUE(
      flujo->arrancar(VentanaDeRaiz{windows_[1].id()}, {30, false, false}, r.manejadores(), &error))
      << error;
  ASSERT_TRUE(r.esperar(1));
  const QImage visto = r.ultimo();
  ASSERT_EQ(visto.size(), QSize(400, 300));
  EXPECT_EQ(rgb(visto, 350, 200), windows_[1].pixelAt({550, 400}) & 0xffffffu);
  flujo->detener();
}

TEST_F(ScreenStreamX11, FramesWaitForTheConsumersBuffersAndShowThePointerWhenAsked) {
  windows_.show({background(41)});
  auto flujo = flujoX11();
  Recibido r;
  r.retener = true;  // every lease kept: after three, no buffer is free
  std::string error;
  ASSERT_TRUE(
      flujo->arrancar(AreaDeRaiz{0, 0, 800, 600}, {10, true, false}, r.manejadores(), &error));
  // The pointer moving all the time for a second, 40 times.
  const auto moverElPuntero = [] {
    for (int i = 1; i <= 40; ++i) {
      moveTo({100 + i * 5, 200});
      QThread::msleep(25);
    }
  };
  moverElPuntero();
  QThread::msleep(200);
  EXPECT_EQ(r.cuantos(), 3);
  EXPECT_GT(flujo->descartados(), 0);
  {
    std::lock_guard l(r.m);
    r.retener = false;
    r.retenidos.clear();  // let go: frames flow again
  }
  moverElPuntero();
  flujo->detener();
  EXPECT_GE(r.cuantos(), 3 + 3);
  // Asked for, the pointer is drawn in: the last frame shows it where it stopped, (300, 200).
  const QImage ultimo = r.ultimo();
  int distintos = 0;
  for (int y = 195; y < 235; ++y)
    for (int x = 285; x < 335; ++x)
      distintos += rgb(ultimo, x, y) != (windows_.pixel({x, y}) & 0xffffffu);
  EXPECT_GT(distintos, 10);
  moveTo({1900, 1060});
}

}  // namespace
}  // namespace corvalin
