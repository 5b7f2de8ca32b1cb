#include <gtest/gtest.h>

#include <QKeyEvent>

#include "core/texts.h"
#include "hotkeys/hotkey.h"
#include "hotkeys/keyboard_layout.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

constexpr uint32_t kShiftSuper = Hotkey::kShift | Hotkey::kCommand;

// Pins the layout the names and events are read in, and puts the previous one back.
class ConDistribucion : public ::testing::Test {
 protected:
  void TearDown() override { KeyboardLayout::fijarActual(antes_); }
  void usar(const char* layout) {
    auto l = KeyboardLayout::desdeNombres(QString::fromLatin1(layout));
    ASSERT_TRUE(l) << "no keyboard data for " << layout;
    KeyboardLayout::fijarActual(l);
  }
  static std::optional<Hotkey> tecla(int qtKey, Qt::KeyboardModifiers mods, quint32 scanCode = 0) {
    return Hotkey::deEvento(QKeyEvent(QEvent::KeyPress, qtKey, mods, scanCode, 0, 0));
  }

 private:
  std::shared_ptr<const KeyboardLayout> antes_ = KeyboardLayout::actual();
};

TEST(Hotkey, DisplayedTheLinuxWayInModifierOrder) {
  EXPECT_EQ((Hotkey{29, kShiftSuper}).display(), QStringLiteral("Shift+Super+0"));
  EXPECT_EQ((Hotkey{35, Hotkey::kControl | Hotkey::kCommand}).display(),
            QStringLiteral("Ctrl+Super+P"));
  EXPECT_EQ((Hotkey{31, 0x1B00}).display(), QStringLiteral("Ctrl+Alt+Shift+Super+O"));
  EXPECT_EQ((Hotkey{53, 0}).display(), QStringLiteral("Esc"));
}

TEST(Hotkey, KeysWithoutALetterAreNamed) {
  {
    prueba::IdiomaFijo en(Idioma::ingles);
    EXPECT_EQ(Hotkey::keyName(49), QStringLiteral("Space"));
    EXPECT_EQ(Hotkey::keyName(115), QStringLiteral("Home"));
    EXPECT_EQ(Hotkey::keyName(121), QStringLiteral("Page Down"));
    EXPECT_EQ(Hotkey::keyName(64), QStringLiteral("key 64"));
  }
  const uint32_t fKeys[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
  for (int i = 0; i < 12; ++i)
    EXPECT_EQ(Hotkey::keyName(fKeys[i]), QStringLiteral("F%1").arg(i + 1));
  EXPECT_EQ(Hotkey::keyName(36), QStringLiteral("↩"));
  EXPECT_EQ(Hotkey::keyName(123), QStringLiteral("←"));
  EXPECT_EQ(Hotkey::keyName(0), QStringLiteral("A"));
  EXPECT_EQ(Hotkey::keyName(29), QStringLiteral("0"));
  EXPECT_EQ(Hotkey::keyName(34), QStringLiteral("I"));
}

TEST_F(ConDistribucion, KeysAreNamedByWhatTheCurrentLayoutPrints) {
  usar("us");
  EXPECT_EQ((Hotkey{29, kShiftSuper}).display(), QStringLiteral("Shift+Super+0"));
  EXPECT_EQ(Hotkey::keyName(33), QStringLiteral("["));
  // On a French keyboard "0" is typed with Shift on the key that prints "à": that is the key
  // the hotkey takes, so that is the name it shows.
  usar("fr");
  EXPECT_EQ((Hotkey{29, kShiftSuper}).display(), QStringLiteral("Shift+Super+À"));
  EXPECT_EQ(Hotkey::keyName(12), QStringLiteral("Q"));
  // On a Spanish keyboard ";" is Shift+",".
  usar("es");
  EXPECT_EQ(Hotkey::keyName(41), QStringLiteral(","));
  EXPECT_EQ(Hotkey::keyName(53), QStringLiteral("Esc"));
}

TEST_F(ConDistribucion, KeyEventsNeedSuperAltOrCtrlAndNameAStoredPosition) {
  usar("us");
  EXPECT_FALSE(tecla(Qt::Key_A, Qt::ShiftModifier, 38));
  EXPECT_FALSE(tecla(Qt::Key_A, Qt::NoModifier, 38));
  EXPECT_EQ(tecla(Qt::Key_A, Qt::AltModifier, 38), (Hotkey{0, Hotkey::kOption}));
  // A shifted key reports its shifted symbol; the scan code still names the key.
  EXPECT_EQ(tecla(Qt::Key_ParenRight, Qt::ShiftModifier | Qt::MetaModifier, 19),
            (Hotkey{29, kShiftSuper}));
  // Synthetic events carry no scan code: the Qt key decides.
  EXPECT_EQ(tecla(Qt::Key_P, Qt::ControlModifier | Qt::MetaModifier),
            (Hotkey{35, Hotkey::kControl | Hotkey::kCommand}));

  usar("fr");
  EXPECT_EQ(tecla(Qt::Key_0, Qt::ShiftModifier | Qt::MetaModifier, 19), (Hotkey{29, kShiftSuper}));
  EXPECT_EQ(tecla(Qt::Key_A, Qt::MetaModifier, 24), (Hotkey{0, Hotkey::kCommand}));
  // "ù" has no position of its own among the stored codes.
  EXPECT_FALSE(tecla(Qt::Key_Ugrave, Qt::MetaModifier, 48));
}

}  // namespace
}  // namespace corvalin
