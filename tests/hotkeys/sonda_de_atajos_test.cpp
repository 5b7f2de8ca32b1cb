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
    for (size_t i = 0; i < alarmas_.size(); ++i) {
      Alarma& a = alarmas_[i];
      if (a.cuando <= ahora_ && !a.handle.expired() && a.alVencer) std::exchange(a.alVencer, {})();
    }
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

// What a wait reports, into `en`.
std::function<void(bool)> anotar(std::vector<bool>& en) {
  return [&en](bool arrived) { en.push_back(arrived); };
}

class SondaTest : public ::testing::Test {
 protected:
  RelojFalso reloj;
  SondaDeAtajos sonda{reloj.temporizador()};
  const uint32_t area = hotkeyId(CaptureMode::area);
};

TEST_F(SondaTest, ThePressConfirmsOnceOnTheMainQueueAndEndsTheWait) {
  std::vector<bool> resultados;
  sonda.begin(CaptureMode::area, 15s, anotar(resultados));
  EXPECT_TRUE(sonda.pendiente(area));
  sonda.llego(area);
  EXPECT_TRUE(resultados.empty()) << "reported inside the call instead of on the main queue";
  QCoreApplication::processEvents();
  EXPECT_EQ(resultados, std::vector<bool>{true});
  reloj.avanzar(20s);
  sonda.llego(area);
  QCoreApplication::processEvents();
  EXPECT_EQ(resultados, std::vector<bool>{true});
}

TEST_F(SondaTest, AnUnconfirmedWaitTimesOutOnceAndLaterPressesAreCapturesAgain) {
  std::vector<bool> resultados;
  sonda.begin(CaptureMode::area, 15s, anotar(resultados));
  reloj.avanzar(14999ms);
  EXPECT_TRUE(resultados.empty());
  reloj.avanzar(1ms);
  EXPECT_EQ(resultados, std::vector<bool>{false});
  EXPECT_FALSE(sonda.pendiente(area));  // the shell runs the capture for the next press
  sonda.llego(area);
  reloj.avanzar(15s);
  EXPECT_EQ(resultados, std::vector<bool>{false});
  // A wait cancelled (the shortcuts were registered again) never reports.
  sonda.begin(CaptureMode::area, 15s, anotar(resultados));
  sonda.cancelAll();
  EXPECT_FALSE(sonda.pendiente(area));
  reloj.avanzar(30s);
  EXPECT_EQ(resultados, std::vector<bool>{false});
}

}  // namespace
}  // namespace corvalin
