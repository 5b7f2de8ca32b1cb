// The rules behind the choosers that the X server tests cannot reach: edges and gaps of the
// map between Qt's screens and the X server's pixels, the area's size limits, the colour picker
// at the picture's edge and without a desktop, and the countdown's timing. (Which window a point
// means runs on the X server, with and without a window manager.)
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#include "capture/area_selection.h"
#include "capture/color_loupe.h"
#include "capture/color_picker_qt.h"
#include "capture/countdown_qt.h"
#include "capture/desktop.h"
#include "capture/overlay.h"
#include "capture/window_picker_qt.h"
#include "core/texts.h"
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
  EXPECT_EQ(mapa.enRaiz(QPoint(1919, 1079))->nombre, QStringLiteral("R"));
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
  EXPECT_EQ(areaElegida({10, 10}, {10, 10}), std::nullopt);
  EXPECT_EQ(areaElegida({10, 10}, {34, 34}), QRect(10, 10, 24, 24));
  EXPECT_EQ(areaElegida({34, 34}, {10, 10}), QRect(10, 10, 24, 24));
  // Half pixels (a scaled screen) round outward.
  EXPECT_EQ(areaElegida({10.5, 20.5}, {40.5, 60}), QRect(10, 20, 31, 40));
}

// A desktop that is a picture: what the choosers see, without a display.
class EscritorioDePrueba final : public Escritorio {
 public:
  explicit EscritorioDePrueba(QImage raiz) : raiz_(std::move(raiz)) {}
  QImage congelar(const QRect& zona, bool) override {
    return raiz_.isNull() ? QImage() : raiz_.copy(zona);
  }
  std::vector<VentanaDelEscritorio> ventanas() override { return {}; }
  QString nombre(uint32_t) override { return {}; }
  QPoint puntero() override { return puntero_; }
  bool componiendo() override { return false; }
  void sincronizar() override { ++sincronizados_; }

  QImage raiz_;
  QPoint puntero_;
  int sincronizados_ = 0;
};

QImage imagenCodificada(QSize tam) {
  QImage image(tam, QImage::Format_RGB32);
  for (int y = 0; y < tam.height(); ++y)
    for (int x = 0; x < tam.width(); ++x) image.setPixel(x, y, qRgb(x & 255, y & 255, 7));
  return image;
}

QWidget* capaActiva() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && qobject_cast<CapaDePantalla*>(w)) return w;
  }
  return nullptr;
}

// (Arrows, Return and a second Return run on the X server; the edge of the picture here.)
TEST(ColorPickerKeys, ThePointerOnThePicturesEdgeCannotLeaveItAndTheLayerGoesFirst) {
  const QSize tam = QGuiApplication::primaryScreen()->geometry().size();
  auto escritorio = std::make_shared<EscritorioDePrueba>(imagenCodificada(tam));
  SelectorDeColor selector(escritorio);
  std::vector<QColor> elegidos;
  selector.pick([&](const QColor& c) { elegidos.push_back(c); }, [] { FAIL(); });
  QWidget* capa = capaActiva();
  ASSERT_NE(capa, nullptr);
  QTest::keyClick(capa, Qt::Key_Left);
  QTest::keyClick(capa, Qt::Key_Up);
  QTest::keyClick(capa, Qt::Key_Enter);
  ASSERT_EQ(elegidos.size(), 1u);
  EXPECT_EQ(ColorPicker::hex(elegidos[0]), QStringLiteral("#000007"));
  EXPECT_FALSE(Capas::hayAbiertas());
  EXPECT_GE(escritorio->sincronizados_, 1);  // gone from the server before reporting
}

TEST(ChoosersWithoutADesktop, TheColourPickerCancelsOrAsksAndTheWindowPickerCancels) {
  auto vacio = std::make_shared<EscritorioDePrueba>(QImage());
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

TEST(Countdown, ItCountsEachSecondAndEndsOnlyWhenNotClosed) {
  auto escritorio = std::make_shared<EscritorioDePrueba>(QImage());
  const FabricaDeCuentaRegresiva fabrica = fabricaDeCuentaRegresiva(escritorio);
  QElapsedTimer reloj;
  int terminadas = 0;
  qint64 tardo = 0;
  auto cuenta = fabrica(2, QRect(100, 100, 400, 300), QString(), [&] {
    ++terminadas;
    tardo = reloj.elapsed();
    // The badge is off the screen by now.
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible());
  });
  reloj.start();
  cuenta->arrancar();
  QTRY_COMPARE_WITH_TIMEOUT(terminadas, 1, 5000);
  EXPECT_GE(tardo, 1900);
  EXPECT_GE(escritorio->sincronizados_, 1);
  cuenta->cerrar();  // after the end: nothing happens
  auto cerrada = fabrica(1, QRect(0, 0, 10, 10), QString(), [&] { ++terminadas; });
  cerrada->arrancar();
  cerrada->cerrar(), cerrada->cerrar();
  QTest::qWait(1300);
  EXPECT_EQ(terminadas, 1);
}

}  // namespace
}  // namespace corvalin
