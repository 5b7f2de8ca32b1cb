// Dust removal: finds the small dark specks inside a swept area (a black-hat on luma, then
// filters that keep isolated compact blobs and reject anything that looks like part of text)
// and removes each with the inpainter. Stateless.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace corvalin::retouch {

class PixelCanvas;
class PixelMask;

class SpotCleaner {
 public:
  static constexpr size_t kMaxBlobs = 4000;
  static constexpr size_t kMaxSpots = 600;

  // An inclusive box.
  struct Caja {
    int64_t minX = 0;
    int64_t minY = 0;
    int64_t maxX = -1;
    int64_t maxY = -1;
    friend bool operator==(const Caja&, const Caja&) = default;
  };

  // One 8-connected group of candidate pixels, in working-window coordinates.
  struct Blob {
    Caja caja;
    std::vector<int64_t> pixeles;  // y × window width + x
  };

  // One speck to remove, in canvas coordinates.
  struct Spot {
    int64_t minX = 0;
    int64_t minY = 0;
    int64_t maxX = -1;
    int64_t maxY = -1;
    std::vector<int64_t> pixels;  // y × canvas width + x
  };

  // The specks inside the swept `region` (a mask of the canvas's size), in discovery order, at
  // most kMaxSpots. `radius` (clamped to 1 … 24) is the largest speck half-size looked for;
  // `sensitivity` (0 … 1) how faint a speck may be. Reads only.
  static std::vector<Spot> spots(const PixelCanvas& in, const PixelMask& region, int64_t radius,
                                 double sensitivity);

  // Heals each spot in order on the same canvas, each with its own mask set pixel by pixel;
  // returns how many heals reported a patch fill.
  static int64_t remove(PixelCanvas& canvas, std::span<const Spot> spots);

  // How much darker than its closing a pixel must be to count: 60 at sensitivity 0 (and for
  // anything not above 0), 8 at 1 and above.
  static float threshold(double sensitivity);

  // Whether blob `index` sits in a row of at least two other blobs of similar height with
  // aligned tops or bottoms, close by, as letters of a word do.
  static bool enRenglon(std::span<const Blob> blobs, size_t index);
  // Whether blob `index` lies on or just beside a clearly taller blob, as the dot of an "i" or
  // a period does.
  static bool pegadoATexto(std::span<const Blob> blobs, size_t index);
};

}  // namespace corvalin::retouch
