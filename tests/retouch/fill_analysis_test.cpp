// The parts of the fill that decide what a hole continues: the membrane between a surface's
// own pixels, and which surfaces count as plain or as texture. How the surfaces and edges are
// carried through a hole is judged on whole pictures in the fill suites.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "retouch/fill_surfaces.h"
#include "retouch/inpaint_level.h"
#include "retouch/membrane.h"

namespace corvalin::retouch::inpaint {
namespace {

using Colour = std::function<void(int64_t x, int64_t y, float* rgb)>;
using Inside = std::function<bool(int64_t x, int64_t y)>;

Level levelOf(int64_t w, int64_t h, const Colour& colour, const Inside& hole) {
  Level level(w, h);
  for (int64_t y = 0; y < h; ++y) {
    for (int64_t x = 0; x < w; ++x) {
      colour(x, y, level.px(y * w + x));
      level.hole[y * w + x] = hole(x, y) ? 1 : 0;
    }
  }
  return level;
}

bool inDisc(int64_t x, int64_t y, double cx, double cy, double r) {
  return std::hypot(static_cast<double>(x) - cx, static_cast<double>(y) - cy) < r;
}

std::vector<Role> rolesOf(const Level& level) {
  std::vector<Role> role(static_cast<size_t>(level.size()));
  for (int64_t i = 0; i < level.size(); ++i) role[i] = level.hole[i] ? Role::free : Role::fixed;
  return role;
}

TEST(Membrane, ReproducesFlatColoursAndLinearGradientsInAnyShapeOfHole) {
  const Colour flat = [](int64_t, int64_t, float* p) {
    p[0] = 250;
    p[1] = 251;
    p[2] = 252;
  };
  const Colour ramp = [](int64_t x, int64_t y, float* p) {
    p[0] = 20.0f + 0.9f * static_cast<float>(x) + 0.3f * static_cast<float>(y);
    p[1] = 200.0f - 0.5f * static_cast<float>(y);
    p[2] = 90.0f;
  };
  // A long brush stroke and a blob with a known island inside it.
  const Inside shapes[] = {
      [](int64_t x, int64_t y) { return x >= 10 && x < 290 && std::abs(y - 40) < 22; },
      [](int64_t x, int64_t y) { return inDisc(x, y, 150, 40, 34) && !inDisc(x, y, 160, 45, 6); },
  };
  for (const Colour& truth : {flat, ramp}) {
    for (const Inside& shape : shapes) {
      Level level = levelOf(300, 80, truth, shape);
      for (int64_t i = 0; i < level.size(); ++i) {
        if (level.hole[i]) level.px(i)[0] = level.px(i)[1] = level.px(i)[2] = 0;
      }
      ASSERT_TRUE(fillMembrane(level.img, rolesOf(level), level.w, level.h));
      float worst = 0;
      for (int64_t i = 0; i < level.size(); ++i) {
        if (!level.hole[i]) continue;
        float t[3];
        truth(i % level.w, i / level.w, t);
        for (int k = 0; k < 3; ++k) worst = std::max(worst, std::fabs(level.px(i)[k] - t[k]));
      }
      EXPECT_LT(worst, 0.05f);
    }
  }
}

TEST(Membrane, CutOffPixelsTakeTheNearestColour) {
  Level level = levelOf(
      40, 20, [](int64_t, int64_t, float* p) { p[0] = p[1] = p[2] = 0; },
      [](int64_t x, int64_t) { return x >= 20; });
  for (int64_t y = 0; y < 20; ++y) {
    for (int64_t x = 0; x < 20; ++x) level.px(y * 40 + x)[0] = x < 10 ? 100.0f : 200.0f;
  }
  std::vector<Role> role = rolesOf(level);
  // A wall of pixels that take no part keeps the free half from the fixed one: it takes the
  // colour nearest to it across the wall, from the coarser scales, never black.
  for (int64_t y = 0; y < 20; ++y) role[y * 40 + 19] = Role::none;
  ASSERT_TRUE(fillMembrane(level.img, role, level.w, level.h));
  for (int64_t y = 0; y < 20; ++y) {
    for (int64_t x = 20; x < 40; ++x) EXPECT_NEAR(level.px(y * 40 + x)[0], 200.0f, 0.5f);
  }
}

TEST(FillSurfaces, ShadingAndDitherArePlainGrainIsNot) {
  std::mt19937 rng(8);
  const auto none = [](int64_t, int64_t) { return false; };
  const Surfaces shaded = findSurfaces(levelOf(
      120, 90,
      [&](int64_t x, int64_t y, float* p) {
        const float v = 60.0f + 0.4f * static_cast<float>(x) + 0.3f * static_cast<float>(y);
        p[0] = p[1] = p[2] = std::round(v + static_cast<float>(rng() % 3) - 1.0f);
      },
      none));
  EXPECT_EQ(shaded.count(), 1);
  EXPECT_FALSE(shaded.isTexture(1));
  const Surfaces grain = findSurfaces(levelOf(
      120, 90,
      [&](int64_t, int64_t, float* p) {
        p[0] = p[1] = p[2] = 128.0f + static_cast<float>(rng() % 11) - 5.0f;
      },
      none));
  for (int64_t i = 0; i < 120 * 90; ++i) EXPECT_TRUE(grain.isTexture(grain.label[i])) << i;
}

}  // namespace
}  // namespace corvalin::retouch::inpaint
