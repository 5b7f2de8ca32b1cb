#include "retouch/fill_partition.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <limits>
#include <utility>

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
// Two crossings are one edge when each points at the other within this angle (radians):
// straight edges agree to a degree or two, a bubble's rounded side by up to this much.
constexpr double kPairAngle = 0.45;
// A surface holding at least this share of the hole's boundary takes the hole pixels nearest
// to it; the others take only what nothing else reaches.
constexpr double kLeadingShare = 0.08;

struct Point {
  double x = 0;
  double y = 0;
};

double cross(double ax, double ay, double bx, double by) {
  return ax * by - ay * bx;
}

// The four neighbours of a pixel (left, right, up, down), −1 off the grid.
std::array<int64_t, 4> fourAround(int64_t i, int64_t w, int64_t h) {
  const int64_t x = i % w;
  const int64_t y = i / w;
  return {x > 0 ? i - 1 : -1, x + 1 < w ? i + 1 : -1, y > 0 ? i - w : -1, y + 1 < h ? i + w : -1};
}

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

class Groups {
 public:
  explicit Groups(size_t n) : parent_(n) {
    for (size_t i = 0; i < n; ++i) parent_[i] = i;
  }
  size_t root(size_t i) {
    while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
    return i;
  }
  void join(size_t a, size_t b) {
    a = root(a);
    b = root(b);
    if (a != b) parent_[std::max(a, b)] = std::min(a, b);
  }

 private:
  std::vector<size_t> parent_;
};

bool samePair(const EdgePiece& p, const EdgePiece& q) {
  return (p.a == q.a && p.b == q.b) || (p.a == q.b && p.b == q.a);
}

// The pixel whose centre lies nearest to a point, or −1 outside the level.
int64_t pixelAt(const Level& level, double x, double y) {
  const int64_t px = static_cast<int64_t>(std::floor(x + 0.5));
  const int64_t py = static_cast<int64_t>(std::floor(y + 0.5));
  if (px < 0 || py < 0 || px >= level.w || py >= level.h) return -1;
  return py * level.w + px;
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

// Whether two sides of crossings show the same surface: one label, or two plain pieces of one
// colour that the hole cut apart.
bool sameSurface(const Surfaces& surfaces, int32_t a, const float* aColour, int32_t b,
                 const float* bColour) {
  if (a == b) return true;
  if (surfaces.isTexture(a) || surfaces.isTexture(b)) return false;
  for (int64_t k = 0; k < 3; ++k) {
    if (std::fabs(aColour[k] - bColour[k]) > kSurfaceStep) return false;
  }
  return true;
}

// Share of the middle of a polyline (its first and last 15 % left out, where it leaves the
// crossings just outside the hole) that lies on hole pixels, sampled every half pixel.
double shareInHole(const Level& level, const std::vector<Point>& line) {
  std::vector<double> lengths(1, 0.0);
  for (size_t k = 0; k + 1 < line.size(); ++k) {
    lengths.push_back(lengths.back() +
                      std::hypot(line[k + 1].x - line[k].x, line[k + 1].y - line[k].y));
  }
  const double total = lengths.back();
  int64_t in = 0, all = 0;
  for (size_t k = 0; k + 1 < line.size(); ++k) {
    const double len = lengths[k + 1] - lengths[k];
    const int64_t steps = std::max<int64_t>(1, static_cast<int64_t>(std::ceil(len * 2)));
    for (int64_t s = 0; s < steps; ++s) {
      const double t = static_cast<double>(s) / static_cast<double>(steps);
      const double at = lengths[k] + t * len;
      if (at < 0.15 * total || at > 0.85 * total) continue;
      const int64_t p = pixelAt(level, line[k].x + t * (line[k + 1].x - line[k].x),
                                line[k].y + t * (line[k + 1].y - line[k].y));
      in += p >= 0 && level.hole[p] ? 1 : 0;
      ++all;
    }
  }
  return all > 0 ? static_cast<double>(in) / static_cast<double>(all) : 1.0;
}

double angleBetween(double ax, double ay, double bx, double by) {
  const double c = std::clamp(ax * bx + ay * by, -1.0, 1.0);
  return std::acos(c);
}

// The curve between two crossings of one edge: a cubic whose ends leave each crossing in its
// direction, which is the straight segment when the two directions are opposite and in line.
std::vector<Point> bridge(const Crossing& c1, const Crossing& c2) {
  const double len = std::hypot(c2.x - c1.x, c2.y - c1.y);
  const double k = len / 3;
  const Point p0{c1.x, c1.y};
  const Point p1{c1.x + c1.dx * k, c1.y + c1.dy * k};
  const Point p2{c2.x + c2.dx * k, c2.y + c2.dy * k};
  const Point p3{c2.x, c2.y};
  const int64_t n = std::max<int64_t>(2, static_cast<int64_t>(std::ceil(len * 2)));
  std::vector<Point> line;
  line.reserve(static_cast<size_t>(n + 3));
  line.push_back({c1.x - 2 * c1.dx, c1.y - 2 * c1.dy});
  for (int64_t s = 0; s <= n; ++s) {
    const double t = static_cast<double>(s) / static_cast<double>(n);
    const double u = 1 - t;
    line.push_back(
        {u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
         u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
  }
  line.push_back({c2.x - 2 * c2.dx, c2.y - 2 * c2.dy});
  return line;
}

CarriedEdge carried(const std::vector<Point>& line, int32_t left, int32_t right) {
  CarriedEdge edge;
  edge.left = left;
  edge.right = right;
  for (const Point& p : line) {
    edge.xs.push_back(p.x);
    edge.ys.push_back(p.y);
  }
  return edge;
}

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

// Whether the surface at known pixel `p` runs across the direction (dx, dy) there, at least a
// few pixels to each side: a rule, not the end of a letter's stroke.
bool runsAcross(const Level& level, const Surfaces& surfaces, int64_t p, double dx, double dy) {
  constexpr int64_t kSide = 6;
  const int32_t l = surfaces.edgeLabel[p];
  const bool alongX = std::fabs(dy) >= std::fabs(dx);  // across a mostly vertical way is x
  const int64_t x = p % level.w;
  const int64_t y = p / level.w;
  for (const int64_t sign : {-1, 1}) {
    for (int64_t k = 1; k <= kSide; ++k) {
      const int64_t qx = alongX ? x + sign * k : x;
      const int64_t qy = alongX ? y : y + sign * k;
      if (qx < 0 || qy < 0 || qx >= level.w || qy >= level.h) break;
      const int64_t q = qy * level.w + qx;
      if (level.hole[q]) break;  // the rule runs on under the hole
      if (surfaces.edgeLabel[q] != l) return false;
    }
  }
  return true;
}

// Whether the edge of a crossing leaves, within a few pixels behind it, a rule of label `l`
// that runs across its way.
bool leavesRule(const Level& level, const Surfaces& surfaces, const Crossing& c, int32_t l) {
  for (double back = 1; back <= 8; back += 0.5) {
    for (const double side : {-0.5, 0.5}) {
      const int64_t q =
          pixelAt(level, c.x - c.dx * back - c.dy * side, c.y - c.dy * back + c.dx * side);
      if (q < 0 || level.hole[q] || surfaces.edgeLabel[q] != l) continue;
      if (runsAcross(level, surfaces, q, c.dx, c.dy)) return true;
    }
  }
  return false;
}

// The pieces of carried edges, rasterised: for each pixel within a pixel of one, that edge's
// index + 1.
std::vector<int32_t> edgeMap(const Level& level, const std::vector<CarriedEdge>& edges) {
  std::vector<int32_t> map(static_cast<size_t>(level.size()), 0);
  for (size_t e = 0; e < edges.size(); ++e) {
    const CarriedEdge& edge = edges[e];
    for (size_t k = 0; k < edge.xs.size(); ++k) {
      for (int64_t dy = -1; dy <= 1; ++dy) {
        for (int64_t dx = -1; dx <= 1; ++dx) {
          const int64_t px = static_cast<int64_t>(std::floor(edge.xs[k] + 0.5)) + dx;
          const int64_t py = static_cast<int64_t>(std::floor(edge.ys[k] + 0.5)) + dy;
          if (px < 0 || py < 0 || px >= level.w || py >= level.h) continue;
          if (std::hypot(static_cast<double>(px) - edge.xs[k],
                         static_cast<double>(py) - edge.ys[k]) <= 1.0) {
            map[py * level.w + px] = static_cast<int32_t>(e + 1);
          }
        }
      }
    }
  }
  return map;
}

// Pairs the crossings of one edge on opposite sides of the hole, best aligned first. An edge
// may divide other surfaces at its two ends (a window's border under a side panel on the left
// and a content pane on the right): a straight pair whose one side matches is carried too, its
// other side left to what the surfaces there decide. The crossings left over meet in corners
// where their lines cross inside the hole, or run on until they meet an edge carried already.
std::vector<CarriedEdge> carryEdges(const Level& level, const Surfaces& surfaces,
                                    const std::vector<Crossing>& crossings,
                                    const std::vector<uint8_t>& leading,
                                    std::vector<std::pair<int32_t, int32_t>>& merges) {
  constexpr double kStraight = 0.06;
  constexpr double kRoughAngle = 1.2;
  struct Candidate {
    double score;
    size_t i, j;
    bool left, right;  // which side continues the same surface
    std::vector<Point> line;
  };
  auto matches = [&](const Crossing& c1, const Crossing& c2, bool& left, bool& right) {
    left = sameSurface(surfaces, c1.left, c1.leftColour, c2.right, c2.rightColour);
    right = sameSurface(surfaces, c1.right, c1.rightColour, c2.left, c2.leftColour);
  };
  std::vector<Candidate> candidates;
  const size_t n = crossings.size();
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      const Crossing& c1 = crossings[i];
      const Crossing& c2 = crossings[j];
      bool left = false, right = false;
      matches(c1, c2, left, right);
      if (!left && !right) continue;
      const double len = std::hypot(c2.x - c1.x, c2.y - c1.y);
      if (len < 1) continue;
      const double ux = (c2.x - c1.x) / len;
      const double uy = (c2.y - c1.y) / len;
      const double a1 = angleBetween(c1.dx, c1.dy, ux, uy);
      const double a2 = angleBetween(c2.dx, c2.dy, -ux, -uy);
      // A crossing whose own direction is rough is taken at its partner's word when that one
      // is sure and points straight at it: the edge is then a straight line.
      const bool leans1 = c1.sure && !c2.sure && a1 < kStraight && a2 < kRoughAngle;
      const bool leans2 = c2.sure && !c1.sure && a2 < kStraight && a1 < kRoughAngle;
      const bool straight = (a1 < kStraight && a2 < kStraight) || leans1 || leans2;
      if (!(left && right) && !straight) continue;
      if (!straight && (a1 > kPairAngle || a2 > kPairAngle)) continue;
      // A bend is believable when both ends turn the same way, as an arc does.
      const double turn1 = cross(c1.dx, c1.dy, ux, uy);
      const double turn2 = cross(-c2.dx, -c2.dy, ux, uy);
      if (!straight && turn1 * turn2 > 0) continue;
      Crossing e1 = c1;
      Crossing e2 = c2;
      if (leans1 || leans2) {
        // The rough end moves onto the sure one's line.
        const Crossing& sure = leans1 ? c1 : c2;
        Crossing& rough = leans1 ? e2 : e1;
        const double t = (rough.x - sure.x) * sure.dx + (rough.y - sure.y) * sure.dy;
        rough.x = sure.x + t * sure.dx;
        rough.y = sure.y + t * sure.dy;
        rough.dx = -sure.dx;
        rough.dy = -sure.dy;
      } else if (straight) {
        e1.dx = ux, e1.dy = uy;
        e2.dx = -ux, e2.dy = -uy;
      }
      std::vector<Point> line = bridge(e1, e2);
      if (shareInHole(level, {line.begin() + 1, line.end() - 1}) < 0.9) continue;
      candidates.push_back({a1 + a2 + (left && right ? 0 : 1), i, j, left, right, std::move(line)});
    }
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) { return a.score < b.score; });
  std::vector<uint8_t> used(n, 0);
  std::vector<CarriedEdge> edges;
  for (const Candidate& c : candidates) {
    if (used[c.i] || used[c.j]) continue;
    used[c.i] = used[c.j] = 1;
    const Crossing& c1 = crossings[c.i];
    const Crossing& c2 = crossings[c.j];
    edges.push_back(carried(c.line, c.left ? c1.left : 0, c.right ? c1.right : 0));
    if (c.left) merges.emplace_back(c1.left, c2.right);
    if (c.right) merges.emplace_back(c1.right, c2.left);
  }

  std::vector<Candidate> corners;
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      if (used[i] || used[j]) continue;
      const Crossing& c1 = crossings[i];
      const Crossing& c2 = crossings[j];
      bool left = false, right = false;
      matches(c1, c2, left, right);
      if (!left || !right) continue;
      const double det = cross(c1.dx, c1.dy, c2.dx, c2.dy);
      if (std::fabs(det) < 0.5) continue;  // closer to parallel than 30 degrees
      const double t1 = cross(c2.x - c1.x, c2.y - c1.y, c2.dx, c2.dy) / det;
      const double t2 = cross(c2.x - c1.x, c2.y - c1.y, c1.dx, c1.dy) / det;
      if (t1 <= 0 || t2 <= 0) continue;
      const Point corner{c1.x + t1 * c1.dx, c1.y + t1 * c1.dy};
      std::vector<Point> line = {{c1.x - 2 * c1.dx, c1.y - 2 * c1.dy},
                                 {c1.x, c1.y},
                                 corner,
                                 {c2.x, c2.y},
                                 {c2.x - 2 * c2.dx, c2.y - 2 * c2.dy}};
      if (shareInHole(level, {line.begin() + 1, line.end() - 1}) < 0.9) continue;
      corners.push_back({t1 + t2, i, j, true, true, std::move(line)});
    }
  }
  std::stable_sort(corners.begin(), corners.end(),
                   [](const Candidate& a, const Candidate& b) { return a.score < b.score; });
  for (const Candidate& c : corners) {
    if (used[c.i] || used[c.j]) continue;
    used[c.i] = used[c.j] = 1;
    edges.push_back(carried(c.line, crossings[c.i].left, crossings[c.i].right));
    merges.emplace_back(crossings[c.i].left, crossings[c.j].right);
    merges.emplace_back(crossings[c.i].right, crossings[c.j].left);
  }

  // The rest run straight on through the hole. One between two surfaces the hole is cut from
  // that meets a carried edge before it leaves the hole ends there, as a panel's border ends at
  // the window's. One of a rule that leaves the hole where a rule of its own kind runs across
  // its way (a table's column meeting the row rule the hole reaches down to) joins it. Letters
  // and the like only touch the hole and are not drawn into it.
  std::vector<int32_t> onEdge = edgeMap(level, edges);
  auto carry = [&](const Crossing& c, double x, double y) {
    std::vector<Point> line = {{c.x - 2 * c.dx, c.y - 2 * c.dy}, {c.x, c.y}, {x, y}};
    edges.push_back(carried(line, c.left, c.right));
    const std::vector<int32_t> more = edgeMap(level, {edges.back()});
    for (size_t k = 0; k < more.size(); ++k) {
      if (more[k] > 0) onEdge[k] = static_cast<int32_t>(edges.size());
    }
  };
  for (size_t i = 0; i < n; ++i) {
    if (used[i]) continue;
    const Crossing& c = crossings[i];
    const bool between =
        leading[static_cast<size_t>(c.left)] && leading[static_cast<size_t>(c.right)];
    bool inside = false;
    for (double t = 0.5;; t += 0.5) {
      const double x = c.x + c.dx * t;
      const double y = c.y + c.dy * t;
      const int64_t p = pixelAt(level, x, y);
      if (p < 0) break;
      if (between && onEdge[p] > 0 && t > 1.5) {
        carry(c, x, y);
        break;
      }
      if (level.hole[p]) {
        inside = true;
        continue;
      }
      if (!inside) continue;
      // Where it comes out, or a step or two further (the hole may stop just short of it): on
      // the rule it went in from (a table's grid is one run of pixels, the hole cuts one of its
      // lines), or on a rule across its way when it is a long straight rule itself or leaves
      // a rule across its way on the other side (a column between two row rules). The edge
      // runs between two rows or columns of pixels, so both count.
      bool joins = false;
      for (double ahead = 0; ahead <= 3 && !joins; ahead += 0.5) {
        for (const double side : {-0.5, 0.5}) {
          const int64_t q =
              pixelAt(level, x + c.dx * ahead - c.dy * side, y + c.dy * ahead + c.dx * side);
          if (q < 0 || level.hole[q]) continue;
          const int32_t l = surfaces.edgeLabel[q];
          if ((l != c.left && l != c.right) || leading[static_cast<size_t>(l)]) continue;
          const int64_t from = l == c.left ? c.leftPixel : c.rightPixel;
          const bool sameRun =
              from >= 0 && surfaces.run[q] >= 0 && surfaces.run[q] == surfaces.run[from];
          joins = joins || sameRun ||
                  ((c.sure || leavesRule(level, surfaces, c, l)) &&
                   runsAcross(level, surfaces, q, c.dx, c.dy));
        }
      }
      if (joins) carry(c, x, y);
      break;
    }
  }
  return edges;
}

// Hole pixels within a pixel of a carried edge take the label of their side of it; where two
// edges pass, the nearer one decides. Leaves 0 where no edge passes; fills in the coverage
// and the way across for the pixels the edge cuts.
void labelAlongEdges(const Level& level, const std::vector<CarriedEdge>& edges,
                     HolePartition& out) {
  const int64_t w = level.w;
  std::vector<int32_t>& label = out.label;
  label.assign(static_cast<size_t>(level.size()), 0);
  out.coverage.assign(label.size(), 1.0f);
  out.acrossX.assign(label.size(), 0.0f);
  out.acrossY.assign(label.size(), 0.0f);
  std::vector<float> nearest(label.size(), 2.0f);
  for (const CarriedEdge& edge : edges) {
    for (size_t k = 0; k + 1 < edge.xs.size(); ++k) {
      const double ax = edge.xs[k], ay = edge.ys[k];
      const double bx = edge.xs[k + 1], by = edge.ys[k + 1];
      const double len2 = (bx - ax) * (bx - ax) + (by - ay) * (by - ay);
      if (len2 <= 0) continue;
      const int64_t x0 =
          std::max<int64_t>(0, static_cast<int64_t>(std::floor(std::min(ax, bx))) - 2);
      const int64_t x1 = std::min(w - 1, static_cast<int64_t>(std::ceil(std::max(ax, bx))) + 2);
      const int64_t y0 =
          std::max<int64_t>(0, static_cast<int64_t>(std::floor(std::min(ay, by))) - 2);
      const int64_t y1 =
          std::min(level.h - 1, static_cast<int64_t>(std::ceil(std::max(ay, by))) + 2);
      for (int64_t y = y0; y <= y1; ++y) {
        for (int64_t x = x0; x <= x1; ++x) {
          const int64_t i = y * w + x;
          if (!level.hole[i]) continue;
          const double px = static_cast<double>(x), py = static_cast<double>(y);
          const double t =
              std::clamp(((px - ax) * (bx - ax) + (py - ay) * (by - ay)) / len2, 0.0, 1.0);
          const double d = std::hypot(px - (ax + t * (bx - ax)), py - (ay + t * (by - ay)));
          if (d > 1.0 || d >= nearest[i]) continue;
          const bool onLeft = cross(bx - ax, by - ay, px - ax, py - ay) >= 0;
          const int32_t side = onLeft ? edge.left : edge.right;
          if (side == 0) continue;  // that side is for the surfaces around it to decide
          nearest[i] = static_cast<float>(d);
          label[i] = side;
          const bool cut = d < 0.5 && (onLeft ? edge.right : edge.left) != 0;
          out.coverage[i] = cut ? static_cast<float>(0.5 + d) : 1.0f;
          // The unit normal of the segment, towards the other side.
          const double len = std::sqrt(len2);
          const double nx = -(by - ay) / len;
          const double ny = (bx - ax) / len;
          out.acrossX[i] = cut ? static_cast<float>(onLeft ? -nx : nx) : 0.0f;
          out.acrossY[i] = cut ? static_cast<float>(onLeft ? -ny : ny) : 0.0f;
        }
      }
    }
  }
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
  Groups groups(pieces.size());
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

HolePartition partitionHole(const Level& level, Surfaces& surfaces) {
  const int64_t w = level.w;
  const int64_t h = level.h;
  const int64_t n = level.size();
  HolePartition out;
  out.crossings = findCrossings(level, surfaces);
  std::vector<std::pair<int32_t, int32_t>> merges;
  out.edges = carryEdges(level, surfaces, out.crossings, leadingSurfaces(level, surfaces), merges);
  // Pieces of one surface on both sides of the hole become one, under the smaller label.
  Groups same(static_cast<size_t>(surfaces.count() + 1));
  for (const auto& [a, b] : merges) same.join(static_cast<size_t>(a), static_cast<size_t>(b));
  for (int32_t l = 1; l <= surfaces.count(); ++l) {
    const int32_t r = static_cast<int32_t>(same.root(static_cast<size_t>(l)));
    if (r != l) surfaces.merge(r, l);
  }
  for (CarriedEdge& edge : out.edges) {
    edge.left = static_cast<int32_t>(same.root(static_cast<size_t>(edge.left)));
    edge.right = static_cast<int32_t>(same.root(static_cast<size_t>(edge.right)));
  }
  labelAlongEdges(level, out.edges, out);
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
