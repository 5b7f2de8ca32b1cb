// The bytes of a fill are part of its contract: the same canvas and mask give the same result
// on every build and after every rework of the engine's speed. These checks heal the benchmark
// pictures and compare a hash of the whole canvas with the one recorded when the fill last
// changed on purpose. A change here is a change of the fill itself and has to be made on
// purpose, with the new hashes recorded.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>

#include "inpaint_scenes.h"
#include "retouch/inpainter.h"
#include "retouch/patch_match.h"

namespace corvalin::retouch {
namespace {

// FNV-1a, 64 bits.
uint64_t fnv1a(std::span<const uint8_t> bytes) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (const uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  return h;
}

uint64_t healedHash(const PixelCanvas& picture, const PixelMask& mask, bool& ok) {
  PixelCanvas canvas = picture;
  ok = Inpainter::heal(canvas, mask);
  return fnv1a(canvas.data());
}

TEST(InpaintBytes, FillBytesStayTheSameAcrossOptimisationsOnTheBenchScenes) {
  const struct {
    PixelCanvas picture;
    const std::array<scenes::Hole, 4>& holes;
    uint64_t expected[4];
  } benches[] = {{scenes::photoScene(),
                  scenes::kPhotoHoles,
                  {0xe3f2e7547811c041ull, 0xc68a480d9fd533fcull, 0x7e3419237ded786aull,
                   0x6972f8e89a179d6bull}},
                 {scenes::interfaceScene(),
                  scenes::kInterfaceHoles,
                  {0x07b9f7a566782000ull, 0xbbf3781ea8ffe3f9ull, 0xf12a0daea1eadcf7ull,
                   0xd4c4f3d4ddf0eaeaull}}};
  for (const auto& b : benches) {
    for (size_t k = 0; k < b.holes.size(); ++k) {
      bool ok = false;
      const uint64_t hash = healedHash(b.picture, scenes::holeMask(b.holes[k]), ok);
      EXPECT_EQ(hash, b.expected[k]) << b.holes[k].name << " hashed 0x" << std::hex << hash;
      EXPECT_TRUE(ok) << b.holes[k].name;
    }
  }
}

// The patch search spreads its sweeps over threads: however many there are, and whatever
// order they happen to run in, the fill is the one a single thread gives. More threads than
// processors makes workers wait on each other at every row, the order most likely to expose
// a target read before the row above it was done.
TEST(InpaintBytes, TheFillIsTheSameWhateverTheNumberOfThreads) {
  struct Restore {
    ~Restore() { inpaint::hilosDeBusqueda = 0; }
  } restore;
  const PixelCanvas& photo = scenes::photoScene();
  const PixelMask mask = scenes::holeMask(scenes::kPhotoHoles[1]);
  for (const int threads : {1, 2, 3, 5}) {
    inpaint::hilosDeBusqueda = threads;
    bool ok = false;
    EXPECT_EQ(healedHash(photo, mask, ok), 0xc68a480d9fd533fcull) << threads << " threads";
    EXPECT_TRUE(ok);
  }
}

}  // namespace
}  // namespace corvalin::retouch
