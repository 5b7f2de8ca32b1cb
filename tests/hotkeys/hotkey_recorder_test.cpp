// The hotkey recorder driven as a user drives it, with synthesised clicks and keys: listening,
// cancelling, clearing, refused combinations, window shortcuts held off while it listens, and
// its look in a light and a dark palette.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <vector>

#include "core/texts.h"
#include "hotkeys/hotkey_recorder.h"
#include "platform/notification_center.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

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
    antes_ = new QLineEdit;
    campo_ = new HotkeyField;
    despues_ = new QLineEdit;
    columna->addWidget(antes_);
    columna->addWidget(campo_);
    columna->addWidget(despues_);
    grabador_ = campo_->recorder();
    campo_->actualizar(kCtrlAltJ, [this](const std::optional<Hotkey>& hotkey) {
      informes_.push_back(hotkey);
      return respuesta_;
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
  QLineEdit* antes_ = nullptr;
  HotkeyField* campo_ = nullptr;
  HotkeyRecorder* grabador_ = nullptr;
  QLineEdit* despues_ = nullptr;
  std::vector<std::optional<Hotkey>> informes_;
  std::optional<QString> respuesta_;
  std::vector<bool> avisos_;
};

TEST_F(HotkeyRecorderTest, AClickListensAndEscapeLeavesTheOldCombination) {
  EXPECT_EQ(grabador_->accessibleDescription(), QStringLiteral("Ctrl+Alt+J"));
  pulsar();
  EXPECT_TRUE(grabador_->recording());
  EXPECT_TRUE(grabador_->hasFocus());
  EXPECT_EQ(avisos(), std::vector<bool>{true});
  EXPECT_EQ(grabador_->shownText(), QStringLiteral("Type the shortcut…"));
  EXPECT_EQ(grabador_->accessibleDescription(), QStringLiteral("Type the shortcut…"));

  teclear(Qt::Key_Escape);
  EXPECT_FALSE(grabador_->recording());
  EXPECT_EQ(avisos(), (std::vector<bool>{true, false}));
  EXPECT_TRUE(informes_.empty());
  EXPECT_EQ(grabador_->hotkey(), kCtrlAltJ);
  EXPECT_EQ(grabador_->accessibleDescription(), QStringLiteral("Ctrl+Alt+J"));
}

TEST_F(HotkeyRecorderTest, OnlyACombinationWithCtrlAltOrSuperEndsListening) {
  QSignalSpy cambios(grabador_, &HotkeyRecorder::recordingChanged);
  pulsar();
  teclear(Qt::Key_A, Qt::ShiftModifier);
  teclear(Qt::Key_A);
  teclear(Qt::Key_F5);
  // Modifiers on their way to a combination.
  QTest::keyPress(grabador_, Qt::Key_Control, Qt::ControlModifier);
  QTest::keyPress(grabador_, Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_TRUE(grabador_->recording());
  EXPECT_TRUE(informes_.empty());

  teclear(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_FALSE(grabador_->recording());
  ASSERT_EQ(informes_.size(), 1u);
  ASSERT_TRUE(informes_[0].has_value());
  EXPECT_EQ(*informes_[0], kCtrlAltK);
  EXPECT_EQ(informes_[0]->display(), QStringLiteral("Ctrl+Alt+K"));
  EXPECT_EQ(avisos(), (std::vector<bool>{true, false}));
  ASSERT_EQ(cambios.size(), 2);
  EXPECT_EQ(cambios[0][0].toBool(), true);
  EXPECT_EQ(cambios[1][0].toBool(), false);
  // The field shows what its owner keeps, and this owner kept nothing.
  EXPECT_EQ(grabador_->shownText(), QStringLiteral("Ctrl+Alt+J"));
}

TEST_F(HotkeyRecorderTest, ARefusedCombinationKeepsItsProblemAndTheOwnersCombination) {
  // An owner that keeps what it accepts, the way the preferences form does.
  campo_->actualizar(std::nullopt, [this](const std::optional<Hotkey>& hotkey) {
    informes_.push_back(hotkey);
    if (hotkey == kCtrlAltK) return std::optional<QString>(QStringLiteral("Already taken"));
    campo_->actualizar(hotkey, {});
    return std::optional<QString>();
  });
  EXPECT_EQ(grabador_->shownText(), QStringLiteral("No shortcut"));
  pulsar();
  teclear(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(grabador_->problem(), QStringLiteral("Already taken"));
  EXPECT_EQ(grabador_->hotkey(), std::nullopt);
  EXPECT_EQ(grabador_->shownText(), QStringLiteral("No shortcut"));
  EXPECT_FALSE(grabador_->recording());
}

TEST_F(HotkeyRecorderTest, AnAcceptedCombinationClearsTheLastProblem) {
  respuesta_ = QStringLiteral("Already taken");
  pulsar();
  teclear(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(grabador_->problem(), QStringLiteral("Already taken"));
  EXPECT_EQ(grabador_->hotkey(), kCtrlAltJ);
  respuesta_.reset();
  pulsar();
  teclear(Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(grabador_->problem(), std::nullopt);
  EXPECT_EQ(informes_.size(), 2u);
}

TEST_F(HotkeyRecorderTest, BackspaceAndDeleteClearButWithCtrlTheyAreCombinations) {
  pulsar();
  teclear(Qt::Key_Backspace);
  EXPECT_FALSE(grabador_->recording());
  pulsar();
  teclear(Qt::Key_Delete, Qt::ShiftModifier);
  pulsar();
  teclear(Qt::Key_Backspace, Qt::ControlModifier);
  ASSERT_EQ(informes_.size(), 3u);
  EXPECT_EQ(informes_[0], std::nullopt);
  EXPECT_EQ(informes_[1], std::nullopt);
  ASSERT_TRUE(informes_[2].has_value());
  EXPECT_EQ(*informes_[2], (Hotkey{51, Hotkey::kControl}));
}

TEST_F(HotkeyRecorderTest, LosingFocusStopsListeningWithoutReporting) {
  pulsar();
  QTest::mouseClick(despues_, Qt::LeftButton);
  EXPECT_TRUE(despues_->hasFocus());
  EXPECT_FALSE(grabador_->recording());
  EXPECT_EQ(avisos(), (std::vector<bool>{true, false}));
  EXPECT_TRUE(informes_.empty());
  // The keys are the other widget's again.
  QTest::keyClicks(despues_, QStringLiteral("ok"));
  EXPECT_EQ(despues_->text(), QStringLiteral("ok"));
}

TEST_F(HotkeyRecorderTest, WindowShortcutsDoNotFireWhileListening) {
  int cerrar = 0, escapar = 0;
  QShortcut ctrlW(QKeySequence(Qt::CTRL | Qt::Key_W), &ventana_);
  QObject::connect(&ctrlW, &QShortcut::activated, [&] { ++cerrar; });
  QShortcut esc(QKeySequence(Qt::Key_Escape), &ventana_);
  QObject::connect(&esc, &QShortcut::activated, [&] { ++escapar; });

  pulsar();
  teclear(Qt::Key_W, Qt::ControlModifier);
  EXPECT_EQ(cerrar, 0);
  ASSERT_EQ(informes_.size(), 1u);
  EXPECT_EQ(informes_[0], (Hotkey{13, Hotkey::kControl}));
  pulsar();
  teclear(Qt::Key_Escape);
  EXPECT_EQ(escapar, 0);
  EXPECT_FALSE(grabador_->recording());

  // Not listening, the focused field lets them through.
  teclear(Qt::Key_W, Qt::ControlModifier);
  teclear(Qt::Key_Escape);
  EXPECT_EQ(cerrar, 1);
  EXPECT_EQ(escapar, 1);
  EXPECT_EQ(informes_.size(), 1u);
}

TEST_F(HotkeyRecorderTest, TheKeyboardAloneReachesTheFieldAndOpensIt) {
  antes_->setFocus(Qt::OtherFocusReason);
  teclear(Qt::Key_Tab);
  ASSERT_TRUE(grabador_->hasFocus());
  EXPECT_FALSE(grabador_->recording());
  teclear(Qt::Key_Space);
  EXPECT_TRUE(grabador_->recording());
  teclear(Qt::Key_Escape);
  EXPECT_TRUE(grabador_->hasFocus());
  teclear(Qt::Key_Return);
  EXPECT_TRUE(grabador_->recording());
  // While listening, Tab is a key like any other and does not leave the field.
  teclear(Qt::Key_Tab);
  EXPECT_TRUE(grabador_->hasFocus());
  teclear(Qt::Key_Escape);
  teclear(Qt::Key_Tab);
  EXPECT_TRUE(despues_->hasFocus());
  EXPECT_EQ(avisos(), (std::vector<bool>{true, false, true, false}));
}

TEST_F(HotkeyRecorderTest, AFieldDestroyedWhileListeningTurnsTheHotkeysBackOn) {
  pulsar();
  delete campo_;
  EXPECT_EQ(avisos(), (std::vector<bool>{true, false}));
  despues_->setFocus();
  QTest::keyClicks(despues_, QStringLiteral("ok"));
  EXPECT_EQ(despues_->text(), QStringLiteral("ok"));
}

// The form's way: its handler stores the combination and the update that follows hands the
// field a new handler while the old one is still running.
TEST_F(HotkeyRecorderTest, AHandlerMayReplaceItselfThroughTheField) {
  std::optional<Hotkey> guardado;
  std::function<void()> actualizarFormulario;
  actualizarFormulario = [&] {
    campo_->actualizar(guardado,
                       [&, viejo = std::make_shared<int>(0)](const std::optional<Hotkey>& hotkey) {
                         guardado = hotkey;
                         actualizarFormulario();
                         ++*viejo;  // this handler's own state, after it was replaced
                         return std::optional<QString>();
                       });
  };
  actualizarFormulario();
  pulsar();
  teclear(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(grabador_->hotkey(), kCtrlAltK);
  EXPECT_EQ(grabador_->shownText(), QStringLiteral("Ctrl+Alt+K"));
  pulsar();
  teclear(Qt::Key_Delete);
  EXPECT_EQ(grabador_->hotkey(), std::nullopt);
  EXPECT_EQ(guardado, std::nullopt);
}

// ---- Look ----

int distancia(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

// How close the pixel of `zona` nearest to `color` comes to it.
int masCercano(const QImage& img, const QRect& zona, const QColor& color) {
  int mejor = 255;
  for (int y = zona.top(); y <= zona.bottom(); ++y) {
    for (int x = zona.left(); x <= zona.right(); ++x)
      mejor = std::min(mejor, distancia(img.pixel(x, y), color.rgb()));
  }
  return mejor;
}

QRgb mezcla(const QColor& fondo, const QColor& encima, double alfa) {
  auto canal = [&](int a, int b) { return int(std::lround(a * (1 - alfa) + b * alfa)); };
  return qRgb(canal(fondo.red(), encima.red()), canal(fondo.green(), encima.green()),
              canal(fondo.blue(), encima.blue()));
}

struct Paleta {
  const char* nombre;
  QColor window, windowText, base, mid, highlight, placeholder;
  QPalette paleta() const {
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, windowText);
    p.setColor(QPalette::Text, windowText);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Mid, mid);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::PlaceholderText, placeholder);
    return p;
  }
};

const Paleta kPaletas[] = {
    {"light", QColor(0xEF, 0xEF, 0xEF), QColor(0x1D, 0x1D, 0x1F), QColor(0xFF, 0xFF, 0xFF),
     QColor(0xB8, 0xB8, 0xB8), QColor(0x2F, 0x6F, 0xE0), QColor(0x8E, 0x8E, 0x93)},
    {"dark", QColor(0x2B, 0x2B, 0x2D), QColor(0xEC, 0xEC, 0xEC), QColor(0x1E, 0x1E, 0x20),
     QColor(0x5A, 0x5A, 0x5E), QColor(0x3D, 0x8B, 0xFD), QColor(0x8D, 0x8D, 0x92)},
};

void PrintTo(const Paleta& paleta, std::ostream* os) {
  *os << paleta.nombre;
}

class HotkeyRecorderLook : public ::testing::TestWithParam<Paleta> {};

TEST_P(HotkeyRecorderLook, EveryStateReadsInThePalette) {
  const Paleta& c = GetParam();
  prueba::IdiomaFijo fijo(Idioma::ingles);
  QWidget hoja;
  hoja.setPalette(c.paleta());
  hoja.setAutoFillBackground(true);
  auto* columna = new QVBoxLayout(&hoja);
  columna->setContentsMargins(12, 12, 12, 12);
  columna->setSpacing(10);
  HotkeyRecorder* estados[4];
  for (HotkeyRecorder*& r : estados) {
    r = new HotkeyRecorder;
    columna->addWidget(r);
  }
  auto& [conAtajo, sinAtajo, enFoco, escuchando] = estados;
  conAtajo->setHotkey(kCtrlAltK);
  enFoco->setHotkey(Hotkey{111, Hotkey::kControl | Hotkey::kOption | Hotkey::kShift |
                                    Hotkey::kCommand});  // F12, and too long to fit
  hoja.show();
  hoja.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&hoja));
  enFoco->setFocus(Qt::TabFocusReason);
  escuchando->setRecording(true);
  EXPECT_EQ(conAtajo->size(), QSize(150, 24));

  const QImage img = hoja.grab().toImage();

  struct Esperado {
    HotkeyRecorder* r;
    QRgb relleno;
    QColor borde, texto;
  };
  const Esperado esperados[] = {
      {conAtajo, c.base.rgb(), c.mid, c.windowText},
      {sinAtajo, c.base.rgb(), c.mid, c.placeholder},
      {enFoco, c.base.rgb(), c.highlight, c.windowText},
      {escuchando, mezcla(c.window, c.highlight, 0.12), c.highlight, c.placeholder},
  };
  for (int i = 0; i < 4; ++i) {
    const Esperado& e = esperados[i];
    SCOPED_TRACE(::testing::Message() << c.nombre << " state " << i);
    const QRect g = e.r->geometry();
    const QPoint medio(g.left(), g.center().y());
    EXPECT_LE(distancia(img.pixel(medio + QPoint(3, 0)), e.relleno), 3);
    EXPECT_LE(distancia(img.pixel(medio), e.borde.rgb()), 3);
    const QRect texto = g.adjusted(8, 4, -8, -4);
    EXPECT_LE(masCercano(img, texto, e.texto), 40);
    // Dimmed text never reaches the full text colour, which tells the two apart.
    if (e.texto == c.placeholder) {
      EXPECT_GT(masCercano(img, texto, c.windowText), 60);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Paletas, HotkeyRecorderLook, ::testing::ValuesIn(kPaletas),
                         [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace corvalin
