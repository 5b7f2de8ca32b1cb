// Hotkeys against the test session's X server: real grabs, presses typed by xdotool, a second
// X client competing for the same combinations, layouts switched with setxkbmap, and the
// recorder taking a combination that is grabbed globally.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>
#include <cstdlib>
#include <map>

#include "hotkeys/hotkey_recorder.h"
#include "hotkeys/keyboard_layout.h"
#include "hotkeys/x11_hotkey_manager.h"
#include "platform/notification_center.h"

namespace corvalin {
namespace {

constexpr uint32_t kShiftSuper = Hotkey::kShift | Hotkey::kCommand;
const Hotkey kCero{29, kShiftSuper};   // Shift+Super+0
const Hotkey kNueve{25, kShiftSuper};  // Shift+Super+9
const Hotkey kOcho{28, kShiftSuper};   // Shift+Super+8
const Hotkey kSiete{26, kShiftSuper};  // Shift+Super+7

void xdotool(const QStringList& args) {
  ASSERT_EQ(QProcess::execute("xdotool", args), 0) << args.join(' ').toStdString();
}

// Another X client: what it grabs, nobody else can.
class OtroCliente {
 public:
  OtroCliente() : conn_(xcb_connect(nullptr, nullptr)) {
    root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
  }
  ~OtroCliente() { xcb_disconnect(conn_); }
  bool agarrar(const Hotkey& h) {
    uint16_t mods = 0;
    if (h.modifiers & Hotkey::kShift) mods |= XCB_MOD_MASK_SHIFT;
    if (h.modifiers & Hotkey::kCommand) mods |= XCB_MOD_MASK_4;
    const auto keycode = KeyboardLayout::actual()->keycode(h.keyCode);
    xcb_generic_error_t* error = xcb_request_check(
        conn_, xcb_grab_key_checked(conn_, 0, root_, mods, xcb_keycode_t(*keycode),
                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return error == nullptr;
  }

 private:
  xcb_connection_t* conn_;
  xcb_window_t root_ = 0;
};

class X11Hotkeys : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs X11";
    atajos = X11HotkeyManager::conectar();
    ASSERT_TRUE(atajos);
  }
  std::function<void()> contar(int clave) {
    return [this, clave] {
      pulsaciones[clave]++;
      enHiloPrincipal = enHiloPrincipal && QThread::currentThread() == qApp->thread();
    };
  }
  // Types `teclas` and then the sentinel combination (Shift+Super+9, registered under id 99):
  // once the sentinel's handler ran, every earlier press has been delivered.
  void teclear(QStringList teclas) {
    const int antes = pulsaciones[99];
    xdotool(QStringList{"key"} + teclas + QStringList{"shift+super+9"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return pulsaciones[99] > antes; }));
  }
  void registrarCentinela() { ASSERT_TRUE(atajos->registrar(kNueve, 99, contar(99))); }

  std::unique_ptr<X11HotkeyManager> atajos;
  std::map<int, int> pulsaciones;
  bool enHiloPrincipal = true;
};

TEST_F(X11Hotkeys, APressRunsItsHandlerOnceOnTheMainThreadWhateverTheLockKeys) {
  ASSERT_TRUE(atajos->registrar(kCero, 1, contar(1)));
  registrarCentinela();
  const QStringList candados[] = {{}, {"Caps_Lock"}, {"Num_Lock"}, {"Caps_Lock", "Num_Lock"}};
  int esperadas = 0;
  for (const QStringList& c : candados) {
    if (!c.isEmpty()) xdotool(QStringList{"key"} + c);  // on
    teclear({"shift+super+0"});
    if (!c.isEmpty()) xdotool(QStringList{"key"} + c);  // off again
    EXPECT_EQ(pulsaciones[1], ++esperadas) << "locks: " << c.join('+').toStdString();
  }
  EXPECT_TRUE(enHiloPrincipal);
  // Held down past the server's repeat delay, it is still one press.
  xdotool({"keydown", "shift+super+0"});
  QTest::qWait(1000);
  xdotool({"keyup", "0", "shift+super"});
  teclear({"shift+super+0"});  // a new press after the release counts again
  EXPECT_EQ(pulsaciones[1], esperadas + 2);
}

TEST_F(X11Hotkeys, ARefusedRegistrationKeepsWhatWasThereAndAMovedIdFreesItsOldCombination) {
  OtroCliente otro;
  ASSERT_TRUE(otro.agarrar(kOcho));
  registrarCentinela();
  ASSERT_TRUE(atajos->registrar(kCero, 1, contar(1)));
  EXPECT_FALSE(atajos->registrar(kOcho, 1, contar(2)));  // another client holds it
  // One combination runs one command: sharing it, one id's release would free the other's.
  EXPECT_FALSE(atajos->registrar(kCero, 2, contar(2)));
  atajos->unregister(2);
  teclear({"shift+super+0"});
  EXPECT_EQ(pulsaciones[1], 1);
  EXPECT_EQ(pulsaciones[2], 0);
  // Moved, then the same combination again, which only swaps the handler: the grab survives.
  // That handler unregisters its own id, and its state outlives the unregistration.
  ASSERT_TRUE(atajos->registrar(kSiete, 1, contar(3)));
  ASSERT_TRUE(atajos->registrar(kSiete, 1, [this, n = std::make_shared<int>(0)] {
    atajos->unregister(1);
    pulsaciones[4] = ++*n;
  }));
  teclear({"shift+super+0", "shift+super+7", "shift+super+7"});
  EXPECT_EQ(pulsaciones[1] + pulsaciones[3], 1);
  EXPECT_EQ(pulsaciones[4], 1);
  EXPECT_TRUE(OtroCliente().agarrar(kCero));
}

// Registering reads what the server sent meanwhile, which may queue a press's handler; when
// every hotkey is then suspended (the hotkey recorder starts listening), that press never runs.
TEST_F(X11Hotkeys, UnregisterAllReleasesEverythingEvenAPressStillQueued) {
  ASSERT_TRUE(atajos->registrar(kCero, 1, contar(1)));
  xdotool({"key", "shift+super+0"});
  QThread::msleep(100);
  ASSERT_TRUE(atajos->registrar(kSiete, 2, contar(2)));
  atajos->unregisterAll();
  {
    OtroCliente otro;
    EXPECT_TRUE(otro.agarrar(kCero));
    EXPECT_TRUE(otro.agarrar(kSiete));
  }
  registrarCentinela();
  ASSERT_TRUE(atajos->registrar(kCero, 1, contar(1)));
  teclear({"shift+super+0", "shift+super+7"});
  EXPECT_EQ(pulsaciones[1], 1);  // the new press only
  EXPECT_EQ(pulsaciones[2], 0);
}

TEST_F(X11Hotkeys, GrabsAndNamesFollowTheLayout) {
  struct Restaurar {
    ~Restaurar() { QProcess::execute("setxkbmap", {"us"}); }
  } restaurar;
  registrarCentinela();
  ASSERT_TRUE(atajos->registrar(Hotkey{0, kShiftSuper}, 1, contar(1)));  // the "A" position
  ASSERT_EQ(QProcess::execute("setxkbmap", {"fr"}), 0);
  EXPECT_TRUE(QTest::qWaitFor([] { return kCero.display() == "Shift+Super+À"; }))
      << kCero.display().toStdString();
  // On AZERTY "a" sits where QWERTY has "q": xdotool types the key that prints "a".
  teclear({"shift+super+a"});
  EXPECT_EQ(pulsaciones[1], 1);
}

// While the recorder listens the shell suspends the hotkeys: a combination grabbed globally,
// typed while it listens, reaches the recorder and not its handler; then the grab is back.
TEST_F(X11Hotkeys, AGrabbedCombinationReachesTheListeningRecorderInstead) {
  const Hotkey ctrlAltK{40, Hotkey::kControl | Hotkey::kOption};
  auto registrar = [&] { return atajos->registrar(ctrlAltK, 1, contar(1)); };
  ASSERT_TRUE(registrar());
  QObject contexto;
  bool suspendidos = false;
  NotificationCenter::shared().observe(QString::fromUtf8(notificacion::kCapturandoAtajo), &contexto,
                                       [&](const QVariant& capturando) {
                                         suspendidos = capturando.toBool();
                                         suspendidos ? atajos->unregisterAll() : (void)registrar();
                                       });

  QWidget ventana;
  ventana.setWindowFlags(Qt::FramelessWindowHint);
  auto* grabador = new HotkeyRecorder;
  (new QVBoxLayout(&ventana))->addWidget(grabador);
  std::vector<std::optional<Hotkey>> informes;
  grabador->setAlGrabar([&](const std::optional<Hotkey>& hotkey) {
    informes.push_back(hotkey);
    return std::optional<QString>();
  });
  ventana.move(200, 200);
  ventana.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&ventana));
  const QPoint centro = grabador->mapToGlobal(grabador->rect().center());
  xdotool({"mousemove", QString::number(centro.x()), QString::number(centro.y()), "click", "1"});
  ASSERT_TRUE(QTest::qWaitFor([&] { return grabador->hasFocus() && suspendidos; }));

  xdotool({"key", "ctrl+alt+k"});
  ASSERT_TRUE(QTest::qWaitFor([&] { return !informes.empty(); }));
  EXPECT_EQ(informes[0], ctrlAltK);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !suspendidos; }));
  EXPECT_EQ(pulsaciones[1], 0);

  // Grabbed again: the same keys start the global command and leave the field alone.
  xdotool({"key", "ctrl+alt+k"});
  EXPECT_TRUE(QTest::qWaitFor([&] { return pulsaciones[1] == 1; }));
  EXPECT_EQ(informes.size(), 1u);
}

}  // namespace
}  // namespace corvalin
