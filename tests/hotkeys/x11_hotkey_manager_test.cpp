// Hotkeys against the test session's X server: real grabs, presses typed by xdotool, a second
// X client competing for the same combinations, and layouts switched with setxkbmap. (The
// recorder's notice that suspends them: hotkey_recorder_test.cpp.)
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <cstdlib>
#include <map>

#include "hotkeys/keyboard_layout.h"
#include "hotkeys/x11_hotkey_manager.h"

namespace corvalin {
namespace {

constexpr uint32_t kShiftSuper = Hotkey::kShift | Hotkey::kCommand;
const Hotkey kCero{29, kShiftSuper};   // Shift+Super+0
const Hotkey kOcho{28, kShiftSuper};   // Shift+Super+8
const Hotkey kSiete{26, kShiftSuper};  // Shift+Super+7

void xdotool(const QStringList& args) {
  ASSERT_EQ(QProcess::execute("xdotool", args), 0) << args.join(' ').toStdString();
}

// Another X client: what it grabs, nobody else can.
struct OtroCliente {
  ~OtroCliente() { xcb_disconnect(conn); }
  bool agarrar(const Hotkey& h) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    const uint16_t mods = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;  // all of them are Shift+Super
    const auto keycode = KeyboardLayout::actual()->keycode(h.keyCode);
    xcb_generic_error_t* error =
        xcb_request_check(conn, xcb_grab_key_checked(conn, 0, root, mods, xcb_keycode_t(*keycode),
                                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return error == nullptr;
  }

  xcb_connection_t* conn = xcb_connect(nullptr, nullptr);
};

class X11Hotkeys : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs X11";
    atajos = X11HotkeyManager::conectar();
    ASSERT_TRUE(atajos);
    registrarCentinela();
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
  void registrarCentinela() {
    ASSERT_TRUE(atajos->registrar(Hotkey{25, kShiftSuper}, 99, contar(99)));
  }

  std::unique_ptr<X11HotkeyManager> atajos;
  std::map<int, int> pulsaciones;
  bool enHiloPrincipal = true;
};

TEST_F(X11Hotkeys, APressRunsItsHandlerOnceOnTheMainThreadWhateverTheLockKeys) {
  ASSERT_TRUE(atajos->registrar(kCero, 1, contar(1)));
  const QStringList candados[] = {{}, {"Caps_Lock"}, {"Num_Lock"}, {"Caps_Lock", "Num_Lock"}};
  int esperadas = 0;
  for (const QStringList& c : candados) {
    teclear(c + QStringList{"shift+super+0"} + c);  // the locks on, and off again
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
  EXPECT_TRUE(OtroCliente().agarrar(kCero));
  EXPECT_TRUE(OtroCliente().agarrar(kSiete));
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
  ASSERT_TRUE(atajos->registrar(Hotkey{0, kShiftSuper}, 1, contar(1)));  // the "A" position
  ASSERT_EQ(QProcess::execute("setxkbmap", {"fr"}), 0);
  EXPECT_TRUE(QTest::qWaitFor([] { return kCero.display() == "Shift+Super+À"; }))
      << kCero.display().toStdString();
  // On AZERTY "a" sits where QWERTY has "q": xdotool types the key that prints "a".
  teclear({"shift+super+a"});
  EXPECT_EQ(pulsaciones[1], 1);
}

}  // namespace
}  // namespace corvalin
