#include "retouch/fill_partition.h"

#include <deque>
#include <utility>

#include "retouch/fill_geometry.h"

namespace corvalin::retouch::inpaint {
namespace {

// A surface holding at least this share of the hole's boundary takes the hole pixels nearest
// to it; the others take only what nothing else reaches.
constexpr double kLeadingShare = 0.08;

// Which surfaces hold a good share of the hole's boundary (and the one that holds most): the
// ones the hole is cut from, as opposed to letters that only touch it and rules that only run
// along it. A boundary pixel counts for its surface where the surface goes on away from the
// hole for a few pixels.
std::vector<uint8_t> leadingSurfaces(const Level& level, const Surfaces& surfaces) {
  constexpr int64_t kDepth = 3;
  const int64_t w = level.w;
  const int64_t h = level.h;
  const int32_t count = surfaces.count();
  std::vector<int64_t> share(static_cast<size_t>(count + 1), 0);
  int64_t total = 0;
  const int64_t steps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
  for (int64_t i = 0; i < level.size(); ++i) {
    if (!level.hole[i]) continue;
    const int64_t x = i % w;
    const int64_t y = i / w;
    for (const auto& step : steps) {
      const int64_t qx = x + step[0];
      const int64_t qy = y + step[1];
      if (qx < 0 || qy < 0 || qx >= w || qy >= h) continue;
      const int32_t l = surfaces.edgeLabel[qy * w + qx];
      if (level.hole[qy * w + qx] || l <= 0) continue;
      bool deep = true;
      for (int64_t d = 1; d <= kDepth && deep; ++d) {
        const int64_t ox = qx + step[0] * d;
        const int64_t oy = qy + step[1] * d;
        if (ox < 0 || oy < 0 || ox >= w || oy >= h) break;
        deep = surfaces.edgeLabel[oy * w + ox] == l;
      }
      if (!deep) continue;
      ++share[l];
      ++total;
    }
  }
  int32_t top = 0;
  for (int32_t l = 1; l <= count; ++l) {
    if (top == 0 || share[l] > share[top]) top = l;
  }
  std::vector<uint8_t> leading(static_cast<size_t>(count + 1), 0);
  for (int32_t l = 1; l <= count; ++l) {
    leading[l] = share[l] > 0 && (l == top || static_cast<double>(share[l]) >=
                                                  kLeadingShare * static_cast<double>(total));
  }
  return leading;
}

}  // namespace

HolePartition partitionHole(const Level& level, Surfaces& surfaces) {
  const int64_t w = level.w;
  const int64_t h = level.h;
  const int64_t n = level.size();
  HolePartition out;
  out.crossings = findCrossings(level, surfaces);
  std::vector<std::pair<int32_t, int32_t>> merges;
  out.edges = carryEdges(level, surfaces, out.crossings, leadingSurfaces(level, surfaces), merges);
  // Pieces of one surface on both sides of the hole become one, under the smaller label.
  UnionFind same(static_cast<size_t>(surfaces.count() + 1));
  for (const auto& [a, b] : merges) same.join(static_cast<size_t>(a), static_cast<size_t>(b));
  for (int32_t l = 1; l <= surfaces.count(); ++l) {
    const int32_t r = static_cast<int32_t>(same.root(static_cast<size_t>(l)));
    if (r != l) surfaces.merge(r, l);
  }
  for (CarriedEdge& edge : out.edges) {
    edge.left = static_cast<int32_t>(same.root(static_cast<size_t>(edge.left)));
    edge.right = static_cast<int32_t>(same.root(static_cast<size_t>(edge.right)));
  }
  EdgeBand band = bandAlongEdges(level, out.edges);
  out.label = std::move(band.label);
  out.coverage = std::move(band.coverage);
  out.acrossX = std::move(band.acrossX);
  out.acrossY = std::move(band.acrossY);
  std::vector<int32_t>& label = out.label;

  const std::vector<uint8_t> leading = leadingSurfaces(level, surfaces);
  // Each boundary pixel of the hole starts from a leading surface beside it if it has one.
  std::vector<int32_t> seed(static_cast<size_t>(n), 0);
  for (int64_t i = 0; i < n; ++i) {
    if (!level.hole[i]) continue;
    for (const int64_t q : fourAround(i, w, h)) {
      if (q < 0 || level.hole[q]) continue;
      const int32_t l = surfaces.edgeLabel[q];
      if (l > 0 && (seed[i] == 0 || (leading[l] && !leading[seed[i]]))) seed[i] = l;
    }
  }

  // Breadth-first growth through the hole, four ways, from its boundary: first from the
  // leading surfaces, then from the others into what is left. The pixels along carried edges
  // are walls: a side they leave open is for the surfaces around it to take, not for the
  // other side's surface to spread into. Whatever is walled off from every boundary takes the
  // label of the wall next to it.
  std::deque<int64_t> queue;
  auto grow = [&] {
    while (!queue.empty()) {
      const int64_t p = queue.front();
      queue.pop_front();
      for (const int64_t q : fourAround(p, w, h)) {
        if (q < 0 || !level.hole[q] || label[q] != 0) continue;
        label[q] = label[p];
        queue.push_back(q);
      }
    }
  };
  for (int64_t i = 0; i < n; ++i) {
    if (label[i] == 0 && seed[i] != 0 && leading[seed[i]]) {
      label[i] = seed[i];
      queue.push_back(i);
    }
  }
  grow();
  for (int64_t i = 0; i < n; ++i) {
    if (label[i] == 0 && seed[i] != 0) {
      label[i] = seed[i];
      queue.push_back(i);
    }
  }
  grow();
  for (int64_t i = 0; i < n; ++i) {
    if (level.hole[i] && label[i] != 0) queue.push_back(i);
  }
  grow();
  return out;
}

}  // namespace corvalin::retouch::inpaint
