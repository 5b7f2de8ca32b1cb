// Pictures to canvases and back, for the formats a screenshot, a pasted image or a file may
// arrive in.
#include <gtest/gtest.h>

#include <QColorSpace>
#include <QColorTransform>
#include <QImage>
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

QImage filled(int w, int h, QImage::Format format, const std::function<void(QImage&)>& paint) {
  QImage image(w, h, format);
  image.fill(0);
  paint(image);
  return image;
}

TEST(QImageBridge, NoCanvasForNoPicture) {
  EXPECT_FALSE(makeCanvas(QImage()));
  EXPECT_FALSE(makeCanvas(QImage(0, 10, QImage::Format_ARGB32)));
  EXPECT_FALSE(makeCanvas(QImage(10, 0, QImage::Format_RGB32)));
}

TEST(QImageBridge, EveryFormatBecomesPremultipliedRgba) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* name;
    QImage image;
    int x, y;
    Px expected;
  } cases[] = {
      {"ARGB32 with alpha",
       filled(3, 2, QImage::Format_ARGB32,
              [](QImage& i) { i.setPixel(2, 1, qRgba(255, 0, 0, 128)); }),
       2,
       1,
       {128, 0, 0, 128}},
      {"ARGB32 transparent colour",
       filled(3, 2, QImage::Format_ARGB32,
              [](QImage& i) { i.setPixel(0, 0, qRgba(200, 100, 50, 0)); }),
       0,
       0,
       {0, 0, 0, 0}},
      // Three-byte pixels pad their rows: the second row must not shift.
      {"RGB888 second row",
       filled(3, 2, QImage::Format_RGB888, [](QImage& i) { i.setPixel(0, 1, qRgb(7, 8, 9)); }),
       0,
       1,
       {7, 8, 9, 255}},
      {"Grayscale8",
       filled(5, 1, QImage::Format_Grayscale8, [](QImage& i) { i.fill(100); }),
       4,
       0,
       {100, 100, 100, 255}},
      {"Alpha8",
       filled(2, 2, QImage::Format_Alpha8, [](QImage& i) { i.bits()[0] = 77; }),
       0,
       0,
       {0, 0, 0, 77}},
      {"Grayscale16",
       filled(2, 2, QImage::Format_Grayscale16,
              [](QImage& i) { reinterpret_cast<uint16_t*>(i.scanLine(1))[0] = 0x8080; }),
       0,
       1,
       {128, 128, 128, 255}},
      {"RGBA64 with alpha",
       filled(2, 1, QImage::Format_RGBA64,
              [](QImage& i) { i.setPixelColor(0, 0, QColor::fromRgba64(65535, 0, 32896, 32896)); }),
       0,
       0,
       {128, 0, 64, 128}},
      // Floats outside 0 … 1, and NaN, still give bytes.
      {"RGBA32FPx4 out of range",
       filled(2, 1, QImage::Format_RGBA32FPx4,
              [nan](QImage& i) {
                const float v[8] = {2, -1, 0.5f, 1, nan, 0.2f, 0.3f, -2};
                std::copy(v, v + 8, reinterpret_cast<float*>(i.scanLine(0)));
              }),
       0,
       0,
       {255, 0, 128, 255}},
      {"Indexed8 translucent entry",
       filled(3, 1, QImage::Format_Indexed8,
              [](QImage& i) {
                i.setColorTable({qRgb(0, 0, 255), qRgba(255, 0, 0, 128)});
                i.setPixel(1, 0, 1);
              }),
       1,
       0,
       {128, 0, 0, 128}},
      {"Mono",
       filled(9, 2, QImage::Format_Mono,
              [](QImage& i) {
                i.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
                i.setPixel(8, 1, 1);
              }),
       8,
       1,
       {255, 255, 255, 255}},
  };
  for (const Case& c : cases) {
    const auto canvas = makeCanvas(c.image);
    ASSERT_TRUE(canvas) << c.name;
    EXPECT_EQ(canvas->width(), c.image.width()) << c.name;
    EXPECT_EQ(rgba(*canvas, c.x, c.y), c.expected) << c.name;
    EXPECT_TRUE(validPremultiplied(*canvas)) << c.name;
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

TEST(QImageBridge, OtherColourSpacesAreConvertedToSrgb) {
  QImage p3(2, 2, QImage::Format_ARGB32);
  p3.fill(QColor(200, 100, 50));
  p3.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
  const QRgb expected = QColorSpace(QColorSpace::DisplayP3)
                            .transformationToColorSpace(QColorSpace(QColorSpace::SRgb))
                            .map(qRgb(200, 100, 50));
  const Px got = rgba(*makeCanvas(p3), 1, 1);
  EXPECT_NEAR(got[0], qRed(expected), 1);
  EXPECT_NEAR(got[1], qGreen(expected), 1);
  EXPECT_NEAR(got[2], qBlue(expected), 1);
  EXPECT_GT(got[0], 200) << "P3 orange is more saturated than the same bytes in sRGB";

  p3.setColorSpace(QColorSpace(QColorSpace::SRgb));
  EXPECT_EQ(rgba(*makeCanvas(p3), 0, 0), (Px{200, 100, 50, 255}));
}

TEST(QImageBridge, RoundTripKeepsEveryByteAndCapsChannelsAboveAlpha) {
  const PixelCanvas canvas = testing::noiseCanvas(97, 61, 13, false);
  const QImage image = makeImage(canvas);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.format(), QImage::Format_RGBA8888_Premultiplied);
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

  // High-density pictures are measured in pixels, not in points.
  QImage retina(40, 30, QImage::Format_ARGB32_Premultiplied);
  retina.fill(Qt::white);
  retina.setDevicePixelRatio(2);
  EXPECT_EQ(makeCanvas(retina)->width(), 40);
}

TEST(QImageBridge, TallPictures) {
  QImage tall(1, 100000, QImage::Format_RGB32);
  tall.fill(QColor(3, 4, 5));
  tall.setPixel(0, 99999, qRgb(6, 7, 8));
  const auto canvas = makeCanvas(tall);
  ASSERT_TRUE(canvas);
  EXPECT_EQ(rgba(*canvas, 0, 99999), (Px{6, 7, 8, 255}));
  EXPECT_EQ(makeImage(*canvas).pixel(0, 99999), qRgb(6, 7, 8));
}

}  // namespace
}  // namespace corvalin::retouch
