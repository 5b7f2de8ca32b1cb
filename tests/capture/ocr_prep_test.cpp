#include <gtest/gtest.h>

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "capture/ocr_prep.h"
#include "ocr_samples.h"

namespace corvalin::ocr {
namespace {

int gris(const QImage& imagen, int x, int y) {
  return imagen.constScanLine(y)[x];
}

int minimo(const QImage& imagen) {
  int m = 255;
  for (int y = 0; y < imagen.height(); ++y) {
    for (int x = 0; x < imagen.width(); ++x) m = std::min(m, gris(imagen, x, y));
  }
  return m;
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

TEST(NormalizarTinta, LightTextOnASelectedRowBecomesDarkInkOnWhite) {
  QImage imagen(300, 120, QImage::Format_RGB32);
  imagen.fill(Qt::white);
  barras(imagen, 10, QColor(0x1E, 0x1E, 0x1E));
  {
    QPainter p(&imagen);
    p.fillRect(0, 40, 300, 40, QColor(0x35, 0x84, 0xE4));
  }
  barras(imagen, 54, Qt::white);
  const QImage n = normalizarTinta(imagen);
  ASSERT_EQ(n.size(), imagen.size());
  EXPECT_EQ(gris(n, 150, 60), 255);   // the selection's colour is now ground
  EXPECT_LE(gris(n, 21, 60), 10);     // its white letters are ink
  EXPECT_EQ(gris(n, 150, 100), 255);  // the page stays white
  EXPECT_LE(gris(n, 21, 16), 10);     // and its dark letters dark
  // Where the selection meets the page there is no rule for the engine to trip over.
  for (int y = 38; y <= 42; ++y) EXPECT_GE(gris(n, 150, y), 250) << "row " << y;
  for (int y = 78; y <= 82; ++y) EXPECT_GE(gris(n, 150, y), 250) << "row " << y;
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

TEST(NormalizarTinta, RoundedEdgesOfBubblesAreNotInk) {
  // Antialiased corners blend the bubble with the page; read as ink, they become arcs that
  // the engine turns into brackets and commas.
  QImage imagen(240, 120, QImage::Format_RGB32);
  imagen.fill(Qt::white);
  {
    QPainter p(&imagen);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath burbuja;
    burbuja.addRoundedRect(QRectF(20.5, 20.5, 200, 70), 24, 24);
    p.fillPath(burbuja, QColor(0x0A, 0x84, 0xFF));
    QPainterPath tarjeta;
    tarjeta.addRoundedRect(QRectF(60.3, 95.3, 120, 20), 9, 9);
    p.fillPath(tarjeta, QColor(0xE9, 0xE9, 0xEB));
  }
  EXPECT_GE(minimo(normalizarTinta(imagen)), 200);
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

TEST(Ampliar, EnlargesByTheFactorAndKeepsFlatAreas) {
  QImage imagen(10, 6, QImage::Format_Grayscale8);
  imagen.fill(0);
  QPainter(&imagen).fillRect(5, 0, 5, 6, QColor(255, 255, 255));
  const QImage a = ampliar(imagen, 2.5);
  ASSERT_EQ(a.size(), QSize(25, 15));
  EXPECT_EQ(gris(a, 1, 7), 0);
  EXPECT_EQ(gris(a, 23, 7), 255);
  // The step stays a step: dark on the left half, light on the right.
  EXPECT_LT(gris(a, 10, 7), 128);
  EXPECT_GT(gris(a, 14, 7), 128);
  EXPECT_EQ(ampliar(imagen, 1.0).size(), imagen.size());
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

TEST(Preparar, ADarkPictureOfSmallTextComesOutLightAndEnlarged) {
  const auto muestra = ocr_samples::dibujar(QStringLiteral("DejaVu Sans"), 11,
                                            ocr_samples::Tema::oscuro, ocr_samples::Lengua::es);
  const Preparada p = preparar(muestra.imagen, {});
  ASSERT_EQ(p.imagen.format(), QImage::Format_Grayscale8);
  EXPECT_GE(p.factor, 2.0);
  EXPECT_LE(p.factor, 4.0);
  EXPECT_EQ(p.imagen.width(), qRound(muestra.imagen.width() * p.factor));
  int claros = 0;
  for (int y = 0; y < p.imagen.height(); ++y) {
    for (int x = 0; x < p.imagen.width(); ++x) claros += gris(p.imagen, x, y) >= 200;
  }
  EXPECT_GT(claros, p.imagen.width() * p.imagen.height() * 8 / 10);

  EXPECT_TRUE(preparar(QImage(), {}).imagen.isNull());
}

}  // namespace
}  // namespace corvalin::ocr
