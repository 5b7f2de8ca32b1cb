#include "retouch/fill_crossings.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "retouch/fill_geometry.h"

namespace corvalin::retouch::inpaint {
namespace {

// Edge pieces this far from the hole (in pixels) tell where an edge runs.
constexpr double kEdgeReach = 12;

// An edge's direction is fitted on the stretch of it next to the hole, followed away from the
// hole up to this far, and only as long as it stays straight (every piece within this distance
// of one line: a staircase of antialiased pixels stays within it, a turn does not), so that an
// edge turning a corner just outside the hole (a table's rule meeting the next row's) is
// fitted on the part before the corner.
constexpr double kFitReach = 10;

constexpr double kStraightWorst = 0.8;

// A fit this long is sure of its direction.
constexpr double kSureReach = 6;

// Approximate Euclidean distance of every pixel to the nearest hole pixel: a two-pass chamfer
// with weights 3 and 4, divided by 3.
std::vector<float> distanceToHole(const Level& level) {
  const int64_t w = level.w;
  const int64_t h = level.h;
  constexpr int32_t kFar = std::numeric_limits<int32_t>::max() / 2;
  std::vector<int32_t> d(static_cast<size_t>(w * h));
  for (int64_t i = 0; i < w * h; ++i) d[i] = level.hole[i] ? 0 : kFar;
  auto relax = [&](int64_t i, int64_t x, int64_t y, int64_t dx, int64_t dy, int32_t cost) {
    const int64_t qx = x + dx;
    const int64_t qy = y + dy;
    if (qx < 0 || qy < 0 || qx >= w || qy >= h) return;
    d[i] = std::min(d[i], d[qy * w + qx] + cost);
  };
  for (int64_t y = 0; y < h; ++y) {
    for (int64_t x = 0; x < w; ++x) {
      const int64_t i = y * w + x;
      relax(i, x, y, -1, 0, 3);
      relax(i, x, y, -1, -1, 4);
      relax(i, x, y, 0, -1, 3);
      relax(i, x, y, 1, -1, 4);
    }
  }
  for (int64_t y = h; y-- > 0;) {
    for (int64_t x = w; x-- > 0;) {
      const int64_t i = y * w + x;
      relax(i, x, y, 1, 0, 3);
      relax(i, x, y, 1, 1, 4);
      relax(i, x, y, 0, 1, 3);
      relax(i, x, y, -1, 1, 4);
    }
  }
  std::vector<float> out(d.size());
  for (size_t i = 0; i < d.size(); ++i) out[i] = static_cast<float>(d[i]) / 3.0f;
  return out;
}

// A piece of boundary between two labelled pixels side by side (across) or one above the other.
struct EdgePiece {
  Point mid;
  int64_t first;  // the left or upper pixel
  int64_t second;
  int32_t a;  // its label
  int32_t b;  // the other's
  float distance;
};

bool samePair(const EdgePiece& p, const EdgePiece& q) {
  return (p.a == q.a && p.b == q.b) || (p.a == q.b && p.b == q.a);
}

// The straight line through the middles of some pieces: their centroid, the principal
// direction, and the root mean square distance of the middles from the line.
struct LineFit {
  double cx = 0, cy = 0;
  double dx = 1, dy = 0;
  double rms = 0;
  double worst = 0;  // the largest distance of a middle from the line
};

LineFit fitLine(const std::vector<EdgePiece>& pieces, const std::vector<size_t>& chosen) {
  LineFit f;
  const double n = static_cast<double>(chosen.size());
  for (const size_t e : chosen) {
    f.cx += pieces[e].mid.x;
    f.cy += pieces[e].mid.y;
  }
  f.cx /= n;
  f.cy /= n;
  double sxx = 0, syy = 0, sxy = 0;
  for (const size_t e : chosen) {
    const double dx = pieces[e].mid.x - f.cx;
    const double dy = pieces[e].mid.y - f.cy;
    sxx += dx * dx;
    syy += dy * dy;
    sxy += dx * dy;
  }
  const double mean = (sxx + syy) / 2;
  const double spread = std::sqrt(std::max((sxx - syy) * (sxx - syy) / 4 + sxy * sxy, 0.0));
  const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
  f.dx = std::cos(angle);
  f.dy = std::sin(angle);
  // Interfaces are drawn on the pixel grid: an edge made only of pieces between neighbours in
  // a row runs exactly down, one made only of pieces between neighbours in a column exactly
  // across, unless the pieces say otherwise by more than a few degrees.
  bool across = true, down = true;
  for (const size_t e : chosen) {
    const bool sideBySide = pieces[e].second == pieces[e].first + 1;
    across = across && !sideBySide;
    down = down && sideBySide;
  }
  if (down && std::fabs(f.dx) < 0.06) f.dx = 0, f.dy = 1;
  if (across && std::fabs(f.dy) < 0.06) f.dx = 1, f.dy = 0;
  f.rms = std::sqrt(std::max(mean - spread, 0.0) / n);
  for (const size_t e : chosen) {
    f.worst = std::max(
        f.worst, std::fabs(cross(f.dx, f.dy, pieces[e].mid.x - f.cx, pieces[e].mid.y - f.cy)));
  }
  return f;
}

// Fits a crossing to the pieces of one edge chosen next to the point where it touches the
// hole. `reach` is how far from the hole the chosen pieces go.
bool fitCrossing(const Level& level, const std::vector<EdgePiece>& pieces,
                 const std::vector<size_t>& near, Point touch, double reach, Crossing& out) {
  if (near.size() < 3) return false;
  const LineFit fit = fitLine(pieces, near);
  const double cx = fit.cx;
  const double cy = fit.cy;
  double dx = fit.dx;
  double dy = fit.dy;
  const double towards = (touch.x - cx) * dx + (touch.y - cy) * dy;
  if (std::fabs(towards) < 0.75) return false;  // the pieces do not lead up to the hole
  if (towards < 0) {
    dx = -dx;
    dy = -dy;
  }
  const double along = (touch.x - cx) * dx + (touch.y - cy) * dy;
  out.x = cx + along * dx;
  out.y = cy + along * dy;
  out.dx = dx;
  out.dy = dy;
  out.sure = reach >= kSureReach && fit.rms < 0.3;
  // The line must run on into the hole, not along it. It may graze a round brush outline on
  // the way in, and it may lie on the seam between two rows of pixels: either row counts.
  int enters = 0;
  for (int t = 1; t <= 6; ++t) {
    bool in = false;
    for (const double side : {-0.25, 0.25}) {
      const int64_t p = pixelAt(level, out.x + dx * t - dy * side, out.y + dy * t + dx * side);
      in = in || (p >= 0 && level.hole[p]);
    }
    enters += in ? 1 : 0;
  }
  if (enters < 4) return false;

  // Which label lies on which side, by a vote of the pieces.
  const int32_t a = pieces[near[0]].a;
  const int32_t b = pieces[near[0]].b;
  int64_t aLeft = 0, aRight = 0;
  for (const size_t e : near) {
    const EdgePiece& piece = pieces[e];
    const int64_t fx = piece.first % level.w;
    const int64_t fy = piece.first / level.w;
    const bool firstLeft = cross(dx, dy, static_cast<double>(fx) - piece.mid.x,
                                 static_cast<double>(fy) - piece.mid.y) > 0;
    const int32_t leftLabel = firstLeft ? piece.a : piece.b;
    (leftLabel == a ? aLeft : aRight) += 1;
  }
  out.left = aLeft >= aRight ? a : b;
  out.right = aLeft >= aRight ? b : a;

  // The colours on each side where the edge meets the hole.
  double sums[2][3] = {};
  int64_t counts[2] = {};
  for (const size_t e : near) {
    const EdgePiece& piece = pieces[e];
    if (piece.distance > 4) continue;
    for (const int64_t p : {piece.first, piece.second}) {
      const int32_t l = p == piece.first ? piece.a : piece.b;
      const int side = l == out.left ? 0 : 1;
      for (int64_t k = 0; k < 3; ++k) sums[side][k] += level.px(p)[k];
      ++counts[side];
      (side == 0 ? out.leftPixel : out.rightPixel) = p;
    }
  }
  if (counts[0] == 0 || counts[1] == 0) return false;
  for (int64_t k = 0; k < 3; ++k) {
    out.leftColour[k] = static_cast<float>(sums[0][k] / static_cast<double>(counts[0]));
    out.rightColour[k] = static_cast<float>(sums[1][k] / static_cast<double>(counts[1]));
  }
  return true;
}

}  // namespace

std::vector<Crossing> findCrossings(const Level& level, const Surfaces& surfaces) {
  const int64_t w = level.w;
  const int64_t h = level.h;
  const std::vector<float> distance = distanceToHole(level);
  const std::vector<int32_t>& lab = surfaces.edgeLabel;

  std::vector<EdgePiece> pieces;
  std::vector<int64_t> pieceAt(static_cast<size_t>(2 * w * h), -1);
  auto addPiece = [&](int64_t p, int64_t q, int64_t slot, double mx, double my) {
    if (lab[p] <= 0 || lab[q] <= 0 || lab[p] == lab[q]) return;
    const float d = std::min(distance[p], distance[q]);
    if (d > kEdgeReach) return;
    pieceAt[slot] = static_cast<int64_t>(pieces.size());
    pieces.push_back({{mx, my}, p, q, lab[p], lab[q], d});
  };
  for (int64_t y = 0; y < h; ++y) {
    for (int64_t x = 0; x < w; ++x) {
      const int64_t i = y * w + x;
      if (x + 1 < w)
        addPiece(i, i + 1, 2 * i, static_cast<double>(x) + 0.5, static_cast<double>(y));
      if (y + 1 < h)
        addPiece(i, i + w, 2 * i + 1, static_cast<double>(x), static_cast<double>(y) + 0.5);
    }
  }

  // Pieces of the same two labels that touch belong to one edge.
  std::vector<std::vector<size_t>> next(pieces.size());
  UnionFind groups(pieces.size());
  auto link = [&](size_t e, int64_t pixel, int64_t vertical) {
    if (pixel < 0 || pixel >= w * h) return;
    const int64_t other = pieceAt[2 * pixel + vertical];
    if (other >= 0 && samePair(pieces[e], pieces[static_cast<size_t>(other)])) {
      groups.join(e, static_cast<size_t>(other));
      next[e].push_back(static_cast<size_t>(other));
    }
  };
  for (size_t e = 0; e < pieces.size(); ++e) {
    const int64_t p = pieces[e].first;
    const int64_t x = p % w;
    if (pieces[e].second == p + 1) {
      link(e, p - w, 0);
      link(e, p + w, 0);
      link(e, p, 1);
      link(e, p - w, 1);
      if (x + 1 < w) {
        link(e, p + 1, 1);
        link(e, p - w + 1, 1);
      }
    } else {
      if (x > 0) {
        link(e, p - 1, 1);
        link(e, p - 1, 0);
        link(e, p + w - 1, 0);
      }
      if (x + 1 < w) link(e, p + 1, 1);
      link(e, p, 0);
      link(e, p + w, 0);
    }
  }
  std::vector<std::vector<size_t>> members(pieces.size());
  for (size_t e = 0; e < pieces.size(); ++e) members[groups.root(e)].push_back(e);

  std::vector<Crossing> crossings;
  std::vector<uint8_t> seen(pieces.size(), 0);
  for (const std::vector<size_t>& group : members) {
    if (group.size() < 3) continue;
    // Where the edge touches the hole: pieces next to it, gathered into clusters a few
    // pixels across.
    std::vector<std::vector<size_t>> touches;
    std::vector<Point> centres;
    for (const size_t e : group) {
      if (pieces[e].distance > 1.5f) continue;
      bool joined = false;
      for (size_t t = 0; t < touches.size() && !joined; ++t) {
        const double n = static_cast<double>(touches[t].size());
        if (std::hypot(pieces[e].mid.x - centres[t].x / n, pieces[e].mid.y - centres[t].y / n) <=
            3) {
          touches[t].push_back(e);
          centres[t].x += pieces[e].mid.x;
          centres[t].y += pieces[e].mid.y;
          joined = true;
        }
      }
      if (!joined) {
        touches.push_back({e});
        centres.push_back(pieces[e].mid);
      }
    }
    for (size_t t = 0; t < touches.size(); ++t) {
      const double n = static_cast<double>(touches[t].size());
      const Point touch{centres[t].x / n, centres[t].y / n};
      // Follow the edge away from the hole a step at a time while it stays straight.
      std::vector<size_t> chosen = touches[t];
      std::vector<size_t> ring = touches[t];
      for (const size_t e : chosen) seen[e] = 1;
      std::vector<size_t> visited = chosen;
      double reach = 0;
      while (!ring.empty()) {
        std::vector<size_t> step;
        for (const size_t e : ring) {
          for (const size_t o : next[e]) {
            if (seen[o]) continue;
            seen[o] = 1;
            visited.push_back(o);
            if (std::hypot(pieces[o].mid.x - touch.x, pieces[o].mid.y - touch.y) > kFitReach) {
              continue;
            }
            step.push_back(o);
          }
        }
        if (step.empty()) break;
        // A run of pieces all of one kind is an edge along the pixel grid; the first piece of
        // the other kind after it is a turn.
        auto sideBySide = [&](size_t e) { return pieces[e].second == pieces[e].first + 1; };
        const bool gridRun =
            chosen.size() >= 3 && std::all_of(chosen.begin(), chosen.end(), [&](size_t e) {
              return sideBySide(e) == sideBySide(chosen[0]);
            });
        if (gridRun && std::any_of(step.begin(), step.end(), [&](size_t e) {
              return sideBySide(e) != sideBySide(chosen[0]);
            })) {
          break;
        }
        std::vector<size_t> longer = chosen;
        longer.insert(longer.end(), step.begin(), step.end());
        if (longer.size() >= 3 && fitLine(pieces, longer).worst > kStraightWorst) break;
        chosen.swap(longer);
        for (const size_t e : step) {
          reach = std::max(reach, std::hypot(pieces[e].mid.x - touch.x, pieces[e].mid.y - touch.y));
        }
        ring.swap(step);
      }
      for (const size_t e : visited) seen[e] = 0;
      Crossing c;
      if (fitCrossing(level, pieces, chosen, touch, reach, c)) crossings.push_back(c);
    }
  }
  return crossings;
}

}  // namespace corvalin::retouch::inpaint
