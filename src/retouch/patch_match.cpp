#include "retouch/patch_match.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>
#include <utility>

namespace corvalin::retouch::inpaint {
namespace {

constexpr int64_t kSide = 2 * kPatchRadius + 1;

V4 load(const float* p) {
  V4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void store(float* p, V4 v) {
  std::memcpy(p, &v, sizeof v);
}

}  // namespace

// The hot loops are built twice, for AVX2 and for any x86-64, and the loader picks one. Not
// under ThreadSanitizer: the loader runs the picking code before the sanitizer is ready.
#if defined(__SANITIZE_THREAD__)
#define CORVALIN_CLONES
#else
#define CORVALIN_CLONES __attribute__((target_clones("avx2", "default")))
#endif

// Built twice, like patchMatch below.
CORVALIN_CLONES void CandidateBatch::evaluate(const float* img, int64_t w, int64_t t,
                                              const int64_t* sources, size_t count,
                                              const float* castigo, float limit, float* costs) {
  const int64_t stride = w * kLanes;
  const int64_t corner = kPatchRadius * w + kPatchRadius;
  Lane* lanes = lanes_.data();
  uint32_t* alive = alive_.data();
  for (size_t i = 0; i < count; ++i) {
    lanes[i] = {V4{0, 0, 0, 0}, img + (sources[i] - corner) * kLanes, castigo[sources[i]]};
    alive[i] = static_cast<uint32_t>(i);
  }
  size_t remaining = count;
  const float* tr = img + (t - corner) * kLanes;
  for (int64_t offset = 0; offset < kSide * stride && remaining > 0;
       offset += stride, tr += stride) {
    V4 target[kSide];
    for (int64_t k = 0; k < kSide; ++k) target[k] = load(tr + k * kLanes);
    size_t kept = 0;
    for (size_t j = 0; j < remaining; ++j) {
      const uint32_t i = alive[j];
      Lane& lane = lanes[i];
      const float* cr = lane.rows + offset;
      V4 a = lane.acc;
      for (int64_t k = 0; k < kSide; ++k) {
        const V4 d = target[k] - load(cr + k * kLanes);
        a += d * d;
      }
      lane.acc = a;
      alive[kept] = i;
      kept += !(((a[0] + a[1]) + a[2]) + lane.penalty > limit);
    }
    remaining = kept;
  }
  for (size_t i = 0; i < count; ++i) {
    const V4 a = lanes[i].acc;
    costs[i] = ((a[0] + a[1]) + a[2]) + lanes[i].penalty;
  }
}

bool PatchSearch::classify(const Level& level) {
  const std::vector<uint8_t> near = dilate(level.hole, level.w, level.h, kPatchRadius);
  const std::vector<uint8_t> off = level.outside.empty()
                                       ? std::vector<uint8_t>()
                                       : dilate(level.outside, level.w, level.h, kPatchRadius);
  const size_t n = static_cast<size_t>(level.size());
  esDestino.assign(n, 0);
  esOrigen.assign(n, 0);
  destinos.clear();
  origenes.clear();
  for (int64_t y = kPatchRadius; y < level.h - kPatchRadius; ++y) {
    for (int64_t x = kPatchRadius; x < level.w - kPatchRadius; ++x) {
      const int64_t i = y * level.w + x;
      if (near[i]) {
        esDestino[i] = 1;
        destinos.push_back(i);
      } else if (off.empty() || !off[i]) {
        esOrigen[i] = 1;
        origenes.push_back(i);
      }
    }
  }
  return origenes.size() >= 17 && !destinos.empty();
}

std::vector<float> smoothnessPenalty(const Level& level, const std::vector<int64_t>& origenes) {
  const int64_t w = level.w;
  const int64_t stride = w + 1;
  std::vector<double> sum(static_cast<size_t>(stride * (level.h + 1)), 0.0);
  std::vector<double> sumSq(sum.size(), 0.0);
  for (int64_t y = 0; y < level.h; ++y) {
    double row = 0;
    double rowSq = 0;
    for (int64_t x = 0; x < w; ++x) {
      const float* p = level.px(y * w + x);
      const double l = 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2];
      row += l;
      rowSq += l * l;
      sum[(y + 1) * stride + x + 1] = sum[y * stride + x + 1] + row;
      sumSq[(y + 1) * stride + x + 1] = sumSq[y * stride + x + 1] + rowSq;
    }
  }
  auto deviation = [&](int64_t i) {
    const int64_t x = i % w;
    const int64_t y = i / w;
    const int64_t top = (y - kPatchRadius) * stride;
    const int64_t bottom = (y + kPatchRadius + 1) * stride;
    const int64_t left = x - kPatchRadius;
    const int64_t right = x + kPatchRadius + 1;
    const double s = sum[bottom + right] - sum[top + right] - sum[bottom + left] + sum[top + left];
    const double sq =
        sumSq[bottom + right] - sumSq[top + right] - sumSq[bottom + left] + sumSq[top + left];
    const double mean = s / 49;
    return std::sqrt(std::max(sq / 49 - mean * mean, 0.0));
  };

  std::vector<float> penalty(static_cast<size_t>(level.size()), 0.0f);
  std::vector<double> sampled;
  for (size_t k = 0; k < origenes.size(); k += 8) sampled.push_back(deviation(origenes[k]));
  if (sampled.empty()) return penalty;
  const auto at = sampled.begin() + static_cast<int64_t>(static_cast<double>(sampled.size()) * 0.7);
  std::nth_element(sampled.begin(), at, sampled.end());
  const double reference = *at;
  for (const int64_t i : origenes) {
    const double shortfall = std::max(reference - deviation(i), 0.0);
    penalty[i] = static_cast<float>(147 * shortfall * shortfall);
  }
  return penalty;
}

namespace {

// The shrinking search radii R = max(w, h), R ÷ 2, … 1, each with its remainder by 2R + 1.
struct Radius {
  int64_t r;
  Divisor span;
};

// One run of targets on the same pixel row, as a sweep visits them: visit positions
// [begin, end) and the row.
struct Row {
  int64_t begin;
  int64_t end;
  int64_t y;
};

// Where a worker stands: the column it last finished on its current row, counted in the
// sweep's direction (so it only grows), or kRowDone.
constexpr int64_t kRowDone = std::numeric_limits<int64_t>::max();

struct alignas(64) Progress {
  std::atomic<int64_t> column{-1};
  // Set once `start` holds the generator's state at the row's first draw.
  std::atomic<bool> drawn{false};
  uint64_t start = 0;
};

int workerCount(int64_t targets, size_t rows) {
  const int wanted = hilosDeBusqueda.load(std::memory_order_relaxed);
  int n = wanted > 0 ? wanted : static_cast<int>(std::min(8u, std::thread::hardware_concurrency()));
  // Below a few thousand targets a sweep takes well under a millisecond: not worth a thread.
  if (wanted <= 0 && targets < 4096) n = 1;
  return std::clamp(n, 1, static_cast<int>(std::max<size_t>(rows, 1)));
}

}  // namespace

// Built twice: for any x86-64 and for processors with AVX2, picked when the program loads. The
// three-operand vector instructions take a third fewer instructions per patch row; the
// arithmetic is the same operations in the same order (never fused), so both give the same bytes.
//
// A sweep can run on several threads and give exactly what one thread gives. A target reads,
// besides what no sweep writes, only its own match and those of its two neighbours already
// visited: the one before it on its row and the one at its column on the row before. Its
// random offsets come from draws whose number per target is fixed, so the draws of a whole
// sweep are made first, in visiting order. The rows then go to the workers in turn, and a
// worker starts a target only once the row before has finished that column.
CORVALIN_CLONES void patchMatch(PatchSearch& search, const Level& level, Dado& dado) {
  const int64_t w = level.w;
  const int64_t h = level.h;
  const int64_t size = level.size();
  const float* img = level.img.data();
  const float* castigo = search.castigo.data();
  const uint8_t* esDestino = search.esDestino.data();
  const uint8_t* esOrigen = search.esOrigen.data();
  const int64_t* destinos = search.destinos.data();
  int64_t* nnf = search.nnf.data();
  float* distancias = search.distancias.data();
  const int64_t count = static_cast<int64_t>(search.destinos.size());
  if (count == 0) return;

  std::vector<Radius> radii;
  for (int64_t r = std::max(w, h); r >= 1; r /= 2) {
    radii.push_back({r, Divisor(static_cast<uint64_t>(2 * r + 1))});
  }
  const int64_t perTarget = static_cast<int64_t>(radii.size());
  constexpr float kNoLimit = std::numeric_limits<float>::infinity();
  const int64_t corner = kPatchRadius * w + kPatchRadius;
  // Pixel index to column and row without a division, twice per target: the quotient through
  // the reciprocal is exact or one off (indices stay far below 2^52), and one step corrects it.
  const double perRow = 1.0 / static_cast<double>(w);
  auto split = [w, perRow](int64_t i) {
    int64_t y = static_cast<int64_t>(static_cast<double>(i) * perRow);
    int64_t x = i - y * w;
    if (x < 0) {
      --y;
      x += w;
    } else if (x >= w) {
      ++y;
      x -= w;
    }
    return std::pair<int64_t, int64_t>{x, y};
  };

  // The rows of the forward visit; the backward visit takes them last to first.
  std::vector<Row> forward;
  for (int64_t k = 0; k < count; ++k) {
    const int64_t y = split(destinos[k]).second;
    if (forward.empty() || forward.back().y != y) forward.push_back({k, k, y});
    forward.back().end = k + 1;
  }
  std::vector<Row> backward;
  for (auto it = forward.rbegin(); it != forward.rend(); ++it) {
    backward.push_back({count - it->end, count - it->begin, it->y});
  }
  const int workers = workerCount(count, forward.size());
  // One more than the rows: the last holds the generator's state after the sweep.
  std::vector<Progress> progress(forward.size() + 1);
  size_t longest = 0;
  for (const Row& row : forward)
    longest = std::max(longest, static_cast<size_t>(row.end - row.begin));

  // Visits targets step by step; each worker has its own candidate scratch.
  struct Scratch {
    CandidateBatch batch;
    std::vector<int64_t> trial;
    std::vector<float> cost;
    std::vector<int16_t> jumps;  // per target of the row and radius, the offset in x and in y
    explicit Scratch(size_t capacity) : batch(capacity), trial(capacity), cost(capacity) {}
  };
  auto visit = [&](Scratch& s, int sweep, int64_t k, const int16_t* jump) {
    const int64_t step = sweep % 2 == 0 ? 1 : -1;
    const int64_t t = destinos[step > 0 ? k : count - 1 - k];
    int64_t bestSource = nnf[t];
    float best = distancias[t];
    // Candidates s.trial[0 … n) in order: one replaces the best only when strictly cheaper.
    auto tryCandidates = [&](size_t n) {
      s.batch.evaluate(img, w, t, s.trial.data(), n, castigo, best, s.cost.data());
      for (size_t i = 0; i < n; ++i) {
        if (s.cost[i] < best) {
          best = s.cost[i];
          bestSource = s.trial[i];
        }
      }
    };
    // The patches the random offsets point to from the current match (where the best after
    // propagation most often still is) are fetched while propagation is tried.
    {
      const auto [x, y] = split(bestSource);
      for (int64_t r = 0; r < perTarget; ++r) {
        const int64_t c = std::clamp((y + jump[2 * r + 1]) * w + x + jump[2 * r], corner, size - 1);
        __builtin_prefetch(img + (c - corner) * kLanes);
      }
    }
    // The current match's cost, on the first sweep, in full: nothing changes the level during
    // the four sweeps, so from the second sweep on the cost stored for a target is exactly
    // what recomputing it would give. Then the propagated candidates, tried in order.
    if (sweep == 0) s.batch.evaluate(img, w, t, &bestSource, 1, castigo, kNoLimit, &best);
    size_t n = 0;
    for (const int64_t offset : {step, step * w}) {
      const int64_t neighbour = t - offset;
      if (neighbour < 0 || neighbour >= size || !esDestino[neighbour] || nnf[neighbour] < 0) {
        continue;
      }
      const int64_t c = nnf[neighbour] + offset;
      // A candidate equal to the current match or to the one before costs the same, which is
      // never strictly lower: skipping it changes nothing. Where matches are coherent, this
      // is most propagated candidates.
      if (c < 0 || c >= size || !esOrigen[c] || c == bestSource || (n > 0 && c == s.trial[0])) {
        continue;
      }
      s.trial[n++] = c;
    }
    tryCandidates(n);

    // The random candidates around the best after propagation, tried in draw order.
    const auto [sx, sy] = split(bestSource);
    n = 0;
    for (int64_t r = 0; r < perTarget; ++r) {
      const int64_t cx = sx + jump[2 * r];
      const int64_t cy = sy + jump[2 * r + 1];
      if (cx < kPatchRadius || cx >= w - kPatchRadius || cy < kPatchRadius ||
          cy >= h - kPatchRadius) {
        continue;
      }
      const int64_t c = cy * w + cx;
      if (!esOrigen[c] || c == bestSource) continue;
      s.trial[n++] = c;
    }
    tryCandidates(n);
    nnf[t] = bestSource;
    distancias[t] = best;
  };

  // Each worker takes the next row not yet taken, so rows are taken in order and every row a
  // worker waits on is already someone's, however many workers there are. A row's random
  // offsets are drawn when the worker starts it, from where the row before left the
  // generator; the state after them is handed on at once, so rows draw in parallel too.
  std::atomic<size_t> nextRow{0};
  auto work = [&](int sweep) {
    const int64_t step = sweep % 2 == 0 ? 1 : -1;
    const std::vector<Row>& rows = step > 0 ? forward : backward;
    Scratch s(static_cast<size_t>(perTarget) + 3);
    s.jumps.resize(longest * static_cast<size_t>(perTarget) * 2);
    for (size_t j = nextRow.fetch_add(1); j < rows.size(); j = nextRow.fetch_add(1)) {
      int spins = 0;
      while (!progress[j].drawn.load(std::memory_order_acquire)) {
        if (++spins > 64) std::this_thread::yield();
      }
      Dado row{progress[j].start};
      int16_t* out = s.jumps.data();
      for (int64_t k = rows[j].begin; k < rows[j].end; ++k) {
        for (int64_t r = 0; r < perTarget; ++r) {
          *out++ = static_cast<int16_t>(static_cast<int64_t>(radii[r].span.remainder(row.next())) -
                                        radii[r].r);
          *out++ = static_cast<int16_t>(static_cast<int64_t>(radii[r].span.remainder(row.next())) -
                                        radii[r].r);
        }
      }
      progress[j + 1].start = row.state;
      progress[j + 1].drawn.store(true, std::memory_order_release);

      // Only the row just before in the sweep's direction is ever read from. It is usually
      // well ahead: its position is read again only when the last one seen is not far enough,
      // so the processors seldom trade that cache line.
      const bool waits = workers > 1 && j > 0 && rows[j - 1].y == rows[j].y - step;
      int64_t seen = -1;
      for (int64_t k = rows[j].begin; k < rows[j].end; ++k) {
        const int64_t x = split(destinos[step > 0 ? k : count - 1 - k]).first;
        const int64_t column = step > 0 ? x : w - 1 - x;
        if (waits && seen < column) {
          spins = 0;
          while ((seen = progress[j - 1].column.load(std::memory_order_acquire)) < column) {
            if (++spins > 64) std::this_thread::yield();
          }
        }
        visit(s, sweep, k, s.jumps.data() + (k - rows[j].begin) * perTarget * 2);
        if (workers > 1) progress[j].column.store(column, std::memory_order_release);
      }
      if (workers > 1) progress[j].column.store(kRowDone, std::memory_order_release);
    }
  };

  for (int sweep = 0; sweep < 4; ++sweep) {
    for (Progress& p : progress) {
      p.column.store(-1, std::memory_order_relaxed);
      p.drawn.store(false, std::memory_order_relaxed);
    }
    progress[0].start = dado.state;
    progress[0].drawn.store(true, std::memory_order_relaxed);
    nextRow.store(0, std::memory_order_relaxed);
    std::vector<std::thread> helpers;
    try {
      for (int id = 1; id < workers; ++id) helpers.emplace_back(work, sweep);
    } catch (const std::system_error&) {
      // No thread to be had: the workers already started, and this one, do every row.
    }
    work(sweep);
    for (std::thread& t : helpers) t.join();
    dado.state = progress.back().start;
  }
}

void vote(Level& level, PatchSearch& search) {
  double total = 0;
  int64_t counted = 0;
  for (const int64_t t : search.destinos) {
    if (search.distancias[t] < kUnmatched) {
      total += search.distancias[t];
      ++counted;
    }
  }
  const double mean = counted > 0 ? total / static_cast<double>(counted) : 0;
  const float sigma = counted == 0 || mean <= 1 ? 1.0f : static_cast<float>(mean);

  // Every pixel under a patch accumulates, hole or not, so that the loop has no branch; only
  // hole pixels are written. Sources lie wholly outside the hole, so the colours read are the
  // level as it was before this vote.
  const int64_t w = level.w;
  search.accumulators.assign(static_cast<size_t>(level.size() * kLanes), 0.0f);
  float* acc = search.accumulators.data();
  const float* img = level.img.data();
  const V4 weightLane = {0, 0, 0, 1};
  for (const int64_t t : search.destinos) {
    const int64_t s = search.nnf[t];
    if (s < 0) continue;
    const float weight = 1.0f / (search.distancias[t] / sigma + 1.0f);
    const V4 wv = {weight, weight, weight, weight};
    for (int64_t dy = -kPatchRadius; dy <= kPatchRadius; ++dy) {
      float* a = acc + (t + dy * w - kPatchRadius) * kLanes;
      const float* c = img + (s + dy * w - kPatchRadius) * kLanes;
      for (int64_t k = 0; k < kSide * kLanes; k += kLanes) {
        store(a + k, load(a + k) + wv * (load(c + k) + weightLane));
      }
    }
  }
  for (int64_t i = 0; i < level.size(); ++i) {
    const float* a = acc + i * kLanes;
    if (!level.hole[i] || !(a[3] > 0)) continue;
    float* out = level.px(i);
    for (int64_t k = 0; k < 3; ++k) out[k] = a[k] / a[3];
  }
}

void voteBest(Level& level, PatchSearch& search) {
  const int64_t w = level.w;
  search.bestCost.assign(static_cast<size_t>(level.size()), std::numeric_limits<float>::infinity());
  search.bestSource.assign(static_cast<size_t>(level.size()), -1);
  for (const int64_t t : search.destinos) {
    const int64_t s = search.nnf[t];
    if (s < 0) continue;
    const float d = search.distancias[t];
    for (int64_t dy = -kPatchRadius; dy <= kPatchRadius; ++dy) {
      const int64_t p0 = t + dy * w - kPatchRadius;
      const int64_t s0 = s + dy * w - kPatchRadius;
      float* cost = search.bestCost.data() + p0;
      int64_t* from = search.bestSource.data() + p0;
      for (int64_t k = 0; k < kSide; ++k) {
        const bool better = d < cost[k];
        cost[k] = better ? d : cost[k];
        from[k] = better ? s0 + k : from[k];
      }
    }
  }
  for (int64_t i = 0; i < level.size(); ++i) {
    const int64_t from = search.bestSource[i];
    if (!level.hole[i] || from < 0) continue;
    std::memcpy(level.px(i), level.px(from), 3 * sizeof(float));
  }
}

bool synthesize(Level& level, bool sharp, bool texture) {
  if (level.w < 15 || level.h < 15) return false;
  PatchSearch search;
  if (!search.classify(level)) return false;
  search.castigo = texture ? smoothnessPenalty(level, search.origenes)
                           : std::vector<float>(static_cast<size_t>(level.size()), 0.0f);
  search.nnf.assign(static_cast<size_t>(level.size()), -1);
  search.distancias.assign(static_cast<size_t>(level.size()), kUnmatched);

  Dado dado{0x9E3779B97F4A7C15ull};
  const Divisor sources(search.origenes.size());
  for (const int64_t t : search.destinos) {
    search.nnf[t] = search.origenes[sources.remainder(dado.next())];
  }
  const size_t targets = search.destinos.size();
  const int rounds = targets < 120001 ? 3 : (targets < 400001 ? 2 : 1);
  for (int round = 0; round < rounds; ++round) {
    patchMatch(search, level, dado);
    if (sharp && round == rounds - 1) {
      voteBest(level, search);
    } else {
      vote(level, search);
    }
  }
  if (sharp) {
    patchMatch(search, level, dado);
    voteBest(level, search);
  }
  return true;
}

}  // namespace corvalin::retouch::inpaint
