// Pictures to canvases and back, for the formats a screenshot, a pasted image or a file may
// arrive in.
#include <gtest/gtest.h>

#include <QColorSpace>
#include <functional>
#include <limits>

#include "retouch/qimage_bridge.h"
#include "retouch_test_support.h"

namespace corvalin::retouch {
namespace {

using testing::rgba;
using Px = std::vector<uint8_t>;

// Every colour channel at or below its alpha: what premultiplied data must be.
bool validPremultiplied(const PixelCanvas& c) {
  const auto d = c.data();
  for (size_t i = 0; i < d.size(); i += 4)
    if (std::max({d[i], d[i + 1], d[i + 2]}) > d[i + 3]) return false;
  return true;
}

TEST(QImageBridge, EveryFormatBecomesPremultipliedRgba) {
  // Each picture is 3 × 2, black, with one pixel set; three-byte and one-byte pixels pad
  // their rows, so a second row read at the wrong place shows.
  const struct {
    QImage::Format format;
    std::function<void(QImage&)> paint;
    Px expected;  // at (2, 1)
  } cases[] = {
      {QImage::Format_ARGB32,
       [](QImage& i) { i.setPixel(2, 1, qRgba(255, 0, 0, 128)); },
       {128, 0, 0, 128}},
      {QImage::Format_RGB888, [](QImage& i) { i.setPixel(2, 1, qRgb(7, 8, 9)); }, {7, 8, 9, 255}},
      {QImage::Format_Grayscale8, [](QImage& i) { i.fill(100); }, {100, 100, 100, 255}},
      {QImage::Format_Alpha8, [](QImage& i) { i.scanLine(1)[2] = 77; }, {0, 0, 0, 77}},
      // Floats outside 0 … 1, and NaN, still give bytes.
      {QImage::Format_RGBA32FPx4,
       [](QImage& i) {
         const float nan = std::numeric_limits<float>::quiet_NaN();
         const float v[8] = {nan, 0.2f, 0.3f, -2, 2, -1, 0.5f, 1};
         std::copy(v, v + 8, reinterpret_cast<float*>(i.scanLine(1)) + 4);
       },
       {255, 0, 128, 255}},
      {QImage::Format_Indexed8,
       [](QImage& i) {
         i.setColorTable({qRgb(0, 0, 255), qRgba(255, 0, 0, 128)});
         i.setPixel(2, 1, 1);
       },
       {128, 0, 0, 128}},
  };
  EXPECT_FALSE(makeCanvas(QImage()));
  for (const auto& c : cases) {
    QImage image(3, 2, c.format);
    image.fill(0);
    c.paint(image);
    const auto canvas = makeCanvas(image);
    ASSERT_TRUE(canvas) << c.format;
    EXPECT_EQ(rgba(*canvas, 2, 1), c.expected) << c.format;
    EXPECT_TRUE(validPremultiplied(*canvas)) << c.format;
  }
}

TEST(QImageBridge, IndicesWithoutAColourNeverReadPastTheTable) {
  QImage shortTable(4, 4, QImage::Format_Indexed8);
  shortTable.setColorTable({qRgb(9, 9, 9)});
  shortTable.fill(200);
  QImage noTable(4, 4, QImage::Format_Indexed8);
  noTable.fill(7);
  for (const QImage& image : {shortTable, noTable}) {
    const auto canvas = makeCanvas(image);
    ASSERT_TRUE(canvas);
    EXPECT_TRUE(validPremultiplied(*canvas));
  }
}

TEST(QImageBridge, RoundTripKeepsEveryByteAndCapsChannelsAboveAlpha) {
  const PixelCanvas canvas = testing::noiseCanvas(97, 61, 13, false);
  const QImage image = makeImage(canvas);
  EXPECT_EQ(image.colorSpace(), QColorSpace(QColorSpace::SRgb));
  const auto back = makeCanvas(image);
  ASSERT_TRUE(back);
  EXPECT_TRUE(testing::sameBytes(*back, canvas));

  // The engines may leave a channel above its alpha; the picture must not carry that.
  PixelCanvas bright = *PixelCanvas::create(2, 1);
  const uint8_t px[8] = {200, 10, 90, 100, 255, 255, 255, 0};
  std::copy(px, px + 8, bright.data().begin());
  const QImage capped = makeImage(bright);
  const uchar* bits = capped.constScanLine(0);
  EXPECT_EQ(Px(bits, bits + 8), (Px{100, 10, 90, 100, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace corvalin::retouch
