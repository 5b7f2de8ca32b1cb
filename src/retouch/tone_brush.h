// Dodge and burn over one stroke: every dab recomputes its pixels from the picture as it was
// when the stroke began and the brush laid down there so far, so going over a place again
// strengthens the effect up to a ceiling instead of compounding it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "retouch/brush.h"
#include "retouch/pixel_rect.h"

namespace corvalin::retouch {

class PixelCanvas;

// The tones a dab acts on; stored by raw value.
enum class ToneRange : int { all = 0, highlights = 1, midtones = 2, shadows = 3 };

// In the order they are offered.
inline constexpr std::array<ToneRange, 4> kAllToneRanges = {
    ToneRange::all, ToneRange::highlights, ToneRange::midtones, ToneRange::shadows};

// A stored raw value; anything outside 0 … 3 reads as `all`.
ToneRange toneRangeFromRaw(int64_t raw);
// The Spanish label, which is also the key of its interface text.
const char* etiqueta(ToneRange range);

class ToneBrush {
 public:
  static constexpr double kDefaultStrength = 0.55;

  ToneBrush(const PixelCanvas& canvas, bool lighten, ToneRange range);

  // Writes one dab centred at (cx, cy) into `canvas` and returns the scan rectangle; the zero
  // rectangle when the dab misses the picture or `canvas` is not the size of the snapshot.
  PixelRect dab(PixelCanvas& canvas, double cx, double cy, const Brush& brush);

  bool lighten() const { return lighten_; }
  ToneRange range() const { return range_; }
  double strength() const { return strength_; }
  // The largest effect a fully covered pixel reaches, 0 … 0.55 in practice.
  void setStrength(double strength) { strength_ = strength; }

  int64_t width() const { return width_; }
  int64_t height() const { return height_; }
  std::span<const uint8_t> original() const { return original_; }
  // Brush laid down per pixel so far, 0 … 255.
  std::span<const uint8_t> acumulado() const { return acumulado_; }

 private:
  std::vector<uint8_t> original_;
  std::vector<uint8_t> acumulado_;
  int64_t width_;
  int64_t height_;
  bool lighten_;
  ToneRange range_;
  double strength_ = kDefaultStrength;
};

}  // namespace corvalin::retouch
