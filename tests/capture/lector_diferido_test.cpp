// Text recognition loaded as a module on first use.
#include <gtest/gtest.h>

#include <QTest>

#include "capture/lector_diferido.h"
#include "ocr_samples.h"
#include "platform/main_thread.h"

namespace corvalin {
namespace {

// One line of text, as the recognition suite draws it.
ocr_samples::Muestra frase() {
  return ocr_samples::dibujar(QStringLiteral("DejaVu Sans"), 18, ocr_samples::Tema::claro,
                              ocr_samples::Lengua::es, 3, 1);
}

TEST(LectorDeTextoDiferido, LoadsTheModuleOnlyWhenTextIsFirstRead) {
  LectorDeTextoDiferido lector(
      {QStringLiteral("/no/existe/corvalin-ocr.so"), QStringLiteral(OCR_MODULE)});
  EXPECT_FALSE(lector.cargado());
  QStringList respuestas;  // each marked with where it came
  lector.read(frase().imagen, [&](const QString& t, int) {
    respuestas << t + (enHiloPrincipal() ? QString() : QStringLiteral(" (worker)"));
  });
  EXPECT_TRUE(lector.cargado());
  QTRY_COMPARE_WITH_TIMEOUT(respuestas, QStringList{frase().referencia}, 20000);
}

TEST(LectorDeTextoDiferido, WithoutTheModuleEveryReadAnswersWithNoText) {
  LectorDeTextoDiferido lector({QStringLiteral("/no/existe/corvalin-ocr.so")});
  QStringList respuestas;
  for (int i = 0; i < 2; ++i)
    lector.read(frase().imagen,
                [&](const QString& t, int l) { respuestas << t + QString::number(l); });
  QTRY_COMPARE_WITH_TIMEOUT(respuestas, QStringList({"0", "0"}), 5000);
  EXPECT_FALSE(lector.cargado());
}

}  // namespace
}  // namespace corvalin
