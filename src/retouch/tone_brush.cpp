#include "retouch/tone_brush.h"

#include <algorithm>
#include <cmath>

#include "retouch/dab_kernel.h"
#include "retouch/pixel_canvas.h"

namespace corvalin::retouch {
namespace {

constexpr int64_t kRun = detail::DabShape::kRun;

// How much of the amount reaches a pixel of luma `l` (0 … 1): a Gaussian fall-off away from
// the chosen tones, none at all for `all`.
template <ToneRange R>
inline double rangeWeight(double l) {
  if constexpr (R == ToneRange::highlights) {
    const double z = std::max(0.75 - l, 0.0) / 0.3;
    return std::exp(-(z * z));
  } else if constexpr (R == ToneRange::midtones) {
    const double z = (l - 0.5) / 0.28;
    return std::exp(-(z * z));
  } else if constexpr (R == ToneRange::shadows) {
    const double z = std::max(l - 0.25, 0.0) / 0.3;
    return std::exp(-(z * z));
  } else {
    return 1;
  }
}

struct ToneRun {
  const uint8_t* original;  // snapshot pixels of the run
  uint8_t* acumulado;       // accumulator of the run
  uint8_t* out;             // canvas pixels of the run
  double* work;             // the run's coverage in, its amounts out
  int64_t count;
};

// Three passes over a run, each pixel's arithmetic unchanged: lay the brush down and turn it
// into an amount, weight the amount by the tonal range, then write the pixels. The last, where
// most of the work is, carries no branch and vectorises; the range weighting needs exp, stays
// scalar and is skipped for `all`. Range and direction are template parameters so that no
// loop tests them per pixel.
template <ToneRange R, bool Lighten>
void toneRun(const ToneRun& run, double opacity, double strength) {
  double* amount = run.work;
  uint8_t* laid = run.acumulado;
  for (int64_t i = 0; i < run.count; ++i) {
    const double coverage = amount[i] * opacity;
    const bool touched = coverage > 0.002;
    const double w = touched ? coverage : 0.0;  // also turns a NaN from an infinite brush into 0
    const double before = laid[i];
    const double now =
        touched ? static_cast<double>(static_cast<int32_t>(std::min(before + 55 * w, 255.0)))
                : before;
    laid[i] = static_cast<uint8_t>(now);
    amount[i] = touched ? strength * now / 255 : 0.0;
  }
  if constexpr (R != ToneRange::all) {
    for (int64_t i = 0; i < run.count; ++i) {
      // A weight is at most 1, so an amount already too small stays too small.
      if (!(amount[i] > 0.0005)) continue;
      const uint8_t* o = run.original + i * 4;
      const double r = o[0], g = o[1], b = o[2];
      const double l = 0.2126 * r / 255 + 0.7152 * g / 255 + 0.0722 * b / 255;
      amount[i] = amount[i] * rangeWeight<R>(l);
    }
  }
  for (int64_t i = 0; i < run.count; ++i) {
    const double a = amount[i];
    const bool apply = a > 0.0005;
    const uint8_t* o = run.original + i * 4;
    uint8_t* p = run.out + i * 4;
    for (int c = 0; c < 3; ++c) {
      const double v0 = o[c] / 255.0;
      const double v = Lighten ? v0 + a * (1 - v0) : (1 - a) * v0;
      // roundToByte gives 0 for v ≤ 0 and caps at 255.
      const uint8_t written = detail::roundToByte(v * 255);
      p[c] = apply ? written : p[c];
    }
  }
}

template <ToneRange R>
void toneRunFor(bool lighten, const ToneRun& run, double opacity, double strength) {
  if (lighten) {
    toneRun<R, true>(run, opacity, strength);
  } else {
    toneRun<R, false>(run, opacity, strength);
  }
}

}  // namespace

ToneRange toneRangeFromRaw(int64_t raw) {
  switch (raw) {
    case 1:
      return ToneRange::highlights;
    case 2:
      return ToneRange::midtones;
    case 3:
      return ToneRange::shadows;
    default:
      return ToneRange::all;
  }
}

const char* etiqueta(ToneRange range) {
  switch (range) {
    case ToneRange::highlights:
      return "Luces";
    case ToneRange::midtones:
      return "Medios";
    case ToneRange::shadows:
      return "Sombras";
    case ToneRange::all:
      break;
  }
  return "Todo";
}

ToneBrush::ToneBrush(const PixelCanvas& canvas, bool lighten, ToneRange range)
    : original_(canvas.snapshot()),
      acumulado_(static_cast<size_t>(canvas.width() * canvas.height()), 0),
      width_(canvas.width()),
      height_(canvas.height()),
      lighten_(lighten),
      range_(range) {}

PixelRect ToneBrush::dab(PixelCanvas& canvas, double cx, double cy, const Brush& brush) {
  if (canvas.width() != width_ || canvas.height() != height_) return {};
  const ScanRect scan = scanRect(cx, cy, brush.radius, width_, height_);
  if (scan.isEmpty()) return {};
  const PixelRect dirty = scan.rect();
  const double opacity = clampedOpacity(brush);
  if (!(brush.radius > 0) || !(opacity > 0)) return dirty;

  const detail::DabShape shape(cx, cy, brush);
  double coverage[kRun];
  uint8_t* out = canvas.data().data();
  for (int64_t y = scan.firstY; y <= scan.lastY; ++y) {
    for (int64_t start = scan.firstX; start <= scan.lastX; start += kRun) {
      const int64_t count = std::min(kRun, scan.lastX - start + 1);
      shape.coverageRow(y, start, count, coverage);
      const int64_t i = y * width_ + start;
      const ToneRun run{original_.data() + i * 4, acumulado_.data() + i, out + i * 4, coverage,
                        count};
      switch (range_) {
        case ToneRange::highlights:
          toneRunFor<ToneRange::highlights>(lighten_, run, opacity, strength_);
          break;
        case ToneRange::midtones:
          toneRunFor<ToneRange::midtones>(lighten_, run, opacity, strength_);
          break;
        case ToneRange::shadows:
          toneRunFor<ToneRange::shadows>(lighten_, run, opacity, strength_);
          break;
        default:
          toneRunFor<ToneRange::all>(lighten_, run, opacity, strength_);
          break;
      }
    }
  }
  return dirty;
}

}  // namespace corvalin::retouch
