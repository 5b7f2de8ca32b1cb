// The Shortcuts page reading the running desktop's own shortcuts the way it does for the user:
// KDE's kglobalshortcutsrc and GNOME's settings (through gsettings) in this test's private
// config folder. A stored combination the desktop also uses is marked when the page opens; one
// typed into a field is refused with the desktop shortcut's name.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include "hotkeys/hotkey_recorder.h"
#include "preferences/shortcuts_page.h"
#include "preferences_test_support.h"
#include "update/update_controller.h"

namespace corvalin {
namespace {

constexpr uint32_t kCtrlAlt = Hotkey::kControl | Hotkey::kOption;

// Sets an environment variable until the returned guard goes.
auto fijarVariable(const char* nombre, const QByteArray& valor) {
  const QByteArray antes = qgetenv(nombre);
  qputenv(nombre, valor);
  return qScopeGuard([nombre, antes] {
    if (antes.isNull()) {
      qunsetenv(nombre);
    } else {
      qputenv(nombre, antes);
    }
  });
}

struct PaginaDeAtajos {
  prueba::AjustesDePrueba a;
  std::unique_ptr<ShortcutsPage> page;
  PaginaDeAtajos() {
    page = std::make_unique<ShortcutsPage>(
        *a.settings,
        std::make_unique<AsignacionDeAtajos>(*a.settings, leerAtajosDelEscritorio,
                                             std::make_shared<SondaDeAtajos>()),
        nullptr);
    page->show();
  }
  // Types a combination into a command's field and answers what the page says under it.
  QString teclear(CaptureMode mode, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    HotkeyRecorder* r = page->campo(mode)->recorder();
    QTest::mouseClick(r, Qt::LeftButton);
    QTest::keyClick(r, key, modifiers);
    const QString problema = r->problem().value_or(QString());
    // Said under the field, too.
    EXPECT_TRUE(problema.isEmpty() || prueba::textos(page.get()).contains(problema));
    return problema;
  }
};

TEST(DesktopConflicts, KdeGlobalShortcutsMarkAndRefuseWhatTheyUse) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  ASSERT_TRUE(QDir().mkpath(config));
  QFile archivo(config + QStringLiteral("/kglobalshortcutsrc"));
  ASSERT_TRUE(archivo.open(QIODevice::WriteOnly));
  archivo.write(
      "[kwin]\n_k_friendly_name=KWin\n"
      "Overview=Meta+Shift+0,Meta+W,Toggle Overview\n"
      "Window Close=Ctrl+Alt+J,Alt+F4,Close Window\n");
  archivo.close();
  const auto kde = fijarVariable("XDG_CURRENT_DESKTOP", "KDE");

  PaginaDeAtajos p;
  // Capture Area's default, Shift+Super+0, is KDE's overview here.
  EXPECT_TRUE(prueba::textos(p.page.get())
                  .contains(QStringLiteral("Shared with your desktop's “Toggle Overview”.")));
  EXPECT_EQ(p.teclear(CaptureMode::ocr, Qt::Key_J, Qt::ControlModifier | Qt::AltModifier),
            QStringLiteral("Your desktop already uses it for “Close Window”. Choose another or "
                           "turn it off in your desktop's keyboard shortcuts."));
  EXPECT_EQ(p.a.settings->hotkey(CaptureMode::ocr), defaultHotkey(CaptureMode::ocr));
  EXPECT_EQ(p.teclear(CaptureMode::ocr, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier),
            QString());
  EXPECT_EQ(p.a.settings->hotkey(CaptureMode::ocr), (Hotkey{40, kCtrlAlt}));
  QFile::remove(archivo.fileName());
}

TEST(DesktopConflicts, GnomeSettingsAreReadThroughGsettings) {
  prueba::IdiomaDePrueba en(Idioma::ingles);
  // GNOME's settings kept in a key file in this test's private config folder.
  const auto backend = fijarVariable("GSETTINGS_BACKEND", "keyfile");
  QProcess gsettings;
  gsettings.start(QStringLiteral("gsettings"),
                  {QStringLiteral("set"), QStringLiteral("org.gnome.desktop.wm.keybindings"),
                   QStringLiteral("close"), QStringLiteral("['<Control><Alt>j']")});
  ASSERT_TRUE(gsettings.waitForFinished(10000));
  ASSERT_EQ(gsettings.exitCode(), 0)
      << "gsettings and the desktop schemas are installed by scripts/install-deps --test: "
      << gsettings.readAllStandardError().toStdString();
  const auto gnome = fijarVariable("XDG_CURRENT_DESKTOP", "GNOME");

  PaginaDeAtajos p;
  EXPECT_EQ(p.teclear(CaptureMode::color, Qt::Key_J, Qt::ControlModifier | Qt::AltModifier),
            QStringLiteral("Your desktop already uses it for “another system shortcut”. Choose "
                           "another or turn it off in your desktop's keyboard shortcuts."));
  EXPECT_EQ(p.a.settings->hotkey(CaptureMode::color), defaultHotkey(CaptureMode::color));
}

}  // namespace
}  // namespace corvalin
