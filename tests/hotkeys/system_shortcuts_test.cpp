#include <gtest/gtest.h>

#include "hotkeys/system_shortcuts.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

constexpr uint32_t kShift = Hotkey::kShift, kSuper = Hotkey::kCommand, kCtrl = Hotkey::kControl,
                   kAlt = Hotkey::kOption, kPrint = 105;

// What `gsettings list-recursively` prints on a GNOME desktop, trimmed to what matters here.
const char* const kGnome =
    R"(org.gnome.desktop.wm.keybindings switch-input-source ['<Super>space', 'XF86Keyboard']
org.gnome.mutter.keybindings screen-grab ['Print']
org.gnome.settings-daemon.plugins.media-keys custom-keybindings ['/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/']
org.gnome.shell.keybindings screenshot ['<Shift>Print']
org.gnome.shell.keybindings screenshot-window ['disabled']
org.gnome.shell.keybindings show-screen-recording-ui ['<Ctrl><Shift><Alt>R']
org.gnome.shell.keybindings show-screenshot-ui ['Print']
)";

const char* const kGnomePropio =
    R"(org.gnome.settings-daemon.plugins.media-keys.custom-keybinding binding '<Primary><Alt>t'
org.gnome.settings-daemon.plugins.media-keys.custom-keybinding command 'kgx'
org.gnome.settings-daemon.plugins.media-keys.custom-keybinding name 'Terminal'
)";

// kglobalshortcutsrc: active shortcuts, defaults and a friendly name, commas inside an item
// escaped, several active shortcuts joined by "\t".
const char* const kKde = R"([kwin]
_k_friendly_name=KWin
Overview=Meta+W\tMeta+Shift+0,Meta+W,Toggle Overview
Switch to Desktop 2=none,Ctrl+F2,Switch to Desktop 2
view_zoom_in=Meta+\,,Meta+\,,Zoom In\, Closer

[org.kde.spectacle.desktop]
_k_friendly_name=Spectacle
RectangularRegionScreenShot=Meta+Shift+Print,Meta+Shift+Print,Capture Rectangular Region
_launch=Print,Print,Spectacle

[services][org.kde.konsole.desktop]
_launch=Ctrl+Alt+T
)";

class SystemShortcutsTest : public ::testing::Test {
 protected:
  static std::optional<QString> en(const AtajosDelEscritorio& lista, uint32_t code, uint32_t mods) {
    return SystemShortcuts::conflicto(Hotkey{code, mods}, lista);
  }
  prueba::IdiomaFijo idioma_{Idioma::español};
};

// The capture keys are named, the rest are another shortcut; a changed screenshot key and the
// user's own shortcuts count too.
TEST_F(SystemShortcutsTest, GnomeCaptureKeysByNameTheRestAndTheUsersOwnCount) {
  const AtajosDelEscritorio gnome = atajosDeGnome(QString::fromUtf8(kGnome));
  // mutter's unnamed Print comes first in the list; the named screenshot tool still answers.
  EXPECT_EQ(en(gnome, kPrint, 0), u"Abrir la herramienta de capturas"_s);
  EXPECT_EQ(en(gnome, 15, kCtrl | kShift | kAlt), u"Grabar la pantalla"_s);
  EXPECT_EQ(en(gnome, 49, kSuper), u"otro atajo del sistema"_s);  // 2nd of two
  // Turned off, or not there at all.
  EXPECT_EQ(en(gnome, kPrint, kAlt), std::nullopt);
  EXPECT_EQ(en(gnome, 29, kShift | kSuper), std::nullopt);

  QString cambiado = QString::fromUtf8(kGnome);
  cambiado.replace(u"screenshot ['<Shift>Print']"_s,
                   u"screenshot ['<Super><Shift>s', '<Shift>F12']"_s);
  const AtajosDelEscritorio otro = atajosDeGnome(cambiado);
  EXPECT_EQ(en(otro, 111, kShift), u"Hacer una captura de pantalla"_s);
  EXPECT_EQ(
      rutasDeAtajosPropiosDeGnome(cambiado),
      QStringList{"/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/"});
  EXPECT_EQ(en(atajosDeGnome(QString::fromUtf8(kGnomePropio)), 17, kCtrl | kAlt), u"Terminal"_s);
}

TEST_F(SystemShortcutsTest, KdeActiveShortcutsWithTheirFriendlyNames) {
  const AtajosDelEscritorio kde = atajosDeKde(QString::fromUtf8(kKde));
  EXPECT_EQ(en(kde, kPrint, kShift | kSuper), u"Capture Rectangular Region"_s);
  EXPECT_EQ(en(kde, kPrint, 0), u"Spectacle"_s);
  EXPECT_EQ(en(kde, 29, kShift | kSuper), u"Toggle Overview"_s);  // the second of two
  EXPECT_EQ(en(kde, 43, kSuper), u"Zoom In, Closer"_s);
  EXPECT_EQ(en(kde, 17, kCtrl | kAlt), u"org.kde.konsole"_s);
  // Only the active shortcuts count, not the defaults the user replaced.
  EXPECT_EQ(en(kde, 120, kCtrl), std::nullopt);
}

}  // namespace
}  // namespace corvalin
