// The Preferences window from the command to the window painted: the first opening in a fresh
// process (target under 150 ms), a window built again in a warm process, and reopening the
// window that is kept after closing (target under 30 ms). The window gets the services the
// running application gives it, over a private settings folder.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <memory>

#include "core/settings.h"
#include "preferences/preferences_window.h"
#include "update/update_controller.h"

namespace corvalin {
namespace {

struct Entorno {
  QTemporaryDir dir;
  Settings settings{dir.path(), dir.path()};
  UpdateController updates{[this] {
                             UpdateController::Configuracion c;
                             c.archivoDeEstado = dir.path() + QStringLiteral("/update.conf");
                             c.version = QStringLiteral("0.1.0");
                             c.build = QStringLiteral("1");
                             return c;
                           }(),
                           nullptr};
};

Entorno& entorno() {
  static Entorno* e = new Entorno();
  return *e;
}

// Notices the first paint of anything inside the window.
class Pintado : public QObject {
 public:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint) pintado = true;
    return QObject::eventFilter(o, e);
  }
  bool pintado = false;
};

// Builds the window if there is none, shows it and turns the event loop until it painted.
double abrir(std::unique_ptr<PreferencesWindow>& w) {
  QElapsedTimer t;
  t.start();
  Pintado pintado;
  qApp->installEventFilter(&pintado);
  if (!w) {
    Entorno& e = entorno();
    w = std::make_unique<PreferencesWindow>(e.settings, e.updates,
                                            serviciosDelEscritorio(e.settings));
  }
  w->show();
  w->raise();
  while (!pintado.pintado) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  qApp->removeEventFilter(&pintado);
  return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// Registered first, so that it runs while nothing of the window was ever made in the process.
void BM_FirstOpening(benchmark::State& state) {
  std::unique_ptr<PreferencesWindow> w;
  for (auto _ : state) state.SetIterationTime(abrir(w));
}
BENCHMARK(BM_FirstOpening)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_NewWindowWarm(benchmark::State& state) {
  for (auto _ : state) {
    std::unique_ptr<PreferencesWindow> w;
    state.SetIterationTime(abrir(w));
    w.reset();
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_NewWindowWarm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_Reopening(benchmark::State& state) {
  std::unique_ptr<PreferencesWindow> w;
  abrir(w);
  for (auto _ : state) {
    w->hide();
    QCoreApplication::processEvents();
    state.SetIterationTime(abrir(w));
  }
}
BENCHMARK(BM_Reopening)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
}  // namespace corvalin
