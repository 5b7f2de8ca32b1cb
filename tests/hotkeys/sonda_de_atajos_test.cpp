#include <gtest/gtest.h>

#include <QCoreApplication>
#include <vector>

#include "hotkeys/sonda_de_atajos.h"

namespace corvalin {
namespace {

using std::chrono::milliseconds;
using namespace std::chrono_literals;

// A clock that moves only when told; a timer whose handle was dropped never fires.
struct RelojFalso {
  SondaDeAtajos::Temporizador temporizador() {
    return [this](milliseconds espera, std::function<void()> alVencer) {
      auto handle = std::make_shared<int>(0);
      alarmas_.push_back({ahora_ + espera, std::move(alVencer), handle});
      return std::shared_ptr<void>(handle);
    };
  }
  void avanzar(milliseconds cuanto) {
    ahora_ += cuanto;
    for (Alarma& a : alarmas_)
      if (a.cuando <= ahora_ && !a.handle.expired() && a.alVencer) std::exchange(a.alVencer, {})();
    QCoreApplication::processEvents();
  }

  struct Alarma {
    milliseconds cuando;
    std::function<void()> alVencer;
    std::weak_ptr<void> handle;
  };
  milliseconds ahora_{0};
  std::vector<Alarma> alarmas_;
};

// A press confirms a wait once, on the main queue; an unconfirmed one times out once, and then
// presses are captures again; a cancelled one never reports.
TEST(SondaTest, APressConfirmsOnceAWaitTimesOutOnceAndACancelledOneIsSilent) {
  RelojFalso reloj;
  SondaDeAtajos sonda{reloj.temporizador()};
  const uint32_t area = hotkeyId(CaptureMode::area);
  std::vector<bool> resultados;
  const auto anotar = [&](bool llego) { resultados.push_back(llego); };

  sonda.begin(CaptureMode::area, 15s, anotar);
  sonda.llego(area);
  EXPECT_TRUE(resultados.empty()) << "reported inside the call instead of on the main queue";
  reloj.avanzar(20s);
  sonda.llego(area);
  QCoreApplication::processEvents();
  EXPECT_EQ(resultados, std::vector<bool>{true});

  sonda.begin(CaptureMode::area, 15s, anotar);
  reloj.avanzar(15s);
  EXPECT_EQ(resultados, (std::vector<bool>{true, false}));
  EXPECT_FALSE(sonda.pendiente(area));  // the shell runs the capture for the next press

  sonda.begin(CaptureMode::area, 15s, anotar);
  sonda.cancelAll();
  reloj.avanzar(30s);
  EXPECT_EQ(resultados, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace corvalin
