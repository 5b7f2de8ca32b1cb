// The seeded randomness of the fill: a 64-bit xorshift whose draws are reduced with unsigned
// remainders, and a remainder by a fixed divisor done with a multiplication, since a hardware
// division per draw costs more than the patch test the draw picks. Internal to the engines.
#pragma once

#include <cstdint>

namespace corvalin::retouch::inpaint {

// x ^= x << 13; x ^= x >> 7; x ^= x << 17; the new state is the draw. A zero state stays zero,
// so every seed used is a fixed non-zero constant.
struct Dado {
  uint64_t state;

  uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
};

// n mod d for every 64-bit n, exactly as the % operator gives it, from the quotient by a
// multiply-high and shifts (Granlund and Montgomery, "Division by invariant integers using
// multiplication", 1994, in the form without branches that libdivide uses): with L = ⌊log2 d⌋
// and m = 2^64 + ⌈2^(64+L) ÷ d⌉ − 2^64 kept in 64 bits, the quotient is
// (((n − hi(m·n)) >> 1) + hi(m·n)) >> L. Powers of two take m = 0 and L − 1.
class Divisor {
 public:
  explicit Divisor(uint64_t d) : d_(d == 0 ? 1 : d) {
    const int log = 63 - __builtin_clzll(d_);
    if ((d_ & (d_ - 1)) == 0) {
      magic_ = 0;
      shift_ = log > 0 ? log - 1 : 0;
      return;
    }
    const Wide power = static_cast<Wide>(1) << (64 + log);
    uint64_t proposed = static_cast<uint64_t>(power / d_);
    const uint64_t rest = static_cast<uint64_t>(power % d_);
    const uint64_t twice = rest + rest;
    proposed += proposed;
    if (twice >= d_ || twice < rest) ++proposed;
    magic_ = proposed + 1;
    shift_ = log;
  }

  uint64_t divisor() const { return d_; }

  uint64_t remainder(uint64_t n) const {
    if (d_ == 1) return 0;
    const uint64_t high = static_cast<uint64_t>((static_cast<Wide>(magic_) * n) >> 64);
    const uint64_t quotient = (((n - high) >> 1) + high) >> shift_;
    return n - quotient * d_;
  }

 private:
  __extension__ typedef unsigned __int128 Wide;

  uint64_t d_;
  uint64_t magic_ = 0;
  int shift_ = 0;
};

}  // namespace corvalin::retouch::inpaint
