// Erase-and-fill and dust removal where the user waits for them: one fill of each hole size on
// a 1920 × 1080 photograph-like picture and an interface, with the fill's measures against the
// erased truth as counters, and a sweep for dust over a speckled area.
#include <benchmark/benchmark.h>

#include "inpaint_scenes.h"
#include "retouch/inpainter.h"
#include "retouch/patch_match.h"
#include "retouch/spot_cleaner.h"

namespace corvalin::retouch {
namespace {

const PixelCanvas& scene(int64_t which) {
  static const PixelCanvas photo = scenes::photoScene();
  static const PixelCanvas interface = scenes::interfaceScene();
  return which == 0 ? photo : interface;
}

void BM_Heal(benchmark::State& state) {
  const PixelCanvas& truth = scene(state.range(0));
  const scenes::Hole& hole =
      (state.range(0) == 0 ? scenes::kPhotoHoles
                           : scenes::kInterfaceHoles)[static_cast<size_t>(state.range(1))];
  const PixelMask mask = scenes::holeMask(hole);
  // 0: as many search threads as the machine offers.
  inpaint::hilosDeBusqueda = static_cast<int>(state.range(2));
  PixelCanvas canvas = truth;
  bool ok = false;
  for (auto _ : state) {
    state.PauseTiming();
    std::copy(truth.data().begin(), truth.data().end(), canvas.data().begin());
    state.ResumeTiming();
    ok = Inpainter::heal(canvas, mask);
  }
  inpaint::hilosDeBusqueda = 0;
  const scenes::Quality q = scenes::measure(truth, canvas, mask);
  state.counters["psnr_dB"] = q.psnr;
  state.counters["ssim"] = q.ssim;
  state.counters["detail"] = q.detail;
  state.SetLabel(std::string(state.range(0) == 0 ? "photo " : "interface ") + hole.name +
                 (ok ? "" : " (smooth only)") +
                 (state.range(2) > 0 ? ", threads " + std::to_string(state.range(2)) : ""));
}
BENCHMARK(BM_Heal)
    ->ArgsProduct({{0, 1}, {0, 1, 2, 3}, {0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// How the search scales with its threads, on the 200 × 200 holes.
BENCHMARK(BM_Heal)
    ->ArgsProduct({{0, 1}, {2}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// 120 dark specks of 2 to 5 pixels over the photograph's ground, swept with one wide stroke:
// finding them, then removing each.
void BM_SpotClean(benchmark::State& state) {
  PixelCanvas speckled = scene(0);
  std::mt19937 rng(99);
  for (int i = 0; i < 120; ++i) {
    const int64_t size = 2 + static_cast<int64_t>(rng() % 4);
    const int64_t x0 = 300 + static_cast<int64_t>(rng() % 1300);
    const int64_t y0 = 420 + static_cast<int64_t>(rng() % 560);
    for (int64_t y = y0; y < y0 + size; ++y) {
      for (int64_t x = x0; x < x0 + size; ++x) {
        uint8_t* p = speckled.data().data() + (y * scenes::kWidth + x) * 4;
        p[0] = p[1] = p[2] = 12;
      }
    }
  }
  PixelMask region(speckled);
  for (double x = 300; x <= 1620; x += 10) region.paint(x, 700, {300, 0.55, 1});
  PixelCanvas canvas = speckled;
  size_t found = 0;
  int64_t healed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::copy(speckled.data().begin(), speckled.data().end(), canvas.data().begin());
    state.ResumeTiming();
    const std::vector<SpotCleaner::Spot> spots = SpotCleaner::spots(canvas, region, 8, 0.6);
    found = spots.size();
    if (state.range(0) == 1) healed = SpotCleaner::remove(canvas, spots);
  }
  state.counters["spots"] = static_cast<double>(found);
  if (state.range(0) == 1) state.counters["healed"] = static_cast<double>(healed);
  state.SetLabel(state.range(0) == 0 ? "find" : "find and remove");
}
BENCHMARK(BM_SpotClean)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace corvalin::retouch

BENCHMARK_MAIN();
