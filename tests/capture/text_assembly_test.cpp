#include <gtest/gtest.h>

#include "capture/text_assembly.h"

namespace corvalin::ocr {
namespace {

Cacho cacho(const char* texto, double x, double y, double alto = 0.1) {
  return {QString::fromUtf8(texto), x, y, alto};
}

TEST(Armar, NoPiecesGiveNoTextAndNoLines) {
  const Resultado r = armar({});
  EXPECT_TRUE(r.texto.isEmpty());
  EXPECT_EQ(r.lineas, 0);
}

TEST(Armar, PiecesOnOneBaselineReadLeftToRightWhateverTheirOrder) {
  const Resultado r = armar({cacho("mundo", 0.55, 0.8), cacho("Hola", 0.1, 0.8)});
  EXPECT_EQ(r.texto, QStringLiteral("Hola mundo"));
  EXPECT_EQ(r.lineas, 1);
}

TEST(Armar, LinesRunFromTheTopOfThePictureDown) {
  // y grows upward: the highest middle is the first line.
  const Resultado r =
      armar({cacho("tres", 0.1, 0.1), cacho("uno", 0.1, 0.9), cacho("dos", 0.1, 0.5)});
  EXPECT_EQ(r.texto, QStringLiteral("uno\ndos\ntres"));
  EXPECT_EQ(r.lineas, 3);
}

TEST(Armar, APieceIsMeasuredAgainstTheFirstPieceOfTheLine) {
  // Heights 0.1: tolerance 0.06. "c" is lower than both pieces already on the line but within
  // 0.06 of the first, so it joins; "d" is within 0.06 of "c" but 0.1 below the first piece,
  // so it starts a line of its own instead of letting the line creep downward.
  const Resultado r = armar({cacho("a", 0.5, 0.80), cacho("b", 0.1, 0.76), cacho("c", 0.3, 0.745),
                             cacho("d", 0.0, 0.70)});
  EXPECT_EQ(r.texto, QStringLiteral("b c a\nd"));
  EXPECT_EQ(r.lineas, 2);
}

TEST(Armar, ToleranceIsSixTenthsOfTheMedianHeight) {
  // The median is the height at index count / 2 of the sorted heights, the upper of the two
  // middle ones: 0.1 here, so 0.05 apart is one line (the lower middle, 0.01, would split it).
  const Resultado juntos = armar({cacho("a", 0.1, 0.50, 0.01), cacho("b", 0.3, 0.45, 0.01),
                                  cacho("c", 0.1, 0.10, 0.1), cacho("d", 0.3, 0.10, 0.1)});
  EXPECT_EQ(juntos.texto, QStringLiteral("a b\nc d"));
  // 0.065 apart is beyond 0.6 x 0.1.
  const Resultado separados = armar({cacho("a", 0.1, 0.500), cacho("b", 0.3, 0.435)});
  EXPECT_EQ(separados.texto, QStringLiteral("a\nb"));
}

TEST(Armar, ToleranceNeverFallsBelow0004) {
  // Median height 0.005 would give 0.003; the floor is 0.004, and no more than that.
  const Resultado juntos = armar({cacho("a", 0.1, 0.5000, 0.005), cacho("b", 0.2, 0.4965, 0.005)});
  EXPECT_EQ(juntos.texto, QStringLiteral("a b"));
  EXPECT_EQ(juntos.lineas, 1);
  const Resultado separados =
      armar({cacho("a", 0.1, 0.5000, 0.005), cacho("b", 0.2, 0.4955, 0.005)});
  EXPECT_EQ(separados.texto, QStringLiteral("a\nb"));
  EXPECT_EQ(separados.lineas, 2);
}

TEST(Armar, TiesKeepTheOrderThePiecesCameIn) {
  EXPECT_EQ(armar({cacho("x", 0.2, 0.5), cacho("y", 0.2, 0.5)}).texto, QStringLiteral("x y"));
  EXPECT_EQ(armar({cacho("y", 0.2, 0.5), cacho("x", 0.2, 0.5)}).texto, QStringLiteral("y x"));
}

TEST(CachoDeCaja, TurnsAPixelBoxIntoFractionsFromTheBottomLeft) {
  // A 100 x 200 picture; the box spans columns 10..39 and rows 20..29 (top-left origin).
  const Cacho c = cachoDeCaja(QStringLiteral("hola"), QRect(10, 20, 30, 10), QSize(100, 200));
  EXPECT_EQ(c.texto, QStringLiteral("hola"));
  EXPECT_DOUBLE_EQ(c.x, 0.1);
  EXPECT_DOUBLE_EQ(c.alto, 0.05);
  EXPECT_DOUBLE_EQ(c.y, 1.0 - 25.0 / 200.0);
  // A box nearer the top of the picture ends up higher.
  const Cacho abajo = cachoDeCaja(QString(), QRect(10, 150, 30, 10), QSize(100, 200));
  EXPECT_LT(abajo.y, c.y);
}

TEST(CachoDeCaja, BoxesFromAPictureAreAssembledInReadingOrder) {
  // Word boxes of two text lines, as an engine might list them: the second line first and
  // the first line's words swapped.
  const QSize tamano(400, 100);
  const Resultado r = armar({cachoDeCaja("segunda", QRect(10, 60, 80, 14), tamano),
                             cachoDeCaja("linea", QRect(100, 20, 50, 14), tamano),
                             cachoDeCaja("primera", QRect(10, 21, 80, 12), tamano)});
  EXPECT_EQ(r.texto, QStringLiteral("primera linea\nsegunda"));
  EXPECT_EQ(r.lineas, 2);
}

}  // namespace
}  // namespace corvalin::ocr
