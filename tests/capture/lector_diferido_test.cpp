// Text recognition loaded as a module on first use.
#include <gtest/gtest.h>

#include <QFont>
#include <QPainter>
#include <QTest>

#include "capture/lector_diferido.h"
#include "platform/main_thread.h"

namespace corvalin {
namespace {

QImage frase() {
  QImage image(520, 60, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(18);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(16, 38, QStringLiteral("Pegar imagen del portapapeles"));
  return image;
}

TEST(LectorDeTextoDiferido, LoadsTheModuleOnlyWhenTextIsFirstRead) {
  LectorDeTextoDiferido lector(
      {QStringLiteral("/no/existe/corvalin-ocr.so"), QStringLiteral(OCR_MODULE)});
  EXPECT_FALSE(lector.cargado());
  QString texto;
  int veces = 0;
  bool enPrincipal = false;
  lector.read(frase(), [&](const QString& t, int) {
    texto = t;
    ++veces;
    enPrincipal = enHiloPrincipal();
  });
  EXPECT_TRUE(lector.cargado());
  QTRY_COMPARE_WITH_TIMEOUT(veces, 1, 20000);
  EXPECT_TRUE(enPrincipal);
  EXPECT_EQ(texto, QStringLiteral("Pegar imagen del portapapeles"));
}

TEST(LectorDeTextoDiferido, WithoutTheModuleEveryReadAnswersWithNoText) {
  LectorDeTextoDiferido lector({QStringLiteral("/no/existe/corvalin-ocr.so")});
  int veces = 0;
  QString texto = QStringLiteral("sin tocar");
  int lineas = -1;
  for (int i = 0; i < 2; ++i) {
    lector.read(frase(), [&](const QString& t, int l) {
      texto = t;
      lineas = l;
      ++veces;
    });
  }
  QTRY_COMPARE_WITH_TIMEOUT(veces, 2, 5000);
  EXPECT_TRUE(texto.isEmpty());
  EXPECT_EQ(lineas, 0);
  EXPECT_FALSE(lector.cargado());
}

}  // namespace
}  // namespace corvalin
