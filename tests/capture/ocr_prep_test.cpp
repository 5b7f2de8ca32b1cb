// The preparation of a picture for the engine, where the readings of drawn text cannot tell
// (tesseract_recognizer_test.cpp reads selected rows, chat bubbles, dark themes and 11 px text
// through it): faint text and the enlargement's limits.
#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

#include "capture/ocr_prep.h"

namespace corvalin::ocr {
namespace {

int gris(const QImage& imagen, int x, int y) {
  return imagen.constScanLine(y)[x];
}

// Letter-like bars, 3 px wide and 12 px tall, every 10 px from x = 20.
void barras(QImage& imagen, int arriba, QColor color) {
  QPainter p(&imagen);
  for (int i = 0; i < 6; ++i) p.fillRect(20 + 10 * i, arriba, 3, 12, color);
}

TEST(NormalizarTinta, DarkThemesAndFaintTextComeOutBlackOnWhite) {
  QImage oscura(200, 40, QImage::Format_RGB32);
  oscura.fill(QColor(0x24, 0x24, 0x24));
  barras(oscura, 14, QColor(0xDD, 0xDD, 0xDD));
  // Grey secondary text: its contrast is stretched to full black.
  QImage tenue(200, 40, QImage::Format_RGB32);
  tenue.fill(Qt::white);
  barras(tenue, 14, QColor(0xAA, 0xAA, 0xAA));
  for (const QImage& n : {normalizarTinta(oscura), normalizarTinta(tenue)}) {
    EXPECT_EQ(gris(n, 150, 5), 255);
    EXPECT_LE(gris(n, 21, 20), 10);
  }
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
