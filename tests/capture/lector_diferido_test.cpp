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
  QStringList respuestas;  // each marked with where it came
  lector.read(frase(), [&](const QString& t, int) {
    respuestas << t + (enHiloPrincipal() ? QString() : QStringLiteral(" (worker)"));
  });
  EXPECT_TRUE(lector.cargado());
  QTRY_COMPARE_WITH_TIMEOUT(respuestas, QStringList{"Pegar imagen del portapapeles"}, 20000);
}

TEST(LectorDeTextoDiferido, WithoutTheModuleEveryReadAnswersWithNoText) {
  LectorDeTextoDiferido lector({QStringLiteral("/no/existe/corvalin-ocr.so")});
  QStringList respuestas;
  for (int i = 0; i < 2; ++i)
    lector.read(frase(), [&](const QString& t, int l) { respuestas << t + QString::number(l); });
  QTRY_COMPARE_WITH_TIMEOUT(respuestas, QStringList({"0", "0"}), 5000);
  EXPECT_FALSE(lector.cargado());
}

}  // namespace
}  // namespace corvalin
