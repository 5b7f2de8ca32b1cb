// From a key press injected through XTEST to the hotkey's handler running on the main thread,
// the way the event loop waits in the application: median and worst of 200 presses.
#include <benchmark/benchmark.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "hotkeys/keyboard_layout.h"
#include "hotkeys/x11_hotkey_manager.h"

namespace corvalin {
namespace {

using Reloj = std::chrono::steady_clock;

struct Desconectar {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

void BM_DeLaTeclaAlHandler(benchmark::State& state) {
  std::unique_ptr<X11HotkeyManager> atajos = X11HotkeyManager::conectar();
  std::unique_ptr<xcb_connection_t, Desconectar> xtest(xcb_connect(nullptr, nullptr));
  if (!atajos || xcb_connection_has_error(xtest.get())) {
    state.SkipWithError("needs an X server: run inside scripts/test-session");
    return;
  }
  const auto layout = KeyboardLayout::actual();
  const auto tecla = layout->keycode(29);
  const auto shift = layout->keycodeDeKeysym(XKB_KEY_Shift_L);
  const auto super = layout->keycodeDeKeysym(XKB_KEY_Super_L);
  std::optional<Reloj::time_point> llegada;
  if (!tecla || !shift || !super ||
      !atajos->registrar(Hotkey{29, Hotkey::kShift | Hotkey::kCommand}, 1,
                         [&llegada] { llegada = Reloj::now(); })) {
    state.SkipWithError("Shift+Super+0 cannot be grabbed");
    return;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(xtest.get())).data->root;
  auto fingir = [&](uint8_t tipo, uint32_t keycode) {
    xcb_test_fake_input(xtest.get(), tipo, uint8_t(keycode), XCB_CURRENT_TIME, root, 0, 0, 0);
  };

  std::vector<double> ms;
  for (auto _ : state) {
    llegada.reset();
    fingir(XCB_KEY_PRESS, *shift);
    fingir(XCB_KEY_PRESS, *super);
    const Reloj::time_point antes = Reloj::now();
    fingir(XCB_KEY_PRESS, *tecla);
    xcb_flush(xtest.get());
    bool vencido = false;
    QTimer plazo;  // dies with the iteration, so it never fires into a later one
    plazo.setSingleShot(true);
    QObject::connect(&plazo, &QTimer::timeout, [&vencido] { vencido = true; });
    plazo.start(2000);
    while (!llegada && !vencido) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!llegada) {
      state.SkipWithError("a press never arrived");
      break;
    }
    const std::chrono::duration<double> latencia = *llegada - antes;
    state.SetIterationTime(latencia.count());
    ms.push_back(latencia.count() * 1000);
    fingir(XCB_KEY_RELEASE, *tecla);
    fingir(XCB_KEY_RELEASE, *super);
    fingir(XCB_KEY_RELEASE, *shift);
    xcb_flush(xtest.get());
  }
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  state.counters["mediana_ms"] = ms[ms.size() / 2];
  state.counters["peor_ms"] = ms.back();
}
BENCHMARK(BM_DeLaTeclaAlHandler)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvalin
