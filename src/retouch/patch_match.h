// Patch synthesis on one level: a randomised nearest-patch search with 7 × 7 patches
// (PatchMatch) and the votes that turn its matches into colours. Internal to the inpainter;
// exposed for its tests and benchmarks.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "retouch/dado.h"
#include "retouch/inpaint_level.h"

namespace corvalin::retouch::inpaint {

inline constexpr int64_t kPatchRadius = 3;
inline constexpr float kUnmatched = std::numeric_limits<float>::max();

// Threads a patch search may use: 0 for one per processor (at most 8, and one for small
// searches). The result is the same for every count; tests set it to show that.
inline std::atomic<int> hilosDeBusqueda{0};

// Everything one synthesis works with, indexed by pixel index y × w + x of its level, allocated
// once per level so that the sweeps never allocate.
struct PatchSearch {
  std::vector<int64_t> nnf;         // centre of each target's source patch; −1 where unset
  std::vector<float> distancias;    // cost of each target's current match
  std::vector<uint8_t> esDestino;   // the pixel's patch touches the hole
  std::vector<uint8_t> esOrigen;    // the pixel's whole patch lies outside the hole
  std::vector<int64_t> destinos;    // targets, row-major
  std::vector<int64_t> origenes;    // sources, row-major
  std::vector<float> castigo;       // per-source penalty added to every match cost
  std::vector<float> accumulators;  // vote scratch: R, G, B and the weight sum per pixel
  std::vector<float> bestCost;      // voteBest scratch: lowest covering cost per pixel
  std::vector<int64_t> bestSource;  // voteBest scratch: where that pixel's colour comes from

  // Targets and sources of the level: pixels at least 3 from its edge whose 7 × 7 patch
  // touches the hole, and the others. Returns whether synthesis can run (17 or more sources,
  // at least one target).
  bool classify(const Level& level);
};

typedef float V4 __attribute__((vector_size(16)));

// The patch cost of candidate sources for one target: D(t, c) + castigo[c], where D is the sum
// of squared R, G, B differences over the 7 × 7 patches centred on t and c, each channel summed
// over the 49 pixels in row-major order and the three sums added as (R + G) + B.
//
// The candidates are evaluated side by side, one patch row at a time for all of them: each sum
// is a chain of dependent additions, and chains of different candidates overlap in the processor
// where one candidate at a time would wait on its own. A candidate stops after any complete row
// once its cost so far exceeds `limit`; its reported cost is then that partial cost, above
// `limit` and at most its full cost. Every term is non-negative and rounding is monotonic, so
// the full cost of a stopped candidate would also exceed `limit`: with `limit` the best cost so
// far, no decision differs from computing every cost in full, whatever the order of the
// candidates. Centres must lie at least 3 pixels inside the level.
class CandidateBatch {
 public:
  explicit CandidateBatch(size_t capacity) : lanes_(capacity), alive_(capacity) {}

  size_t capacity() const { return lanes_.size(); }

  // costs[i] for sources[i], i < count ≤ capacity.
  void evaluate(const float* img, int64_t w, int64_t t, const int64_t* sources, size_t count,
                const float* castigo, float limit, float* costs);

 private:
  struct Lane {
    V4 acc;
    const float* rows;  // the candidate's patch, top-left pixel
    float penalty;
  };
  std::vector<Lane> lanes_;
  std::vector<uint32_t> alive_;
};

// Penalty per source that discourages sources flatter than the surroundings' typical texture:
// 147 × (reference − std)² where std is the luma deviation over the source's patch and the
// reference the 70th percentile of it over every eighth source. w × h floats, zero elsewhere.
std::vector<float> smoothnessPenalty(const Level& level, const std::vector<int64_t>& origenes);

// Four sweeps over the targets (forward, backward, forward, backward): keep the current match,
// try the matches propagated from the two neighbours already visited, then random sources in a
// shrinking window around the best.
void patchMatch(PatchSearch& search, const Level& level, Dado& dado);

// Each hole pixel becomes the weighted mean of the colours the overlapping matched patches give
// it, weight 1 ÷ (cost ÷ mean cost + 1).
void vote(Level& level, PatchSearch& search);

// Each hole pixel takes its colour from the covering target with the lowest cost, the first in
// target order on ties: no averaging, for sharpness.
void voteBest(Level& level, PatchSearch& search);

// Searches and votes on one level: 3, 2 or 1 rounds by target count, the last voting for the
// best match on a sharp level, which also gets one final search and vote. The smoothness
// penalty applies only when the surroundings are a `texture` (see regularTexture): over flat
// areas with strong marks, text on paper or an interface, the 70th percentile of patch
// deviation is set by the marks, and the penalty would make plain background dearer than a
// patch with a piece of a letter in it. False, with the level unchanged, when the level is
// under 15 × 15 or there are too few sources or no targets.
bool synthesize(Level& level, bool sharp, bool texture);

}  // namespace corvalin::retouch::inpaint
