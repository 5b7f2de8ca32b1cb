// How recognised pieces become lines of text: pieces are fractions of the picture with y growing
// upward, and a piece joins a line when its middle is within the tolerance of the line's first
// piece.
#include <gtest/gtest.h>

#include "capture/text_assembly.h"

namespace corvalin::ocr {
namespace {

Cacho cacho(const char* texto, double x, double y, double alto = 0.1) {
  return {QString::fromUtf8(texto), x, y, alto};
}

TEST(Armar, PiecesBecomeLinesFromTheTopDownEachReadLeftToRight) {
  const struct {
    const char* que;
    std::vector<Cacho> cachos;
    const char* texto;
    int lineas;
  } casos[] = {
      {"nothing", {}, "", 0},
      // One baseline in any order; the highest middle first.
      {"order", {cacho("b", 0.55, 0.8), cacho("a", 0.1, 0.8), cacho("c", 0.1, 0.2)}, "a b\nc", 2},
      // Heights 0.1: tolerance 0.06. "c" is lower than both pieces already on the line but
      // within 0.06 of the first, so it joins; "d" is within 0.06 of "c" but 0.1 below the
      // first piece, so it starts a line of its own instead of letting the line creep down.
      {"measured against the line's first piece",
       {cacho("a", 0.5, 0.80), cacho("b", 0.1, 0.76), cacho("c", 0.3, 0.745),
        cacho("d", 0.0, 0.70)},
       "b c a\nd",
       2},
      // Word boxes of two lines as an engine might list them: the second line first and the
      // first line's words swapped, in pixels of a 400 x 100 picture.
      {"pixel boxes",
       {cachoDeCaja("segunda", QRect(10, 60, 80, 14), {400, 100}),
        cachoDeCaja("linea", QRect(100, 20, 50, 14), {400, 100}),
        cachoDeCaja("primera", QRect(10, 21, 80, 12), {400, 100})},
       "primera linea\nsegunda",
       2},
  };
  for (const auto& c : casos) {
    const Resultado r = armar(c.cachos);
    EXPECT_EQ(r.texto, QString::fromUtf8(c.texto)) << c.que;
    EXPECT_EQ(r.lineas, c.lineas) << c.que;
  }
}

}  // namespace
}  // namespace corvalin::ocr
