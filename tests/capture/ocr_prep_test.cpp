// The preparation of a picture for the engine, where the readings of drawn text cannot tell
// (tesseract_recognizer_test.cpp reads selected rows, chat bubbles, dark themes and 11 px text
// through it): transparency, faint text, letter height and the enlargement's limits.
#include <gtest/gtest.h>

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "capture/ocr_prep.h"

namespace corvalin::ocr {
namespace {

int gris(const QImage& imagen, int x, int y) {
  return imagen.constScanLine(y)[x];
}

// Letter-like bars, 3 px wide and 12 px tall, every 10 px from x = 20.
void barras(QImage& imagen, int arriba, QColor color, int cuantas = 6) {
  QPainter p(&imagen);
  for (int i = 0; i < cuantas; ++i) p.fillRect(20 + 10 * i, arriba, 3, 12, color);
}

TEST(AGris, CompositesOverWhiteAndWeighsTheChannelsLikeLuma) {
  QImage imagen(3, 1, QImage::Format_ARGB32);
  imagen.setPixel(0, 0, qRgba(0, 0, 0, 0));
  imagen.setPixel(1, 0, qRgba(0, 255, 0, 255));
  imagen.setPixel(2, 0, qRgba(0, 0, 0, 128));
  const QImage g = aGris(imagen);
  ASSERT_EQ(g.format(), QImage::Format_Grayscale8);
  EXPECT_EQ(gris(g, 0, 0), 255);       // transparent reads as the white under it
  EXPECT_NEAR(gris(g, 1, 0), 182, 1);  // green carries most of the luma
  EXPECT_NEAR(gris(g, 2, 0), 127, 1);  // half-transparent black over white
}

TEST(NormalizarTinta, DarkThemesAndFaintTextComeOutBlackOnWhite) {
  QImage oscura(200, 40, QImage::Format_RGB32);
  oscura.fill(QColor(0x24, 0x24, 0x24));
  barras(oscura, 14, QColor(0xDD, 0xDD, 0xDD));
  const QImage n = normalizarTinta(oscura);
  EXPECT_EQ(gris(n, 150, 5), 255);
  EXPECT_LE(gris(n, 21, 20), 10);

  // Grey secondary text: its contrast is stretched to full black.
  QImage tenue(200, 40, QImage::Format_RGB32);
  tenue.fill(Qt::white);
  barras(tenue, 14, QColor(0xAA, 0xAA, 0xAA));
  const QImage t = normalizarTinta(tenue);
  EXPECT_EQ(gris(t, 150, 5), 255);
  EXPECT_LE(gris(t, 21, 20), 10);
}

TEST(AltoDeLetra, IsTheMedianHeightOfTheInkMarks) {
  QImage imagen(300, 80, QImage::Format_Grayscale8);
  imagen.fill(255);
  QPainter p(&imagen);
  for (int i = 0; i < 10; ++i) p.fillRect(10 + 12 * i, 10, 5, 9, Qt::black);
  for (int i = 0; i < 3; ++i) p.fillRect(10 + 12 * i, 40, 5, 20, Qt::black);
  // Full stops and dots of i say nothing about letter size.
  for (int i = 0; i < 12; ++i) p.fillRect(160 + 8 * i, 40, 2, 2, Qt::black);
  p.end();
  EXPECT_DOUBLE_EQ(altoDeLetra(imagen), 9.0);

  QImage vacia(50, 50, QImage::Format_Grayscale8);
  vacia.fill(255);
  EXPECT_EQ(altoDeLetra(vacia), 0.0);
}

TEST(FactorPara, BringsLettersToTheTargetWithinLimits) {
  EXPECT_DOUBLE_EQ(factorPara(6, 16, QSize(400, 300)), 16.0 / 6.0);
  EXPECT_DOUBLE_EQ(factorPara(2, 16, QSize(400, 300)), 4.0);   // never more than 4
  EXPECT_DOUBLE_EQ(factorPara(30, 16, QSize(400, 300)), 1.0);  // never reduced
  EXPECT_DOUBLE_EQ(factorPara(0, 16, QSize(400, 300)), 1.0);   // no letters measured
  // A whole screen is not blown up beyond what the engine lays out quickly...
  EXPECT_NEAR(factorPara(6, 16, QSize(4000, 3000)), std::sqrt(2.0), 1e-9);
  // ...and a long capture stays within 16-bit coordinates.
  EXPECT_DOUBLE_EQ(factorPara(6, 16, QSize(100, 20000)), 1.5);
}

}  // namespace
}  // namespace corvalin::ocr
