#include "retouch/auto_enhance.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "retouch/dab_kernel.h"
#include "retouch/pixel_canvas.h"

namespace corvalin::retouch {
namespace {

constexpr int64_t kChunk = 1024;

inline double luma(double r, double g, double b) {
  return 0.2126 * r + 0.7152 * g + 0.0722 * b;
}

// printf's "%.Nf" (with "%+" when `sign`), but in the C locale whatever the process's locale
// is: a Spanish desktop must still read "-0.2", like the rest of the interface's numbers.
std::string fixed(double value, int precision, bool sign) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
  std::string text(buffer, result.ptr);
  if (sign && !text.empty() && text.front() != '-') text.insert(text.begin(), '+');
  return text;
}

// Fills "%@" with `value` and turns "%%" into "%".
std::string fill(std::string_view format, std::string_view value) {
  std::string out;
  out.reserve(format.size() + value.size());
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      if (format[i + 1] == '@') {
        out += value;
        ++i;
        continue;
      }
      if (format[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

struct Analysis {
  AutoEnhance::Histogram histogram{};
  std::vector<double> lumas;
  double saturation = 0;
  double sum[3] = {0, 0, 0};
  int64_t n = 0;
};

// A pixel with no alpha shows nothing; counting it as black would make a picture with a
// transparent margin look dark and flat and have its real content lifted and stretched.
inline bool visible(const uint8_t* p) {
  return p[3] != 0;
}

Analysis sample(const uint8_t* pixels, int64_t count, int64_t stride) {
  Analysis a;
  a.lumas.reserve(static_cast<size_t>(count / stride + 1));
  for (int64_t i = 0; i < count; i += stride) {
    const uint8_t* p = pixels + i * 4;
    if (!visible(p)) continue;
    const double r = p[0], g = p[1], b = p[2];
    const double l = luma(r, g, b);
    a.histogram[static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(l), 255))] += 1;
    const uint8_t hi = std::max({p[0], p[1], p[2]});
    const uint8_t lo = std::min({p[0], p[1], p[2]});
    if (hi > 0) a.saturation += static_cast<double>(hi - lo) / static_cast<double>(hi);
    a.lumas.push_back(l);
    a.sum[0] += r;
    a.sum[1] += g;
    a.sum[2] += b;
    ++a.n;
  }
  return a;
}

}  // namespace

std::vector<AutoEnhance::Report::Item> AutoEnhance::Report::items() const {
  std::vector<Item> shown;
  if (std::abs(luz) >= 0.05) shown.push_back({"luz %@ EV", fixed(luz, 1, true)});
  if (blancos >= 1) shown.push_back({"blancos %@ %%", fixed(blancos, 0, false)});
  if (sombras >= 1) shown.push_back({"sombras +%@ %%", fixed(sombras, 0, false)});
  if (contraste >= 1) shown.push_back({"contraste +%@ %%", fixed(contraste, 0, false)});
  if (color >= 1) shown.push_back({"color +%@ %%", fixed(color, 0, false)});
  return shown;
}

std::string AutoEnhance::Report::summary(const Traducir& traducir) const {
  const auto tr = [&](std::string_view es) { return traducir ? traducir(es) : std::string(es); };
  const std::vector<Item> shown = items();
  if (shown.empty()) return tr("La foto ya estaba bien: no había nada que corregir");
  std::string list;
  for (const Item& item : shown) {
    if (!list.empty()) list += ", ";
    list += fill(tr(item.formato), item.valor);
  }
  return fill(tr("Mejorada — %@"), list);
}

int AutoEnhance::percentil(const Histogram& histogram, int64_t total, double p) {
  const double target = std::trunc(p * static_cast<double>(total));
  int64_t cumulative = 0;
  for (int b = 0; b < 256; ++b) {
    cumulative += histogram[static_cast<size_t>(b)];
    if (static_cast<double>(cumulative) >= target) return b;
  }
  return 255;
}

int64_t AutoEnhance::samplingStride(int64_t pixelCount) {
  return pixelCount < 400000 ? 1 : pixelCount / 200000;
}

AutoEnhance::Report AutoEnhance::apply(PixelCanvas& canvas) {
  const std::optional<Plan> plan = analyse(canvas);
  if (!plan) return {};
  rewrite(*plan, canvas);
  return plan->report;
}

std::optional<AutoEnhance::Plan> AutoEnhance::analyse(const PixelCanvas& canvas) {
  const int64_t count = canvas.width() * canvas.height();
  if (count < 1) return std::nullopt;
  const int64_t stride = samplingStride(count);
  const uint8_t* pixels = canvas.data().data();

  Analysis a = sample(pixels, count, stride);
  const int64_t n = a.n;
  if (n <= 16) return std::nullopt;
  const double nd = static_cast<double>(n);

  // Only the value at the 90th-percentile index matters, which a partial sort finds as well.
  const auto at = static_cast<size_t>(nd * 0.9);
  std::nth_element(a.lumas.begin(), a.lumas.begin() + static_cast<ptrdiff_t>(at), a.lumas.end());
  const double p90 = a.lumas[at];

  double bright[3] = {0, 0, 0};
  int64_t nb = 0;
  for (int64_t i = 0; i < count; i += stride) {
    const uint8_t* p = pixels + i * 4;
    if (!visible(p)) continue;
    const double r = p[0], g = p[1], b = p[2];
    if (luma(r, g, b) >= p90) {
      bright[0] += r;
      bright[1] += g;
      bright[2] += b;
      ++nb;
    }
  }

  Plan plan;
  Report& report = plan.report;
  if (nb > 8) {
    const double nbd = static_cast<double>(nb);
    const double mean[3] = {a.sum[0] / nd, a.sum[1] / nd, a.sum[2] / nd};
    const double brightMean[3] = {bright[0] / nbd, bright[1] / nbd, bright[2] / nbd};
    const double grey = (mean[0] + mean[1] + mean[2]) / 3;
    const double brightGrey = (brightMean[0] + brightMean[1] + brightMean[2]) / 3;
    double largest = 0;
    for (size_t c = 0; c < 3; ++c) {
      const double fromMean = mean[c] > 1 ? grey / mean[c] : 1;
      const double fromBright = brightMean[c] > 1 ? brightGrey / brightMean[c] : 1;
      plan.gain[c] = std::clamp((fromMean + fromBright) * 0.5, 0.88, 1.12);
      largest = std::max(largest, std::abs(plan.gain[c] - 1));
    }
    report.blancos = 100 * largest;
  }

  plan.lo = percentil(a.histogram, n, 0.004);
  plan.hi = percentil(a.histogram, n, 0.996);
  if (plan.hi - plan.lo < 24) {
    plan.lo = 0;
    plan.hi = 255;
  }
  const double lo = plan.lo;
  const double range = plan.hi - plan.lo;
  plan.med = percentil(a.histogram, n, 0.5);

  int64_t dark = 0;
  for (size_t b = 0; b <= 12; ++b) dark += a.histogram[b];
  plan.lift = std::min(static_cast<double>(dark) / nd * 1.2, 0.35);
  report.sombras = 100 * plan.lift;

  plan.contrast = std::clamp(0.32 - 0.22 * range / 255, 0.0, 0.22);
  report.contraste = 100 * plan.contrast;

  // The constant is ln(118 / 255): the median lands on 118 unless the gamma is clamped.
  const double x = std::clamp((plan.med - lo) / range, 0.02, 0.98);
  plan.gamma = std::clamp(-0.7705789206927613 / std::log(x), 0.72, 1.4);
  report.luz = -std::log2(plan.gamma);

  for (size_t c = 0; c < 3; ++c) {
    for (int v = 0; v < 256; ++v) {
      const double t = std::clamp((plan.gain[c] * v - lo) / range, 0.0, 1.0);
      const double p = std::pow(t, plan.gamma);
      double y = p + 2.2 * plan.lift * p * ((1 - p) * (1 - p));
      y = y + plan.contrast * (y * y * (3 - 2 * y) - y);
      plan.tables[c][static_cast<size_t>(v)] =
          y * 255 <= 0 ? uint8_t{0} : detail::roundToByte(std::min(y * 255, 255.0));
    }
  }

  const double saturation = a.saturation / nd;
  plan.boost = saturation < 0.22 ? std::min((0.22 - saturation) * 1.6, 0.18) : 0.0;
  report.color = 100 * plan.boost;
  return plan;
}

void AutoEnhance::rewrite(const Plan& plan, PixelCanvas& canvas) {
  const int64_t count = canvas.width() * canvas.height();
  uint8_t* pixels = canvas.data().data();
  const uint8_t* tr = plan.tables[0].data();
  const uint8_t* tg = plan.tables[1].data();
  const uint8_t* tb = plan.tables[2].data();
  if (!(plan.boost > 0)) {
    for (int64_t i = 0; i < count; ++i) {
      uint8_t* p = pixels + i * 4;
      p[0] = tr[p[0]];
      p[1] = tg[p[1]];
      p[2] = tb[p[2]];
    }
    return;
  }

  // The look-ups gather and cannot run in vector registers; the colour mix can, so a chunk at
  // a time is looked up, mixed, then stored.
  const double spread = 1 + plan.boost;
  double mapped[3][kChunk];
  int32_t mixed[3][kChunk];
  for (int64_t start = 0; start < count; start += kChunk) {
    const int64_t len = std::min(kChunk, count - start);
    uint8_t* run = pixels + start * 4;
    for (int64_t i = 0; i < len; ++i) {
      mapped[0][i] = tr[run[i * 4]];
      mapped[1][i] = tg[run[i * 4 + 1]];
      mapped[2][i] = tb[run[i * 4 + 2]];
    }
    for (int64_t i = 0; i < len; ++i) {
      const double r = mapped[0][i], g = mapped[1][i], b = mapped[2][i];
      const double y = luma(r, g, b);
      mixed[0][i] = detail::roundToByteValue(y + spread * (r - y));
      mixed[1][i] = detail::roundToByteValue(y + spread * (g - y));
      mixed[2][i] = detail::roundToByteValue(y + spread * (b - y));
    }
    for (int64_t i = 0; i < len; ++i) {
      run[i * 4] = static_cast<uint8_t>(mixed[0][i]);
      run[i * 4 + 1] = static_cast<uint8_t>(mixed[1][i]);
      run[i * 4 + 2] = static_cast<uint8_t>(mixed[2][i]);
    }
  }
}

}  // namespace corvalin::retouch
