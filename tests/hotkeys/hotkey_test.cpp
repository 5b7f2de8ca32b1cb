#include <gtest/gtest.h>

#include "app/texts.h"
#include "hotkeys/hotkey.h"

namespace corvalin {
namespace {

TEST(Hotkey, DisplayedTheLinuxWayInModifierOrder) {
  EXPECT_EQ((Hotkey{29, Hotkey::kShift | Hotkey::kCommand}).display(),
            QStringLiteral("Shift+Super+0"));
  EXPECT_EQ((Hotkey{35, Hotkey::kControl | Hotkey::kCommand}).display(),
            QStringLiteral("Ctrl+Super+P"));
  EXPECT_EQ((Hotkey{31, 0x1B00}).display(), QStringLiteral("Ctrl+Alt+Shift+Super+O"));
  EXPECT_EQ((Hotkey{53, 0}).display(), QStringLiteral("Esc"));
}

TEST(Hotkey, KeyNamesInBothLanguages) {
  const Idioma antes = idiomaActual();
  fijarIdiomaActual(Idioma::español);
  EXPECT_EQ(Hotkey::keyName(49), QStringLiteral("Espacio"));
  EXPECT_EQ(Hotkey::keyName(115), QStringLiteral("Inicio"));
  EXPECT_EQ(Hotkey::keyName(116), QStringLiteral("Re Pág"));
  EXPECT_EQ(Hotkey::keyName(64), QStringLiteral("tecla 64"));
  fijarIdiomaActual(Idioma::ingles);
  EXPECT_EQ(Hotkey::keyName(49), QStringLiteral("Space"));
  EXPECT_EQ(Hotkey::keyName(115), QStringLiteral("Home"));
  EXPECT_EQ(Hotkey::keyName(121), QStringLiteral("Page Down"));
  EXPECT_EQ(Hotkey::keyName(119), QStringLiteral("End"));
  EXPECT_EQ(Hotkey::keyName(64), QStringLiteral("key 64"));
  fijarIdiomaActual(antes);
  const uint32_t fKeys[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
  for (int i = 0; i < 12; ++i)
    EXPECT_EQ(Hotkey::keyName(fKeys[i]), QStringLiteral("F%1").arg(i + 1));
  EXPECT_EQ(Hotkey::keyName(36), QStringLiteral("↩"));
  EXPECT_EQ(Hotkey::keyName(123), QStringLiteral("←"));
  EXPECT_EQ(Hotkey::keyName(0), QStringLiteral("A"));
  EXPECT_EQ(Hotkey::keyName(29), QStringLiteral("0"));
  EXPECT_EQ(Hotkey::keyName(34), QStringLiteral("I"));
}

}  // namespace
}  // namespace corvalin
