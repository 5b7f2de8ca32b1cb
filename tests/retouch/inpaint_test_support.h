// Pictures with a known truth for the fill suites: a photograph-like texture and text on a
// plain background; holes painted into masks; and the measures a fill is judged by.
#pragma once

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "inpaint_scenes.h"
#include "retouch/pixel_canvas.h"
#include "retouch/pixel_mask.h"
#include "retouch/qimage_bridge.h"
#include "retouch_test_support.h"

namespace corvalin::retouch::testing {

using scenes::clampByte;

// Foliage-like texture: smooth noise at a few scales with a warm/cool tint and grain, seeded.
inline PixelCanvas photoTexture(int64_t w, int64_t h, uint32_t seed) {
  std::mt19937 rng(seed);
  const scenes::ValueNoise broad(w, h, 40, rng), mid(w, h, 12, rng), fine(w, h, 4, rng);
  return paintedCanvas(w, h, [&](int64_t x, int64_t y, uint8_t* p) {
    const double t = 0.5 * broad.at(x, y) + 0.4 * mid.at(x, y) + 0.35 * fine.at(x, y);
    const double shade = 120 + 60 * t + (scenes::unit(rng) - 0.5) * 8;
    p[0] = clampByte(shade * 0.85);
    p[1] = clampByte(shade);
    p[2] = clampByte(shade * 0.5);
  });
}

// Lines of text drawn in dark grey on a plain light background (or on `under`), 28 pixels
// apart, rendered by the platform's fonts.
inline PixelCanvas textPicture(int64_t w, int64_t h, const std::vector<std::string>& lines,
                               int pixelSize, const ColourAt& under = nullptr) {
  PixelCanvas base = under ? paintedCanvas(w, h, under) : flatCanvas(w, h, 246, 244, 238);
  QImage image = makeImage(base);
  {
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(QColor(40, 40, 44));
    for (size_t i = 0; i < lines.size(); ++i)
      painter.drawText(8, 24 + 28 * int(i), QString::fromStdString(lines[i]));
  }
  return *makeCanvas(image);
}

inline PixelMask rectMask(int64_t w, int64_t h, int64_t x0, int64_t y0, int64_t rw, int64_t rh) {
  PixelMask mask(w, h);
  for (int64_t y = y0; y < y0 + rh; ++y) {
    for (int64_t x = x0; x < x0 + rw; ++x) mask.set(x, y);
  }
  return mask;
}

// A round-brush stroke from (x0, y) to (x1, y), as the editor lays one down.
inline PixelMask strokeMask(int64_t w, int64_t h, double x0, double x1, double y, double radius) {
  PixelMask mask(w, h);
  for (double x = x0; x <= x1; x += 2) mask.paint(x, y, {radius, 0.55, 1});
  return mask;
}

// Per-channel differences of the masked pixels against the truth.
struct FillError {
  double rms = 0;     // over every channel of every filled pixel
  double within = 0;  // share of filled pixels whose channels all lie within `tolerance`
};

inline FillError fillError(const PixelCanvas& truth, const PixelCanvas& filled,
                           const PixelMask& mask, int tolerance) {
  FillError e;
  int64_t n = 0, close = 0;
  for (int64_t i = 0; i < truth.width() * truth.height(); ++i) {
    if (!mask.bits()[i]) continue;
    bool near = true;
    for (int k = 0; k < 3; ++k) {
      const double d = double(filled.data()[i * 4 + k]) - double(truth.data()[i * 4 + k]);
      e.rms += d * d;
      near = near && std::abs(d) <= tolerance;
    }
    close += near;
    ++n;
  }
  if (n == 0) return e;
  e.rms = std::sqrt(e.rms / double(3 * n));
  e.within = double(close) / double(n);
  return e;
}

// The pixels within `ring` of the mask (Chebyshev distance) but outside it: the surroundings
// a fill is compared with.
inline PixelMask ringAround(const PixelMask& mask, int64_t ring) {
  PixelMask around(mask.width(), mask.height());
  for (int64_t y = 0; y < mask.height(); ++y) {
    for (int64_t x = 0; x < mask.width(); ++x) {
      bool near = false;
      for (int64_t dy = -ring; dy <= ring && !near; ++dy) {
        for (int64_t dx = -ring; dx <= ring && !near; ++dx) near = mask.bit(x + dx, y + dy);
      }
      if (near && !mask.bit(x, y)) around.set(x, y);
    }
  }
  return around;
}

// Mean and standard deviation per channel of the masked pixels.
struct Spread {
  double mean[3] = {};
  double sd[3] = {};
};

inline Spread spread(const PixelCanvas& c, const PixelMask& mask) {
  Spread s;
  double sq[3] = {};
  int64_t n = 0;
  for (int64_t i = 0; i < c.width() * c.height(); ++i) {
    if (!mask.bits()[i]) continue;
    for (int k = 0; k < 3; ++k) {
      const double v = c.data()[i * 4 + k];
      s.mean[k] += v;
      sq[k] += v * v;
    }
    ++n;
  }
  for (int k = 0; k < 3 && n > 0; ++k) {
    s.mean[k] /= double(n);
    s.sd[k] = std::sqrt(std::max(sq[k] / double(n) - s.mean[k] * s.mean[k], 0.0));
  }
  return s;
}

// Mean luma gradient (central differences) over the masked pixels off the canvas's border.
inline double meanGradient(const PixelCanvas& c, const PixelMask& mask) {
  auto luma = [&](int64_t x, int64_t y) {
    const uint8_t* p = pixel(c, x, y);
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
  };
  double sum = 0;
  int64_t n = 0;
  for (int64_t y = 1; y < c.height() - 1; ++y) {
    for (int64_t x = 1; x < c.width() - 1; ++x) {
      if (!mask.bit(x, y)) continue;
      sum += std::hypot(luma(x + 1, y) - luma(x - 1, y), luma(x, y + 1) - luma(x, y - 1));
      ++n;
    }
  }
  return n > 0 ? sum / double(n) : 0;
}

// The picture with the masked pixels painted black, as a user's scribble over what to erase.
inline PixelCanvas blackened(PixelCanvas canvas, const PixelMask& mask) {
  for (int64_t i = 0; i < canvas.width() * canvas.height(); ++i) {
    if (mask.bits()[i]) std::fill_n(canvas.data().data() + i * 4, 3, 0);
  }
  return canvas;
}

// Whether every pixel outside the mask is byte for byte what it was, and every masked pixel
// is opaque.
inline ::testing::AssertionResult onlyMaskChangedAndOpaque(const PixelCanvas& before,
                                                           const PixelCanvas& after,
                                                           const PixelMask& mask) {
  for (int64_t i = 0; i < before.width() * before.height(); ++i) {
    const uint8_t* a = before.data().data() + i * 4;
    const uint8_t* b = after.data().data() + i * 4;
    if (mask.bits()[i] ? b[3] != 255 : !std::equal(a, a + 4, b)) {
      return ::testing::AssertionFailure()
             << "pixel " << i % before.width() << "," << i / before.width()
             << (mask.bits()[i] ? " filled but not opaque" : " changed outside the mask");
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace corvalin::retouch::testing
