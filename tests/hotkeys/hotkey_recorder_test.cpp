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
    antes_ = new QLineEdit;
    campo_ = new HotkeyField;
    despues_ = new QLineEdit;
    columna->addWidget(antes_);
    columna->addWidget(campo_);
    columna->addWidget(despues_);
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
  QLineEdit* antes_ = nullptr;
  HotkeyField* campo_ = nullptr;
  HotkeyRecorder* grabador_ = nullptr;
  QLineEdit* despues_ = nullptr;
  std::vector<std::optional<Hotkey>> informes_;
  std::vector<bool> avisos_;
};

TEST_F(HotkeyRecorderTest, AClickListensUntilEscapeOrTheFocusLeavesAndNothingIsReported) {
  EXPECT_EQ(grabador_->accessibleDescription(), u"Ctrl+Alt+J"_s);
  pulsar();
  EXPECT_TRUE(grabador_->recording());
  EXPECT_TRUE(grabador_->hasFocus());
  EXPECT_EQ(avisos(), std::vector<bool>{true});
  EXPECT_EQ(grabador_->shownText(), u"Type the shortcut…"_s);
  EXPECT_EQ(grabador_->accessibleDescription(), u"Type the shortcut…"_s);

  teclear(Qt::Key_Escape);
  EXPECT_FALSE(grabador_->recording());
  EXPECT_EQ(avisos(), (std::vector<bool>{true, false}));
  EXPECT_EQ(grabador_->hotkey(), kCtrlAltJ);
  EXPECT_EQ(grabador_->accessibleDescription(), u"Ctrl+Alt+J"_s);

  pulsar();
  QTest::mouseClick(despues_, Qt::LeftButton);
  EXPECT_TRUE(despues_->hasFocus());
  EXPECT_FALSE(grabador_->recording());
  EXPECT_EQ(avisos(), (std::vector<bool>{true, false, true, false}));
  EXPECT_TRUE(informes_.empty());
  // The keys are the other widget's again.
  QTest::keyClicks(despues_, u"ok"_s);
  EXPECT_EQ(despues_->text(), u"ok"_s);

  // A field destroyed while listening turns the hotkeys back on.
  pulsar();
  delete campo_;
  EXPECT_EQ(avisos(), (std::vector<bool>{true, false, true, false, true, false}));
  despues_->setFocus();
  QTest::keyClicks(despues_, u"ok"_s);
  EXPECT_EQ(despues_->text(), u"okok"_s);
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
  EXPECT_EQ(informes_[0]->display(), u"Ctrl+Alt+K"_s);
  EXPECT_EQ(avisos(), (std::vector<bool>{true, false}));
  ASSERT_EQ(cambios.size(), 2);
  EXPECT_EQ(cambios[0][0].toBool(), true);
  EXPECT_EQ(cambios[1][0].toBool(), false);
  // The field shows what its owner keeps, and this owner kept nothing.
  EXPECT_EQ(grabador_->shownText(), u"Ctrl+Alt+J"_s);
}

// The form's way: its handler refuses what is taken, stores the rest, and the update that
// follows hands the field a new handler while the old one is still running.
TEST_F(HotkeyRecorderTest, TheOwnerRefusesOrKeepsAndMayReplaceItsHandlerThroughTheField) {
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
  EXPECT_EQ(grabador_->shownText(), u"No shortcut"_s);
  pulsar();
  teclear(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(grabador_->problem(), u"Already taken"_s);
  EXPECT_EQ(grabador_->hotkey(), std::nullopt);
  EXPECT_EQ(grabador_->shownText(), u"No shortcut"_s);
  EXPECT_FALSE(grabador_->recording());

  pulsar();
  teclear(Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(grabador_->problem(), std::nullopt);
  EXPECT_EQ(grabador_->hotkey(), (Hotkey{37, kCtrlAlt}));
  EXPECT_EQ(grabador_->shownText(), u"Ctrl+Alt+L"_s);
  pulsar();
  teclear(Qt::Key_Delete);
  EXPECT_EQ(grabador_->hotkey(), std::nullopt);
  EXPECT_EQ(guardado, std::nullopt);
  EXPECT_EQ(informes_.size(), 3u);
}

TEST_F(HotkeyRecorderTest, BackspaceAndDeleteClearButWithCtrlTheyAreCombinations) {
  pulsar();
  teclear(Qt::Key_Backspace);
  EXPECT_FALSE(grabador_->recording());
  pulsar();
  teclear(Qt::Key_Delete, Qt::ShiftModifier);
  pulsar();
  teclear(Qt::Key_Backspace, Qt::ControlModifier);
  EXPECT_EQ(informes_, (std::vector<std::optional<Hotkey>>{std::nullopt, std::nullopt,
                                                           Hotkey{51, Hotkey::kControl}}));
}

TEST_F(HotkeyRecorderTest, WindowShortcutsDoNotFireWhileListening) {
  int cerrar = 0, escapar = 0;
  QShortcut ctrlW(QKeySequence(Qt::CTRL | Qt::Key_W), &ventana_, [&] { ++cerrar; });
  QShortcut esc(QKeySequence(Qt::Key_Escape), &ventana_, [&] { ++escapar; });
  pulsar();
  teclear(Qt::Key_W, Qt::ControlModifier);
  EXPECT_EQ(cerrar, 0);
  EXPECT_EQ(informes_, (std::vector<std::optional<Hotkey>>{Hotkey{13, Hotkey::kControl}}));
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

struct Paleta {
  const char* nombre;
  QColor window, windowText, base, mid, highlight, placeholder;
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
  QPalette paleta;
  for (auto [rol, color] : {std::pair{QPalette::Window, c.window},
                            {QPalette::Base, c.base},
                            {QPalette::WindowText, c.windowText},
                            {QPalette::Text, c.windowText},
                            {QPalette::Mid, c.mid},
                            {QPalette::Highlight, c.highlight},
                            {QPalette::PlaceholderText, c.placeholder}})
    paleta.setColor(rol, color);
  QWidget hoja;
  hoja.setPalette(paleta);
  hoja.setAutoFillBackground(true);
  auto* columna = new QVBoxLayout(&hoja);
  columna->setContentsMargins(12, 12, 12, 12);
  columna->setSpacing(10);
  HotkeyRecorder* estados[4];
  for (HotkeyRecorder*& r : estados) columna->addWidget(r = new HotkeyRecorder);
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
  // Listening, the field is tinted with 12 % of the highlight.
  auto tinte = [&](int w, int h) { return int(std::lround(w * 0.88 + h * 0.12)); };
  const QRgb tenido =
      qRgb(tinte(c.window.red(), c.highlight.red()), tinte(c.window.green(), c.highlight.green()),
           tinte(c.window.blue(), c.highlight.blue()));
  struct Esperado {
    HotkeyRecorder* r;
    QRgb relleno;
    QColor borde, texto;
  } const esperados[] = {
      {conAtajo, c.base.rgb(), c.mid, c.windowText},
      {sinAtajo, c.base.rgb(), c.mid, c.placeholder},
      {enFoco, c.base.rgb(), c.highlight, c.windowText},
      {escuchando, tenido, c.highlight, c.placeholder},
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
