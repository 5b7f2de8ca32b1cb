// Presentation times for captured sound. Counting samples from an anchor keeps the times as
// steady as the sound card's clock; the server's latency says where the anchor belongs. That
// latency is noisy, and it is plainly wrong while a stream settles (a monitor can report half a
// second before it adjusts), so the anchor follows the median of how far the measured times
// stray from the count, and starts over when they stray too far to be noise. Stepping forward
// leaves a few milliseconds of silence; stepping back drops the samples that would land on
// sound already placed, so time only goes on.
// Plain C++; one instance per stream, called from that stream's thread.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace corvalin {

class RelojDeMuestras {
 public:
  static constexpr int kTasaHz = 48000;
  // Further than this from the count, a fragment starts a new count at once: the server
  // skipped or the stream stalled.
  static constexpr int64_t kSaltoUs = 80'000;
  // Fragments whose stray is looked at together, and the median stray that moves the anchor.
  static constexpr int kVentana = 40;
  static constexpr int64_t kDesvioUs = 6'000;

  // Where a fragment goes: its first `omitir` samples are dropped, the rest start at `ptsUs`.
  struct Lugar {
    int64_t ptsUs = 0;
    int omitir = 0;
  };
  // The place of `frames` samples that, measured against the wall clock, were captured from
  // `medidoUs` on (unknown: counted on from the fragments before). Successive calls are
  // successive fragments of one stream; the first must be measured.
  Lugar pts(std::optional<int64_t> medidoUs, int frames);
  bool contando() const { return contando_; }

 private:
  int64_t inicioUs_ = 0;
  int64_t muestras_ = 0;
  bool contando_ = false;
  int64_t finUs_ = INT64_MIN;  // where the sound handed out so far ends
  std::vector<int64_t> desvios_;
};

}  // namespace corvalin
