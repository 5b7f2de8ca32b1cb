// The pixel tools on the canvas: clone with its source, erase-and-fill and dust removal in the
// background (with a stand-in engine), warp, pinch, dodge and burn, and the brush keys.
#include <gtest/gtest.h>

#include <QPainter>
#include <atomic>
#include <thread>

#include "editor_fixture.h"

namespace corvalin {
namespace {

using testing::colorDistance;
using testing::esperarColas;
using testing::filled;

// Left half red, right half blue.
QImage twoHalves() {
  QImage img = filled(200, 100, Qt::blue);
  QPainter(&img).fillRect(0, 0, 100, 100, Qt::red);
  return img;
}

// Paints every masked pixel green: stands in for the real fill, which only its own suite knows.
bool pintarVerde(retouch::PixelCanvas& c, const retouch::PixelMask& m) {
  static const uint8_t verde[4] = {0, 255, 0, 255};
  for (int64_t i = 0; i < c.width() * c.height(); ++i)
    if (m.bits()[static_cast<size_t>(i)]) std::copy_n(verde, 4, &c.data()[i * 4]);
  return true;
}

// A fill that runs only once `suelta` is set, so a test can act while it is still running.
auto rellenoQueEspera(const std::atomic<bool>& suelta) {
  return [&suelta](retouch::PixelCanvas& c, const retouch::PixelMask& m) {
    while (!suelta) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return pintarVerde(c, m);
  };
}

class PixelTools : public testing::CanvasTest {};

TEST_F(PixelTools, CloneCopiesFromItsSourceWhichOutlivesStrokesUntilReleased) {
  EditorView& v = abrir(twoHalves());
  v.setTool(ToolKind::clone);
  v.setBrushRadius(10);
  click({30, 50});  // the source, in the red half
  EXPECT_EQ(mutaciones_, 0);
  drag({150, 50}, {160, 50});
  EXPECT_EQ(mutaciones_, 1);
  EXPECT_LE(colorDistance(v.documento().base.pixel(155, 50), qRgb(255, 0, 0)), 2);
  EXPECT_LE(colorDistance(v.documento().base.pixel(190, 50), qRgb(0, 0, 255)), 2);
  EXPECT_TRUE(v.hasCloneSource());
  key(Qt::Key_Escape);
  EXPECT_FALSE(v.hasCloneSource());
}

TEST_F(PixelTools, EraseFillsInTheBackgroundAndBlocksNewStrokesMeanwhile) {
  EditorView& v = abrir(filled(200, 100, Qt::white));
  std::atomic<bool> suelta{false};
  v.setMotores({rellenoQueEspera(suelta), {}});
  v.setTool(ToolKind::repair);
  v.setBrushRadius(6);
  drag({50, 50}, {80, 50});
  EXPECT_TRUE(v.healing());
  const int before = mutaciones_;
  drag({120, 50}, {140, 50});  // ignored while the fill runs
  EXPECT_EQ(mutaciones_, before);
  suelta = true;
  esperarColas();
  EXPECT_FALSE(v.healing());
  EXPECT_EQ(v.documento().base.pixel(65, 50), qRgb(0, 255, 0));
  EXPECT_EQ(v.documento().base.pixel(130, 50), qRgb(255, 255, 255));
  EXPECT_EQ(before, 1);
}

TEST_F(PixelTools, AFillThatFinishesAfterAnUndoIsDropped) {
  EditorView& v = abrir(filled(200, 100, Qt::white));
  std::atomic<bool> suelta{false};
  v.setMotores({rellenoQueEspera(suelta), {}});
  v.setTool(ToolKind::repair);
  drag({50, 50}, {80, 50});
  const QImage before = v.documento().base;
  v.restore(Documento{filled(200, 100, Qt::gray), before, {}});  // the user undid meanwhile
  suelta = true;
  esperarColas();
  EXPECT_EQ(v.documento().base.pixel(65, 50), QColor(Qt::gray).rgb());
}

TEST_F(PixelTools, DustRemovalThatFindsNothingLeavesTheHistoryAlone) {
  EditorView& v = abrir(filled(200, 100, Qt::white));
  int found = 0;
  v.setMotores({{}, [&](retouch::PixelCanvas& c, const retouch::PixelMask& m, int radius, double) {
                  EXPECT_GE(radius, 2);
                  if (found == 0) return 0;
                  pintarVerde(c, m);
                  return found;
                }});
  v.setTool(ToolKind::despeckle);
  drag({50, 50}, {60, 50});
  esperarColas();
  EXPECT_EQ(mutaciones_, 0);
  EXPECT_EQ(v.documento().base.pixel(55, 50), qRgb(255, 255, 255));
  found = 3;
  drag({50, 50}, {60, 50});
  esperarColas();
  EXPECT_EQ(mutaciones_, 1);  // pushed only once there was something to change
  EXPECT_TRUE(hint_.startsWith(QStringLiteral("3 specks removed in ")));
  EXPECT_EQ(v.documento().base.pixel(55, 50), qRgb(0, 255, 0));
}

TEST_F(PixelTools, WarpDodgeAndPinchChangeThePixelsUnderTheBrush) {
  EditorView& v = abrir(twoHalves());
  v.setTool(ToolKind::warp);
  v.setBrushRadius(30);
  drag({90, 50}, {130, 50}, 20);  // drags the red edge to the right
  EXPECT_GT(qRed(v.documento().base.pixel(110, 50)), 200);

  v.setTool(ToolKind::tone);
  const QRgb dark = v.documento().base.pixel(175, 50);
  drag({170, 50}, {180, 50});
  EXPECT_GT(qRed(v.documento().base.pixel(175, 50)), qRed(dark));  // dodge lightens

  v.setTool(ToolKind::pinch);
  const QImage beforePinch = v.documento().base;
  press({100, 50});
  QTest::qWait(150);  // about four ticks of 1/30 s
  release({100, 50});
  EXPECT_NE(v.documento().base, beforePinch);
  EXPECT_EQ(mutaciones_, 3);
}

}  // namespace
}  // namespace corvalin
