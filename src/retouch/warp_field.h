// Warp and pinch over one stroke: a displacement grid, sixteen times coarser than the
// picture, edited by each dab, through which the touched part of the canvas is resampled from
// the picture as it was when the stroke began, so that many small moves blur no more than one.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "retouch/brush.h"
#include "retouch/pixel_rect.h"

namespace corvalin::retouch {

class PixelCanvas;

class WarpField {
 public:
  static constexpr int64_t kPaso = 4;  // pixels between grid nodes

  explicit WarpField(const PixelCanvas& canvas);

  // One warp dab moving the picture by (to − from) around `to`. Returns the area to resample;
  // the zero rectangle when the points are equal or not finite, and then the field is kept.
  RectD push(PointD from, PointD to, const Brush& brush);
  // One pinch (haciaAdentro) or bulge step of strength `cantidad` around `at`. Returns the area
  // to resample; the zero rectangle, with the field kept, for a brush radius of 1 or less, a
  // zero strength, a centre whose nodes lie off the grid, or anything not finite.
  RectD pinch(PointD at, const Brush& brush, float cantidad, bool haciaAdentro);
  // Rewrites the canvas pixels of `rect` from the snapshot through the field. Does nothing for
  // an empty rectangle or a canvas of another size.
  void resample(PixelCanvas& canvas, const RectD& rect) const;

  // The field interpolated at pixel position (x, y): where the output pixel there looks, as an
  // offset into the snapshot.
  std::pair<float, float> desplazamiento(float x, float y) const;
  // One bilinear sample of the snapshot at (sx, sy), clamped to the picture, written as an
  // opaque pixel to the four bytes at `into`.
  void muestrear(float sx, float sy, uint8_t* into) const;

  int64_t width() const { return width_; }
  int64_t height() const { return height_; }
  int64_t cols() const { return cols_; }
  int64_t rows() const { return rows_; }
  // Displacement per node, row-major (gy × cols + gx), in pixels.
  std::span<const float> dx() const { return dx_; }
  std::span<const float> dy() const { return dy_; }
  std::span<const uint8_t> original() const { return original_; }

 private:
  // The grid row above a pixel row (as an index into the field) and how far below it.
  struct Cell {
    size_t k;
    float fy;
  };
  Cell cellRow(float y) const;
  // The field at fraction fx along cell i of the grid row starting at `top`, fy down to the
  // next.
  float mix(const float* top, int64_t i, float fx, float fy) const;

  std::vector<uint8_t> original_;
  int64_t width_;
  int64_t height_;
  int64_t cols_;
  int64_t rows_;
  std::vector<float> dx_;
  std::vector<float> dy_;
};

}  // namespace corvalin::retouch
