// What the retouch engines cost where the user feels it: one dab of each brush while painting
// on a 4K picture, a whole mask stroke, automatic enhancement, and the picture conversions.
#include <benchmark/benchmark.h>

#include <QImage>
#include <random>

#include "retouch/auto_enhance.h"
#include "retouch/pixel_canvas.h"
#include "retouch/pixel_mask.h"
#include "retouch/qimage_bridge.h"
#include "retouch/tone_brush.h"
#include "retouch/warp_field.h"

namespace corvalin::retouch {
namespace {

constexpr int64_t kWidth = 3840;
constexpr int64_t kHeight = 2160;

// A screenshot-like picture: soft gradients with a little colour noise, seeded. Its low
// saturation sends auto enhance down its slower path, the one with the colour mix.
const PixelCanvas& seededCanvas() {
  static const PixelCanvas canvas = [] {
    std::mt19937 rng(20240611);
    std::vector<uint8_t> bytes(static_cast<size_t>(kWidth * kHeight * 4));
    for (int64_t y = 0; y < kHeight; ++y) {
      for (int64_t x = 0; x < kWidth; ++x) {
        const int base = static_cast<int>(40 + (x * 150) / kWidth + (y * 50) / kHeight);
        uint8_t* p = bytes.data() + (y * kWidth + x) * 4;
        for (int c = 0; c < 3; ++c)
          p[c] = static_cast<uint8_t>(base + static_cast<int>(rng() % 12));
        p[3] = 255;
      }
    }
    return *PixelCanvas::fromRgba(kWidth, kHeight, std::move(bytes));
  }();
  return canvas;
}

// Dab centres wandering over the picture, away from the borders so every dab is whole.
PointD dabCentre(int64_t i) {
  return {400.5 + static_cast<double>((i * 37) % 3000),
          350.25 + static_cast<double>((i * 53) % 1400)};
}

void BM_StampDab(benchmark::State& state) {
  PixelCanvas canvas = seededCanvas();
  const std::vector<uint8_t> from = canvas.snapshot();
  const Brush brush{static_cast<double>(state.range(0)), 0.55, 0.8};
  int64_t i = 0;
  for (auto _ : state) {
    const PointD c = dabCentre(i++);
    benchmark::DoNotOptimize(canvas.stamp(from, 37, -23, c.x, c.y, brush));
  }
  benchmark::ClobberMemory();
}
BENCHMARK(BM_StampDab)->Arg(20)->Arg(80)->Arg(300)->Unit(benchmark::kMicrosecond);

void BM_ToneDab(benchmark::State& state) {
  PixelCanvas canvas = seededCanvas();
  ToneBrush tone(canvas, true, static_cast<ToneRange>(state.range(1)));
  const Brush brush{static_cast<double>(state.range(0)), 0.55, 1};
  int64_t i = 0;
  for (auto _ : state) {
    const PointD c = dabCentre(i++);
    benchmark::DoNotOptimize(tone.dab(canvas, c.x, c.y, brush));
  }
  state.SetLabel(etiqueta(tone.range()));
}
BENCHMARK(BM_ToneDab)
    ->Args({20, 0})
    ->Args({80, 0})
    ->Args({300, 0})
    ->Args({20, 2})
    ->Args({80, 2})
    ->Args({300, 2})
    ->Unit(benchmark::kMicrosecond);

// One warp step as the editor makes it: push the field a quarter radius along the drag, then
// resample the area the push reports.
void BM_WarpDab(benchmark::State& state) {
  PixelCanvas canvas = seededCanvas();
  WarpField field(canvas);
  const double radius = static_cast<double>(state.range(0));
  const Brush brush{radius, 0, 1};
  int64_t i = 0;
  for (auto _ : state) {
    const PointD to = dabCentre(i++);
    const PointD from{to.x - radius / 4, to.y};
    field.resample(canvas, field.push(from, to, brush));
  }
}
BENCHMARK(BM_WarpDab)->Arg(20)->Arg(80)->Arg(300)->Unit(benchmark::kMicrosecond);

// One pinch tick (a thirtieth of a second of holding the button) and its resample.
void BM_PinchTick(benchmark::State& state) {
  PixelCanvas canvas = seededCanvas();
  WarpField field(canvas);
  const Brush brush{static_cast<double>(state.range(0)), 0, 1};
  int64_t i = 0;
  for (auto _ : state) field.resample(canvas, field.pinch(dabCentre(i++), brush, 0.9f, true));
}
BENCHMARK(BM_PinchTick)->Arg(20)->Arg(80)->Arg(300)->Unit(benchmark::kMicrosecond);

// A 500-dab stroke across the picture at the editor's spacing (a quarter radius), then the
// clear that ends it.
void BM_MaskStroke500(benchmark::State& state) {
  PixelMask mask(kWidth, kHeight);
  const double radius = static_cast<double>(state.range(0));
  const Brush brush{radius, 0.55, 1};
  const double spacing = std::max(radius / 4, 1.0);
  for (auto _ : state) {
    for (int k = 0; k < 500; ++k) {
      const double t = static_cast<double>(k) * spacing;
      mask.paint(100.5 + std::fmod(t, 3600.0), 300.5 + 0.3 * std::fmod(t, 5000.0), brush);
    }
    benchmark::DoNotOptimize(mask.bits().data());
    mask.clear();
  }
}
BENCHMARK(BM_MaskStroke500)->Arg(20)->Arg(80)->Unit(benchmark::kMillisecond);

void BM_AutoEnhance(benchmark::State& state) {
  PixelCanvas canvas = seededCanvas();
  AutoEnhance::Report report;
  for (auto _ : state) {
    state.PauseTiming();
    std::copy(seededCanvas().data().begin(), seededCanvas().data().end(), canvas.data().begin());
    state.ResumeTiming();
    report = AutoEnhance::apply(canvas);
  }
  state.SetLabel(report.color > 0 ? "with colour mix" : "tables only");
}
BENCHMARK(BM_AutoEnhance)->Unit(benchmark::kMillisecond)->UseRealTime();

// Picture → canvas → picture. A screenshot usually arrives as ARGB32 premultiplied (a byte
// swizzle on the way in); RGBA8888 premultiplied is the canvas's own layout (a plain copy).
void BM_RoundTrip(benchmark::State& state) {
  const QImage own = makeImage(seededCanvas());
  const QImage picture =
      state.range(0) == 0 ? own.convertToFormat(QImage::Format_ARGB32_Premultiplied) : own;
  for (auto _ : state) {
    const std::optional<PixelCanvas> canvas = makeCanvas(picture);
    benchmark::DoNotOptimize(makeImage(*canvas).constBits());
  }
  state.SetLabel(state.range(0) == 0 ? "from ARGB32 premultiplied" : "from RGBA8888 premultiplied");
}
BENCHMARK(BM_RoundTrip)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace corvalin::retouch

BENCHMARK_MAIN();
