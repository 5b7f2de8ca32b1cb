// The rules behind the choosers that the X server tests cannot reach: edges and gaps of the
// map between Qt's screens and the X server's pixels, the area's size limits, the choosers
// without a desktop, and the countdown's timing. (Which window a point
// means runs on the X server: the choosers' under a window manager, the screenshot tool's
// without one.)
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include "capture/area_selection.h"
#include "capture/color_picker_qt.h"
#include "capture/countdown_qt.h"
#include "capture/desktop.h"
#include "capture/overlay.h"
#include "capture/window_picker_qt.h"
#include "platform/screen_map.h"

namespace corvalin {
namespace {

// Two monitors side by side: 1000 px at scale 1, then 920 px at scale 2.
MapaDePantallas dosMonitores() {
  return MapaDePantallas({{QStringLiteral("L"), QRect(0, 0, 1000, 1080), 1.0},
                          {QStringLiteral("R"), QRect(1000, 0, 460, 540), 2.0}});
}

// (The map of the common case is checked on the X server: the mixed-scale choosers.)
TEST(WindowPicker, ThePointMeansTheTopmostOtherApplicationsWindow) {
  const std::vector<VentanaDelEscritorio> arribaPrimero{
      {7, QRect(0, 0, 1920, 30), false},     // a panel
      {6, QRect(100, 100, 20, 400), true},   // a sliver
      {5, QRect(500, 500, 300, 300), true},  // ours
      {4, QRect(400, 400, 600, 400), true}, {3, QRect(0, 0, 1920, 1080), true},
      {2, QRect(0, 0, 1920, 1080), false}};  // the desktop
  const auto propia = [](uint32_t id) { return id == 5; };
  const auto id = [&](QPoint p) {
    const auto v = ventanaBajo(arribaPrimero, p, propia);
    return v ? v->id : 0u;
  };
  EXPECT_EQ(id({600, 600}), 4u);  // under our own window
  EXPECT_EQ(id({110, 200}), 3u);  // under the sliver
  EXPECT_EQ(id({50, 10}), 0u);    // on the panel
  EXPECT_EQ(ventanaBajo({{9, QRect(0, 0, 25, 25), true}}, {5, 5}, {})->id, 9u);
  EXPECT_EQ(ventanaBajo({{9, QRect(0, 0, 25, 24), true}}, {5, 5}, {}), std::nullopt);
}

TEST(ScreenMap, EdgesGapsAndOddRectanglesKeepToWholePixels) {
  const MapaDePantallas mapa = dosMonitores();
  const PantallaEnMapa& r = *mapa.porNombre(QStringLiteral("R"));
  EXPECT_EQ(r.raiz(), QRect(1000, 0, 920, 1080));
  EXPECT_EQ(mapa.aLogico(QPointF(1500, 500)), QPointF(1250, 250));
  EXPECT_EQ(mapa.enRaiz(QPoint(999, 0))->nombre, QStringLiteral("L"));
  // Below the shorter logical screen: the nearest one.
  EXPECT_EQ(mapa.enLogico(QPointF(1100, 560))->nombre, QStringLiteral("R"));
  EXPECT_EQ(mapa.enLogico(QPointF(1100, 800))->nombre, QStringLiteral("L"));
  // An odd device rectangle grows to whole logical pixels rather than losing its edge.
  EXPECT_EQ(MapaDePantallas::rectEnLogico(r, QRect(1201, 301, 3, 3)), QRect(1100, 150, 2, 2));
  EXPECT_EQ(MapaDePantallas({}).enRaiz(QPoint(0, 0)), nullptr);
}

TEST(AreaSelection, DragsPickWholePixelsFrom24Up) {
  EXPECT_EQ(rectanguloEntre({50, 80}, {10, 20}), QRectF(10, 20, 40, 60));
  EXPECT_EQ(areaElegida({10, 10}, {33, 210}), std::nullopt);  // 23 wide
  EXPECT_EQ(areaElegida({10, 10}, {210, 33.9}), std::nullopt);
  EXPECT_EQ(areaElegida({10, 10}, {34, 34}), QRect(10, 10, 24, 24));
  EXPECT_EQ(areaElegida({34, 34}, {10, 10}), QRect(10, 10, 24, 24));
  // Half pixels (a scaled screen) round outward.
  EXPECT_EQ(areaElegida({10.5, 20.5}, {40.5, 60}), QRect(10, 20, 31, 40));
}

// A desktop with nothing on it, that counts how often it was made to catch up with the server.
class EscritorioDePrueba final : public Escritorio {
 public:
  QImage congelar(const QRect&, bool) override { return {}; }
  std::vector<VentanaDelEscritorio> ventanas() override { return {}; }
  QString nombre(uint32_t) override { return {}; }
  QPoint puntero() override { return {}; }
  bool componiendo() override { return false; }
  void sincronizar() override { ++sincronizados_; }

  int sincronizados_ = 0;
};

TEST(ChoosersWithoutADesktop, TheColourPickerCancelsOrAsksAndTheWindowPickerCancels) {
  auto vacio = std::make_shared<EscritorioDePrueba>();
  SelectorDeColor sinFoto(vacio);
  int cancelados = 0;
  sinFoto.pick([](const QColor&) { FAIL(); }, [&] { ++cancelados; });
  EXPECT_FALSE(Capas::hayAbiertas());
  QCoreApplication::processEvents();
  EXPECT_EQ(cancelados, 1);

  // Without a desktop it asks another (the portal) once, and reports what that picked.
  QStringList hex;
  SelectorDeColor sinEscritorio(
      nullptr, [](std::function<void(const QColor&)> onPick, std::function<void()>) {
        onPick(QColor(255, 128, 0));
      });
  sinEscritorio.pick([&](const QColor& c) { hex << ColorPicker::hex(c); }, [] {});
  EXPECT_EQ(hex, QStringList{QStringLiteral("#FF8000")});

  // A window picker that has no window list says so and cancels.
  int avisos = 0;
  SelectorDeVentana ciego(nullptr, [&] { ++avisos; });
  ciego.pick([](const VentanaElegida&) { FAIL(); }, [&] { ++cancelados; });
  QCoreApplication::processEvents();
  EXPECT_EQ(avisos, 1);
  EXPECT_EQ(cancelados, 2);
}

// A countdown of two seconds ends once, with its badge off the screen and the server caught up
// before the capture grabs it; one closed before its end never ends.
TEST(Countdown, ItCountsEachSecondAndEndsOnlyWhenNotClosed) {
  auto escritorio = std::make_shared<EscritorioDePrueba>();
  const FabricaDeCuentaRegresiva fabrica = fabricaDeCuentaRegresiva(escritorio);
  QElapsedTimer reloj;
  std::vector<qint64> terminadas;  // when each ended
  auto cuenta = fabrica(2, QRect(100, 100, 400, 300), QString(), [&] {
    terminadas.push_back(reloj.elapsed());
    EXPECT_GE(escritorio->sincronizados_, 1);
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible());
  });
  auto cerrada = fabrica(1, QRect(0, 0, 10, 10), QString(), [&] { terminadas.push_back(-1); });
  reloj.start();
  cuenta->arrancar();
  cerrada->arrancar();
  cerrada->cerrar();
  QTRY_COMPARE_WITH_TIMEOUT(terminadas.size(), 1u, 5000);
  EXPECT_GE(terminadas[0], 1900);
  QTest::qWait(300);
  EXPECT_EQ(terminadas.size(), 1u);
}

}  // namespace
}  // namespace corvalin
