// One-click correction of a whole picture: white balance, levels, a gamma that brings the
// median to a fixed grey, a shadow lift and a gentle S-curve, then more colour for dull
// pictures. Returns what it changed for a one-line summary.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvalin::retouch {

class PixelCanvas;

class AutoEnhance {
 public:
  struct Report {
    double luz = 0;        // exposure change, EV
    double blancos = 0;    // white-balance correction, percent
    double contraste = 0;  // contrast, percent
    double sombras = 0;    // shadow lift, percent
    double color = 0;      // saturation boost, percent

    friend bool operator==(const Report&, const Report&) = default;

    // One shown part of the summary: `formato` is the Spanish text with one "%@" (the key of
    // its interface text) and `valor` the number already formatted.
    struct Item {
      const char* formato;
      std::string valor;
      friend bool operator==(const Item&, const Item&) = default;
    };
    // The parts worth showing, in the order luz, blancos, sombras, contraste, color.
    std::vector<Item> items() const;

    // Looks a Spanish text up in the interface language; the identity gives Spanish.
    using Traducir = std::function<std::string(std::string_view es)>;
    // "Mejorada — luz -0.2 EV, …", or the already-fine text when nothing is shown.
    std::string summary(const Traducir& traducir = {}) const;
  };

  using Histogram = std::array<int64_t, 256>;

  // What the analysis decided: the report, the working values behind it and the per-channel
  // tables every pixel goes through.
  struct Plan {
    Report report;
    std::array<double, 3> gain{1, 1, 1};  // white balance, R G B
    int lo = 0;                           // levels: input black point
    int hi = 255;                         // levels: input white point
    int med = 0;                          // median luma bin
    double gamma = 1;
    double lift = 0;      // shadow lift, 0 … 0.35
    double contrast = 0;  // S-curve amount, 0.10 … 0.22
    double boost = 0;     // saturation boost, 0 … 0.18
    std::array<std::array<uint8_t, 256>, 3> tables{};
  };

  // Analyses the canvas and rewrites every pixel in place. An empty canvas, or one with 16 or
  // fewer visible samples, is left untouched and reported as all zeros.
  static Report apply(PixelCanvas& canvas);
  // The analysis alone; nothing when there is too little to analyse.
  static std::optional<Plan> analyse(const PixelCanvas& canvas);
  // Rewrites every pixel of the canvas through the plan.
  static void rewrite(const Plan& plan, PixelCanvas& canvas);

  // The smallest bin whose cumulative count reaches trunc(p × total); 255 if none does.
  static int percentil(const Histogram& histogram, int64_t total, double p);
  // Every how many pixels the analysis looks at one: all of a small picture, about 200 000 of
  // a large one.
  static int64_t samplingStride(int64_t pixelCount);
};

}  // namespace corvalin::retouch
