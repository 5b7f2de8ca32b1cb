#include <gtest/gtest.h>

#include "capture/color_picker.h"

namespace corvalin {
namespace {

TEST(ColorHex, RoundsEachComponentToTheNearestByte) {
  EXPECT_EQ(ColorPicker::hex(QColor::fromRgbF(1.0f, 0.5f, 0.0f)), QStringLiteral("#FF8000"));
  EXPECT_EQ(ColorPicker::hex(QColor(0, 0, 0)), QStringLiteral("#000000"));
  EXPECT_EQ(ColorPicker::hex(QColor(10, 171, 255)), QStringLiteral("#0AABFF"));
  EXPECT_EQ(ColorPicker::hex(QColor::fromRgbF(0.2f, 0.2f, 0.2f)), QStringLiteral("#333333"));
  // Colours given in other models are converted first.
  EXPECT_EQ(ColorPicker::hex(QColor::fromHsv(0, 255, 255)), QStringLiteral("#FF0000"));
  // Extended-range components are clamped.
  EXPECT_EQ(ColorPicker::hex(QColor::fromRgbF(1.4f, -0.2f, 0.5f)), QStringLiteral("#FF0080"));
}

}  // namespace
}  // namespace corvalin
