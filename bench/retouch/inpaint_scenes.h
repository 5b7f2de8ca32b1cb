// Fixed, seeded pictures and holes for measuring erase-and-fill, and the measures of a fill
// against the picture it erased: PSNR and SSIM of the filled pixels, and the detail ratio
// (mean gradient inside the fill over that of a ring around it; 1 = as textured as its
// surroundings, a blurry fill scores low even when its PSNR is good).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "retouch/pixel_canvas.h"
#include "retouch/pixel_mask.h"

namespace corvalin::retouch::scenes {

constexpr int64_t kWidth = 1920;
constexpr int64_t kHeight = 1080;

struct Hole {
  const char* name;
  int64_t x, y, w, h;
  bool stroke;  // painted with a round brush along its length rather than a rectangle
};

// The holes each picture is measured with, one at a time on a fresh copy. They lie where the
// truth can be told from the surroundings (texture, panels, borders, gradients), never over
// text or other unique content that no fill could know.
inline const std::array<Hole, 4> kPhotoHoles = {{{"20x20", 1310, 300, 20, 20, false},
                                                 {"80x80", 420, 640, 80, 80, false},
                                                 {"200x200", 860, 420, 200, 200, false},
                                                 {"600x40 stroke", 640, 860, 600, 40, true}}};
inline const std::array<Hole, 4> kInterfaceHoles = {{{"20x20", 1310, 300, 20, 20, false},
                                                     {"80x80", 60, 500, 80, 80, false},
                                                     {"200x200", 450, 760, 200, 200, false},
                                                     {"600x40 stroke", 140, 870, 600, 40, true}}};

inline PixelMask holeMask(const Hole& hole) {
  PixelMask mask(kWidth, kHeight);
  if (hole.stroke) {
    // A stroke as the brush lays it: dabs of radius h ÷ 2 every 2 pixels along the length.
    const double r = static_cast<double>(hole.h) / 2;
    const double y = static_cast<double>(hole.y) + r;
    for (double x = static_cast<double>(hole.x) + r; x <= static_cast<double>(hole.x + hole.w) - r;
         x += 2) {
      mask.paint(x, y, {r, 0.55, 1});
    }
  } else {
    for (int64_t y = hole.y; y < hole.y + hole.h; ++y) {
      for (int64_t x = hole.x; x < hole.x + hole.w; ++x) mask.set(x, y);
    }
  }
  return mask;
}

// Uniform in [0, 1) from the raw engine, so that every standard library draws the same.
inline double unit(std::mt19937& rng) {
  return static_cast<double>(rng()) / 4294967296.0;
}

// Smooth value noise: random values on a grid `cell` pixels apart, smoothstep-interpolated.
class ValueNoise {
 public:
  ValueNoise(int64_t w, int64_t h, int64_t cell, std::mt19937& rng)
      : cell_(cell), gw_(w / cell + 2), gh_(h / cell + 2) {
    values_.resize(static_cast<size_t>(gw_ * gh_));
    for (double& v : values_) v = unit(rng) * 2 - 1;
  }
  double at(int64_t x, int64_t y) const {
    const double fx = static_cast<double>(x) / static_cast<double>(cell_);
    const double fy = static_cast<double>(y) / static_cast<double>(cell_);
    const int64_t ix = static_cast<int64_t>(fx);
    const int64_t iy = static_cast<int64_t>(fy);
    const double tx = smooth(fx - static_cast<double>(ix));
    const double ty = smooth(fy - static_cast<double>(iy));
    auto v = [&](int64_t gx, int64_t gy) { return values_[static_cast<size_t>(gy * gw_ + gx)]; };
    return (1 - ty) * ((1 - tx) * v(ix, iy) + tx * v(ix + 1, iy)) +
           ty * ((1 - tx) * v(ix, iy + 1) + tx * v(ix + 1, iy + 1));
  }

 private:
  static double smooth(double t) { return t * t * (3 - 2 * t); }
  int64_t cell_, gw_, gh_;
  std::vector<double> values_;
};

inline uint8_t clampByte(double v) {
  return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// A photograph-like scene: a sky gradient over a horizon, below it foliage and ground made of
// several octaves of noise with colour variation, and sensor grain everywhere.
inline PixelCanvas photoScene(uint32_t seed = 20240611) {
  std::mt19937 rng(seed);
  const ValueNoise broad(kWidth, kHeight, 240, rng);
  const ValueNoise mid(kWidth, kHeight, 48, rng);
  const ValueNoise fine(kWidth, kHeight, 9, rng);
  const ValueNoise finer(kWidth, kHeight, 3, rng);
  const ValueNoise hue(kWidth, kHeight, 160, rng);
  std::vector<uint8_t> bytes(static_cast<size_t>(kWidth * kHeight * 4));
  for (int64_t y = 0; y < kHeight; ++y) {
    for (int64_t x = 0; x < kWidth; ++x) {
      const double horizon = 230 + 40 * broad.at(x, 0);
      double r, g, b;
      if (static_cast<double>(y) < horizon) {
        const double t = static_cast<double>(y) / horizon;
        r = 90 + 90 * t + 6 * mid.at(x, y);
        g = 140 + 70 * t + 6 * mid.at(x, y);
        b = 220 + 20 * t;
      } else {
        const double texture = 0.45 * broad.at(x, y) + 0.3 * mid.at(x, y) + 0.35 * fine.at(x, y) +
                               0.25 * finer.at(x, y);
        const double shade = 110 + 70 * texture;
        const double warm = hue.at(x, y);
        r = shade * (0.75 + 0.25 * warm);
        g = shade * 0.95;
        b = shade * (0.45 - 0.15 * warm);
      }
      const double grain = (unit(rng) - 0.5) * 10;
      uint8_t* p = bytes.data() + (y * kWidth + x) * 4;
      p[0] = clampByte(r + grain);
      p[1] = clampByte(g + grain);
      p[2] = clampByte(b + grain);
      p[3] = 255;
    }
  }
  return *PixelCanvas::fromRgba(kWidth, kHeight, std::move(bytes));
}

// An interface: a wallpaper gradient, a window with a title bar gradient, a side list and a
// content panel with rows of text-like marks and a row of buttons, and a second, dark window
// overlapping it.
inline PixelCanvas interfaceScene(uint32_t seed = 7) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> bytes(static_cast<size_t>(kWidth * kHeight * 4));
  auto put = [&](int64_t x, int64_t y, double r, double g, double b) {
    uint8_t* p = bytes.data() + (y * kWidth + x) * 4;
    p[0] = clampByte(r);
    p[1] = clampByte(g);
    p[2] = clampByte(b);
    p[3] = 255;
  };
  auto fill = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1, double r, double g, double b) {
    for (int64_t y = y0; y < y1; ++y) {
      for (int64_t x = x0; x < x1; ++x) put(x, y, r, g, b);
    }
  };
  for (int64_t y = 0; y < kHeight; ++y) {
    for (int64_t x = 0; x < kWidth; ++x) {
      const double t = static_cast<double>(x + y) / static_cast<double>(kWidth + kHeight);
      put(x, y, 59 + 96 * t, 90 + 92 * t, 122 + 85 * t);
    }
  }
  fill(0, 0, kWidth, 28, 32, 35, 38);
  auto window = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1, bool dark) {
    fill(x0 - 1, y0 - 1, x1 + 1, y1 + 1, 150, 150, 150);
    for (int64_t y = y0; y < y0 + 38; ++y) {
      const double t = static_cast<double>(y - y0) / 38;
      for (int64_t x = x0; x < x1; ++x) {
        put(x, y, dark ? 50 - 10 * t : 245 - 18 * t, dark ? 50 - 10 * t : 245 - 18 * t,
            dark ? 54 - 10 * t : 245 - 16 * t);
      }
    }
    fill(x0, y0 + 38, x1, y1, dark ? 30 : 250, dark ? 30 : 250, dark ? 30 : 250);
  };
  auto textRows = [&](int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t pitch, double ink) {
    for (int64_t y = y0; y + 9 < y1; y += pitch) {
      int64_t x = x0;
      const int64_t end = x1 - static_cast<int64_t>(unit(rng) * static_cast<double>(x1 - x0) / 3);
      while (x < end) {
        const int64_t word = 12 + static_cast<int64_t>(unit(rng) * 60);
        for (int64_t cx = x; cx < std::min(x + word, end); cx += 7) {
          const int64_t tall = unit(rng) < 0.3 ? 12 : 9;
          fill(cx, y + 12 - tall, cx + 2, y + 12, ink, ink, ink);
          fill(cx + 2, y + 5, cx + 5, y + 7, ink, ink, ink);
          fill(cx + 2, y + 10, cx + 5, y + 12, ink, ink, ink);
        }
        x += word + 8;
      }
    }
  };
  window(120, 90, 1180, 900, false);
  fill(120, 128, 360, 900, 243, 243, 243);
  textRows(150, 150, 340, 780, 26, 70);
  textRows(390, 150, 1160, 620, 26, 35);
  window(760, 400, 1800, 1000, true);
  textRows(776, 450, 1780, 990, 18, 160);
  for (int64_t b = 0; b < 3; ++b) {
    const int64_t x0 = 400 + b * 150;
    for (int64_t y = 800; y < 836; ++y) {
      const double t = static_cast<double>(y - 800) / 36;
      for (int64_t x = x0; x < x0 + 130; ++x) put(x, y, 53 - 20 * t, 132 - 25 * t, 228 - 30 * t);
    }
  }
  return *PixelCanvas::fromRgba(kWidth, kHeight, std::move(bytes));
}

struct Quality {
  double psnr = 0;
  double ssim = 0;
  double detail = 0;
};

inline double lumaAt(const PixelCanvas& c, int64_t x, int64_t y) {
  const uint8_t* p = c.data().data() + (y * c.width() + x) * 4;
  return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
}

// Sobel gradient magnitude of luma, ÷ 8; 0 at the picture's border.
inline double gradientAt(const PixelCanvas& c, int64_t x, int64_t y) {
  if (x < 1 || y < 1 || x >= c.width() - 1 || y >= c.height() - 1) return 0;
  auto l = [&](int64_t dx, int64_t dy) { return lumaAt(c, x + dx, y + dy); };
  const double gx = (l(1, -1) + 2 * l(1, 0) + l(1, 1)) - (l(-1, -1) + 2 * l(-1, 0) + l(-1, 1));
  const double gy = (l(-1, 1) + 2 * l(0, 1) + l(1, 1)) - (l(-1, -1) + 2 * l(0, -1) + l(1, -1));
  return std::sqrt(gx * gx + gy * gy) / 8;
}

// The fill's measures against the truth, over the pixels of `mask`. SSIM is the usual one
// (Wang et al. 2004) on luma with an 11 × 11 Gaussian window of σ 1.5, averaged over the
// window centres inside the hole; the detail ratio compares the hole with a 16-pixel ring.
inline Quality measure(const PixelCanvas& truth, const PixelCanvas& filled, const PixelMask& mask) {
  const int64_t w = truth.width();
  const int64_t h = truth.height();
  const int64_t x0 = std::max<int64_t>(mask.minX() - 16, 0);
  const int64_t y0 = std::max<int64_t>(mask.minY() - 16, 0);
  const int64_t x1 = std::min(w - 1, mask.maxX() + 16);
  const int64_t y1 = std::min(h - 1, mask.maxY() + 16);
  Quality q;

  double squared = 0;
  int64_t samples = 0;
  double gradHole = 0, gradRing = 0;
  int64_t inHole = 0, inRing = 0;
  for (int64_t y = y0; y <= y1; ++y) {
    for (int64_t x = x0; x <= x1; ++x) {
      if (mask.bit(x, y)) {
        const uint8_t* a = truth.data().data() + (y * w + x) * 4;
        const uint8_t* b = filled.data().data() + (y * w + x) * 4;
        for (int k = 0; k < 3; ++k) squared += (double(a[k]) - b[k]) * (double(a[k]) - b[k]);
        samples += 3;
        gradHole += gradientAt(filled, x, y);
        ++inHole;
      } else {
        gradRing += gradientAt(filled, x, y);
        ++inRing;
      }
    }
  }
  const double mse = squared / static_cast<double>(std::max<int64_t>(samples, 1));
  q.psnr = mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
  q.detail = gradRing > 0 ? (gradHole / double(inHole)) / (gradRing / double(inRing)) : 0;

  std::array<double, 11> kernel{};
  double ksum = 0;
  for (int i = 0; i < 11; ++i) ksum += kernel[i] = std::exp(-((i - 5) * (i - 5)) / (2 * 1.5 * 1.5));
  for (double& k : kernel) k /= ksum;
  const double c1 = (0.01 * 255) * (0.01 * 255);
  const double c2 = (0.03 * 255) * (0.03 * 255);
  double ssimSum = 0;
  int64_t ssimCount = 0;
  for (int64_t y = mask.minY(); y <= mask.maxY(); ++y) {
    for (int64_t x = mask.minX(); x <= mask.maxX(); ++x) {
      if (!mask.bit(x, y)) continue;
      double ma = 0, mb = 0, aa = 0, bb = 0, ab = 0;
      for (int dy = -5; dy <= 5; ++dy) {
        for (int dx = -5; dx <= 5; ++dx) {
          const int64_t sx = std::clamp<int64_t>(x + dx, 0, w - 1);
          const int64_t sy = std::clamp<int64_t>(y + dy, 0, h - 1);
          const double k = kernel[dy + 5] * kernel[dx + 5];
          const double a = lumaAt(truth, sx, sy);
          const double b = lumaAt(filled, sx, sy);
          ma += k * a;
          mb += k * b;
          aa += k * a * a;
          bb += k * b * b;
          ab += k * a * b;
        }
      }
      const double va = aa - ma * ma, vb = bb - mb * mb, cov = ab - ma * mb;
      ssimSum +=
          ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
      ++ssimCount;
    }
  }
  q.ssim = ssimCount > 0 ? ssimSum / static_cast<double>(ssimCount) : 0;
  return q;
}

}  // namespace corvalin::retouch::scenes
