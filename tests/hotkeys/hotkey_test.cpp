#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTemporaryDir>

#include "core/settings_store.h"
#include "core/texts.h"
#include "hotkeys/hotkey.h"
#include "hotkeys/hotkey_manager.h"
#include "hotkeys/keyboard_layout.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

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

TEST_F(ConDistribucion, DisplayedTheLinuxWayAndKeyEventsNeedSuperAltOrCtrl) {
  EXPECT_EQ((Hotkey{31, 0x1B00}).display(), u"Ctrl+Alt+Shift+Super+O"_s);
  EXPECT_EQ((Hotkey{53, 0}).display(), u"Esc"_s);
  prueba::IdiomaFijo en(Idioma::ingles);
  const std::pair<uint32_t, QString> nombres[] = {
      {49, u"Space"_s}, {121, u"Page Down"_s}, {64, u"key 64"_s}, {36, u"↩"_s}, {111, u"F12"_s}};
  for (const auto& [code, nombre] : nombres) EXPECT_EQ(Hotkey::keyName(code), nombre) << code;

  // Key events name a stored position.
  usar("us");
  EXPECT_FALSE(tecla(Qt::Key_A, Qt::ShiftModifier, 38));
  EXPECT_EQ(tecla(Qt::Key_A, Qt::AltModifier, 38), (Hotkey{0, Hotkey::kOption}));
  // A shifted key reports its shifted symbol; the scan code still names the key.
  EXPECT_EQ(tecla(Qt::Key_ParenRight, Qt::ShiftModifier | Qt::MetaModifier, 19),
            (Hotkey{29, kShiftSuper}));
  // Synthetic events carry no scan code: the Qt key decides.
  EXPECT_EQ(tecla(Qt::Key_P, Qt::ControlModifier | Qt::MetaModifier),
            (Hotkey{35, Hotkey::kControl | Hotkey::kCommand}));

  // On a French keyboard "A" sits where QWERTY has "Q" (the X11 suite checks the names of
  // shifted figures there).
  usar("fr");
  EXPECT_EQ(Hotkey::keyName(12), u"Q"_s);
  EXPECT_EQ(tecla(Qt::Key_A, Qt::MetaModifier, 24), (Hotkey{0, Hotkey::kCommand}));
  // "ù" has no position of its own among the stored codes.
  EXPECT_FALSE(tecla(Qt::Key_Ugrave, Qt::MetaModifier, 48));
}

// Where no global shortcuts can be had, the notice says how to make one by hand, once ever.
TEST(HotkeyManager, WithoutGlobalShortcutsTheNoticeComesOnceAcrossStarts) {
  QTemporaryDir carpeta;
  SettingsStore store(carpeta.filePath(u"corvalin.conf"_s));
  int avisos = 0;
  auto contar = [&avisos](const QString&, const QString& detalle) {
    EXPECT_TRUE(detalle.contains(u"corvalin area"_s));
    ++avisos;
  };
  for (int arranque = 0; arranque < 2; ++arranque) {
    std::unique_ptr<HotkeyManager> sin = crearGestorSinAtajos(store, contar);
    for (int vez = 0; vez < 2; ++vez) EXPECT_FALSE(sin->registrar(Hotkey{29, kShiftSuper}, 1, {}));
  }
  EXPECT_EQ(avisos, 1);
}

}  // namespace
}  // namespace corvalin
