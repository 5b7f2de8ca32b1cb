// The hotkey recorder driven as a user drives it, with synthesised clicks and keys: listening,
// cancelling, clearing, refused combinations, and the window's shortcuts held off meanwhile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QShortcut>
#include <QTest>
#include <QVBoxLayout>
#include <vector>

#include "core/texts.h"
#include "hotkeys/hotkey_recorder.h"
#include "platform/notification_center.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

constexpr uint32_t kCtrlAlt = Hotkey::kControl | Hotkey::kOption;
const Hotkey kCtrlAltK{40, kCtrlAlt};
const Hotkey kCtrlAltJ{38, kCtrlAlt};

// Keys go where the user's keys would: to the focused widget.
void teclear(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, mods);
}

class HotkeyRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QCoreApplication::processEvents();  // what earlier tests posted is not this test's
    NotificationCenter::shared().observe(
        QString::fromUtf8(notificacion::kCapturandoAtajo), &contexto_,
        [this](const QVariant& capturando) { avisos_.push_back(capturando.toBool()); });

    auto* columna = new QVBoxLayout(&ventana_);
    for (QWidget* w : std::initializer_list<QWidget*>{antes_, campo_, despues_})
      columna->addWidget(w);
    grabador_ = campo_->recorder();
    campo_->actualizar(kCtrlAltJ, [this](const std::optional<Hotkey>& hotkey) {
      informes_.push_back(hotkey);
      return std::optional<QString>();  // accepted, but this owner keeps nothing
    });
    ventana_.show();
    ventana_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ventana_));
  }

  // The notifications posted so far, once the main loop has delivered them.
  std::vector<bool> avisos() {
    QCoreApplication::processEvents();
    return avisos_;
  }
  void pulsar() { QTest::mouseClick(grabador_, Qt::LeftButton, {}, QPoint(20, 12)); }

  prueba::IdiomaFijo idioma_{Idioma::ingles};
  QObject contexto_;
  QWidget ventana_;
  QLineEdit* antes_ = new QLineEdit;
  HotkeyField* campo_ = new HotkeyField;
  QLineEdit* despues_ = new QLineEdit;
  HotkeyRecorder* grabador_ = nullptr;
  std::vector<std::optional<Hotkey>> informes_;
  std::vector<bool> avisos_;
};

// The keyboard alone reaches the field and opens it; while it listens, Tab stays in the field
// and the window's own shortcuts do not fire: Escape only stops listening. A click listens too,
// until the focus leaves, and a field destroyed while listening turns the hotkeys back on.
TEST_F(HotkeyRecorderTest, KeysOrAClickListenUntilEscapeOrTheFocusLeavesAndNothingIsReported) {
  int escapar = 0;
  QShortcut esc(QKeySequence(Qt::Key_Escape), &ventana_, [&] { ++escapar; });
  antes_->setFocus(Qt::OtherFocusReason);
  teclear(Qt::Key_Tab);
  ASSERT_TRUE(grabador_->hasFocus());
  EXPECT_FALSE(grabador_->recording());
  teclear(Qt::Key_Space);
  EXPECT_TRUE(grabador_->recording());
  teclear(Qt::Key_Tab);
  teclear(Qt::Key_Escape);
  EXPECT_FALSE(grabador_->recording());
  EXPECT_EQ(escapar, 0);
  EXPECT_EQ(grabador_->hotkey(), kCtrlAltJ);
  teclear(Qt::Key_Tab);
  EXPECT_TRUE(despues_->hasFocus());

  pulsar();
  QTest::mouseClick(despues_, Qt::LeftButton);
  EXPECT_FALSE(grabador_->recording());
  EXPECT_TRUE(informes_.empty());

  pulsar();
  delete campo_;
  EXPECT_EQ(avisos(), (std::vector<bool>{true, false, true, false, true, false}));
}

// Only a combination with Ctrl, Alt or Super ends listening. Then the form's way: its handler
// refuses what is taken, stores the rest, and the update that follows hands the field a new
// handler while the old one is still running.
TEST_F(HotkeyRecorderTest, OnlyACombinationReachesTheOwnerWhichRefusesOrKeepsIt) {
  std::optional<Hotkey> guardado;
  std::function<void()> formulario;
  formulario = [&] {
    campo_->actualizar(guardado,
                       [&, viejo = std::make_shared<int>(0)](const std::optional<Hotkey>& hotkey) {
                         informes_.push_back(hotkey);
                         if (hotkey == kCtrlAltK) return std::optional<QString>(u"Already taken"_s);
                         guardado = hotkey;
                         formulario();
                         ++*viejo;  // this handler's own state, after it was replaced
                         return std::optional<QString>();
                       });
  };
  formulario();
  pulsar();
  // Shift, a function key, and modifiers on their way to a combination.
  teclear(Qt::Key_A, Qt::ShiftModifier);
  teclear(Qt::Key_F5);
  QTest::keyPress(grabador_, Qt::Key_Control, Qt::ControlModifier);
  QTest::keyPress(grabador_, Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_TRUE(grabador_->recording() && informes_.empty());
  teclear(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(grabador_->problem(), u"Already taken"_s);
  EXPECT_EQ(grabador_->hotkey(), std::nullopt);

  pulsar();
  teclear(Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(grabador_->problem(), std::nullopt);
  EXPECT_EQ(grabador_->shownText(), u"Ctrl+Alt+L"_s);
  pulsar();
  teclear(Qt::Key_Delete);
  EXPECT_EQ(guardado, std::nullopt);
  EXPECT_EQ(informes_.size(), 3u);
}

}  // namespace
}  // namespace corvalin
