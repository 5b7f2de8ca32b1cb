// The picture the test windows show: every pixel differs from its neighbours, so a capture
// one pixel off, scaled or in the wrong channel order never matches.
#pragma once

#include <cstdint>

namespace corvalin::tools::testing {

inline std::uint32_t patternPixel(std::uint32_t seed, int x, int y) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 0x9e3779b1u ^
                    static_cast<std::uint32_t>(y) * 0x85ebca77u ^ seed * 0xc2b2ae3du;
  h ^= h >> 15;
  h *= 0x2c1b3c6du;
  h ^= h >> 12;
  return 0xff000000u | (h & 0xffffffu);
}

// The colour of a simulated client-side shadow.
constexpr std::uint32_t kShadowPixel = 0xff303030u;

}  // namespace corvalin::tools::testing
