// The preparation of a picture for the engine, where the readings of drawn text cannot tell
// (tesseract_recognizer_test.cpp reads selected rows, chat bubbles, dark themes, grey lines and
// 11 px text through it): the enlargement's limits.
#include <gtest/gtest.h>

#include <cmath>

#include "capture/ocr_prep.h"

namespace corvalin::ocr {
namespace {

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
