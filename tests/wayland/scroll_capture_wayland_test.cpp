// The long capture on a real Wayland desktop: the frames of an area of the shared screen, as a
// page scrolls in it, stitched into the page.
#include <gtest/gtest.h>

#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>

#include "capture/scroll_capture_stream.h"
#include "platform/screencast_portal.h"
#include "wayland_fixtures.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

using testing::clienteWayland;

constexpr int kLineas = 80, kAltoDeLinea = 40, kPaso = 80;

TEST(WaylandScrollCapture, APageScrolledInAnAreaComesOutWholeAndInOrder) {
  const auto cliente =
      clienteWayland({u"lines"_s, QString::number(kLineas), QString::number(kPaso)});
  ASSERT_TRUE(cliente);
  // The area leaves 100 rows of the screen above it and 180 below.
  const QRect area(0, 100, 1000, 800);
  CapturaLarga captura(flujoDelEscritorio);
  std::optional<std::optional<QString>> arranque;
  captura.start(area, u"HEADLESS-1"_s, [&](std::optional<QString> error) { arranque = error; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return arranque.has_value(); }, 10000));
  ASSERT_FALSE(arranque->has_value()) << arranque->value().toStdString();
  // The page starts scrolling 2.5 s after it was drawn and takes about 4 s to reach its end.
  QTest::qWait(8000);
  QImage imagen;
  bool lista = false;
  captura.finish([&](QImage i) {
    imagen = std::move(i);
    lista = true;
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return lista; }, 10000));
  ASSERT_FALSE(imagen.isNull());

  // The page's rows seen through the area: from its row 100 to 1080 - 180 rows before its end.
  const int alto = kLineas * kAltoDeLinea - 100 - 180;
  EXPECT_EQ(imagen.height(), alto);
  EXPECT_EQ(imagen.width(), 1000);
  // Every whole line once, in order: its band of colour where the page has it.
  int bien = 0, lineas = 0;
  for (int i = 0; i < kLineas; ++i) {
    const int y = i * kAltoDeLinea + kAltoDeLinea / 2 - 100;
    if (y < 0 || y >= imagen.height()) continue;
    ++lineas;
    const QColor visto = imagen.pixelColor(15, y);
    const QColor esperado = QColor::fromHsv((i * 37) % 360, 200, 220);
    bien += std::abs(visto.red() - esperado.red()) <= 2 &&
            std::abs(visto.green() - esperado.green()) <= 2 &&
            std::abs(visto.blue() - esperado.blue()) <= 2;
  }
  EXPECT_GT(lineas, 70);
  EXPECT_EQ(bien, lineas);
}

}  // namespace
}  // namespace corvalin
