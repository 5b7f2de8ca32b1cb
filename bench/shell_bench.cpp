// The shell's hot paths: what runs each time the tray menu opens or a text is shown.
#include <benchmark/benchmark.h>

#include "app/menus.h"
#include "core/settings.h"
#include "core/texts.h"

namespace corvalin {
namespace {

void BM_BuildTrayMenu(benchmark::State& state) {
  fijarIdiomaActual(Idioma::ingles);
  EstadoDeMenus s = estadoDesdeAjustes(Settings::shared());
  s.subidas = {QStringLiteral("Captura · 1.2 MB · 30 %")};
  for (auto _ : state) benchmark::DoNotOptimize(buildMenu(false, s));
}
BENCHMARK(BM_BuildTrayMenu);

void BM_TranslateText(benchmark::State& state) {
  fijarIdiomaActual(Idioma::ingles);
  for (auto _ : state) benchmark::DoNotOptimize(L("Pegar imagen del portapapeles"));
}
BENCHMARK(BM_TranslateText);

void BM_FormatText(benchmark::State& state) {
  fijarIdiomaActual(Idioma::ingles);
  for (auto _ : state) benchmark::DoNotOptimize(L("%@ renglones al portapapeles", 12));
}
BENCHMARK(BM_FormatText);

void BM_ReadHotkeys(benchmark::State& state) {
  for (auto _ : state) {
    for (CaptureMode mode : kAllCaptureModes)
      benchmark::DoNotOptimize(Settings::shared().hotkey(mode));
  }
}
BENCHMARK(BM_ReadHotkeys);

}  // namespace
}  // namespace corvalin
