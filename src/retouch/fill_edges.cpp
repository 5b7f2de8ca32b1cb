#include "retouch/fill_edges.h"

#include <algorithm>
#include <cmath>

#include "retouch/fill_geometry.h"

namespace corvalin::retouch::inpaint {
namespace {

// Two crossings are one edge when each points at the other within this angle (radians):
// straight edges agree to a degree or two, a bubble's rounded side by up to this much.
constexpr double kPairAngle = 0.45;

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
      const int64_t x = static_cast<int64_t>(std::floor(edge.xs[k] + 0.5));
      const int64_t y = static_cast<int64_t>(std::floor(edge.ys[k] + 0.5));
      forSquare(x, y, level.w, level.h, 1, [&](int64_t q) {
        if (std::hypot(static_cast<double>(q % level.w) - edge.xs[k],
                       static_cast<double>(q / level.w) - edge.ys[k]) <= 1.0) {
          map[q] = static_cast<int32_t>(e + 1);
        }
      });
    }
  }
  return map;
}

}  // namespace

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

EdgeBand bandAlongEdges(const Level& level, const std::vector<CarriedEdge>& edges) {
  EdgeBand out;
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
  return out;
}

}  // namespace corvalin::retouch::inpaint
