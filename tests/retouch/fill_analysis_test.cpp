// The parts of the fill that decide what a hole continues: the membrane between a surface's
// own pixels, the surfaces around a hole, and the edges carried through it.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "retouch/fill_partition.h"
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

Colour flat(float r, float g, float b) {
  return [=](int64_t, int64_t, float* p) {
    p[0] = r;
    p[1] = g;
    p[2] = b;
  };
}

bool inDisc(int64_t x, int64_t y, double cx, double cy, double r) {
  return std::hypot(static_cast<double>(x) - cx, static_cast<double>(y) - cy) < r;
}

// The largest difference on any channel between the filled hole and `truth`.
float largestError(const Level& level, const Colour& truth) {
  float worst = 0;
  for (int64_t i = 0; i < level.size(); ++i) {
    if (!level.hole[i]) continue;
    float t[3];
    truth(i % level.w, i / level.w, t);
    for (int k = 0; k < 3; ++k) worst = std::max(worst, std::fabs(level.px(i)[k] - t[k]));
  }
  return worst;
}

std::vector<Role> rolesOf(const Level& level) {
  std::vector<Role> role(static_cast<size_t>(level.size()));
  for (int64_t i = 0; i < level.size(); ++i) role[i] = level.hole[i] ? Role::free : Role::fixed;
  return role;
}

TEST(Membrane, ReproducesFlatColoursAndLinearGradientsInAnyShapeOfHole) {
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
  for (const Colour& truth : {flat(250, 251, 252), ramp}) {
    for (const Inside& shape : shapes) {
      Level level = levelOf(300, 80, truth, shape);
      for (int64_t i = 0; i < level.size(); ++i) {
        if (level.hole[i]) level.px(i)[0] = level.px(i)[1] = level.px(i)[2] = 0;
      }
      ASSERT_TRUE(fillMembrane(level.img, rolesOf(level), level.w, level.h));
      EXPECT_LT(largestError(level, truth), 0.05f);
    }
  }
}

// Pixels of another surface below the hole take no part: the gradient runs on into the hole's
// lower rows as it runs outside, instead of flattening out against them.
TEST(Membrane, AGradientRunsUnbentUpToAWallOfAnotherSurface) {
  const Colour shade = [](int64_t, int64_t y, float* p) {
    p[0] = p[1] = p[2] = 236.0f - 0.7f * static_cast<float>(y);
  };
  Level level = levelOf(
      80, 60, shade, [](int64_t x, int64_t y) { return x >= 20 && x < 60 && y >= 10 && y < 60; });
  std::vector<Role> role = rolesOf(level);
  for (int64_t x = 0; x < 80; ++x) {
    for (int64_t y = 40; y < 60; ++y) {
      if (role[y * 80 + x] == Role::fixed) role[y * 80 + x] = Role::none;
    }
    for (int64_t y = 40; y < 60; ++y) {
      if (role[y * 80 + x] == Role::free) role[y * 80 + x] = Role::none;
    }
  }
  ASSERT_TRUE(fillMembrane(level.img, role, level.w, level.h));
  for (int64_t y = 10; y < 40; ++y) {
    for (int64_t x = 20; x < 60; ++x) {
      EXPECT_NEAR(level.px(y * 80 + x)[0], 236.0f - 0.7f * static_cast<float>(y), 0.1f)
          << x << "," << y;
    }
  }
}

TEST(Membrane, CutOffPixelsTakeTheNearestColourAndNothingFixedMeansNothingDone) {
  Level level = levelOf(40, 20, flat(0, 0, 0), [](int64_t x, int64_t) { return x >= 20; });
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
  std::vector<float> before = level.img;
  std::vector<Role> none(role.size(), Role::free);
  EXPECT_FALSE(fillMembrane(level.img, none, level.w, level.h));
  EXPECT_EQ(level.img, before);
}

// A window: a grey page, a white card with a one-pixel border, letters on the card, and a
// photograph-like patch of grain at the right.
Level windowLevel(const Inside& hole) {
  std::mt19937 rng(3);
  std::vector<float> grain(200 * 120);
  for (float& g : grain) g = static_cast<float>(rng() % 21) - 10.0f;
  return levelOf(
      200, 120,
      [&](int64_t x, int64_t y, float* p) {
        float v[3] = {240, 242, 246};  // page
        if (x >= 20 && x <= 120 && y >= 20 && y <= 100) {
          const bool border = x == 20 || x == 120 || y == 20 || y == 100;
          v[0] = v[1] = v[2] = border ? 200.0f : 255.0f;
          if (!border && y >= 44 && y < 50 && x >= 40 && x < 90 && x % 7 < 2) {
            v[0] = v[1] = v[2] = 40;  // letters' stems
          }
        }
        if (x >= 150) {
          const float t = 110 + grain[y * 200 + x];
          v[0] = t * 0.8f, v[1] = t, v[2] = t * 0.5f;
        }
        std::copy(v, v + 3, p);
      },
      hole);
}

TEST(FillSurfaces, PlainPanelsRulesTexturesAndTheSmallPiecesBetweenThem) {
  const Level level = windowLevel([](int64_t, int64_t) { return false; });
  const Surfaces s = findSurfaces(level);
  auto at = [&](int64_t x, int64_t y) { return s.label[y * 200 + x]; };
  const int32_t page = at(5, 5), card = at(60, 70), border = at(20, 60), grain = at(175, 60);
  EXPECT_GT(page, 0);
  EXPECT_GT(card, 0);
  EXPECT_GT(border, 0);
  EXPECT_GT(grain, 0);
  EXPECT_NE(page, card);
  EXPECT_NE(border, card);
  EXPECT_FALSE(s.isTexture(page));
  EXPECT_FALSE(s.isTexture(border));
  EXPECT_TRUE(s.isTexture(grain));
  EXPECT_EQ(at(120, 30), border);  // the border's four sides are one surface
  EXPECT_EQ(at(150, 60), grain);   // the texture's outermost column is still the texture
  // A letter's stem is a small piece; for its edges it counts with the card around it.
  EXPECT_EQ(at(42, 45), 0);
  EXPECT_EQ(s.edgeLabel[45 * 200 + 42], card);
  EXPECT_NEAR(s.info[static_cast<size_t>(card)].mean[0], 255.0f, 0.01f);
}

TEST(FillSurfaces, ShadingAndDitherArePlainGrainIsNot) {
  std::mt19937 rng(8);
  auto dithered = [&](int64_t x, int64_t y, float* p) {
    const float v = 60.0f + 0.4f * static_cast<float>(x) + 0.3f * static_cast<float>(y);
    p[0] = p[1] = p[2] = std::round(v + static_cast<float>(rng() % 3) - 1.0f);
  };
  const Surfaces shaded =
      findSurfaces(levelOf(120, 90, dithered, [](int64_t, int64_t) { return false; }));
  EXPECT_EQ(shaded.count(), 1);
  EXPECT_FALSE(shaded.isTexture(1));
  auto grainy = [&](int64_t, int64_t, float* p) {
    p[0] = p[1] = p[2] = 128.0f + static_cast<float>(rng() % 11) - 5.0f;
  };
  const Surfaces grain =
      findSurfaces(levelOf(120, 90, grainy, [](int64_t, int64_t) { return false; }));
  for (int64_t i = 0; i < 120 * 90; ++i) EXPECT_TRUE(grain.isTexture(grain.label[i])) << i;
}

TEST(FillPartition, ARuleAcrossTheHoleIsCarriedThroughAndItsTwoEndsBecomeOne) {
  // The card's left border runs down through a hole that spans page, border and card.
  Level level =
      windowLevel([](int64_t x, int64_t y) { return x >= 5 && x < 60 && y >= 50 && y < 70; });
  Surfaces s = findSurfaces(level);
  const int32_t above = s.label[40 * 200 + 20];
  const int32_t below = s.label[80 * 200 + 20];
  const HolePartition part = partitionHole(level, s);
  ASSERT_GE(part.crossings.size(), 4u);
  for (const Crossing& c : part.crossings) {
    EXPECT_NEAR(std::fabs(c.dy), 1.0, 1e-6);
    EXPECT_TRUE(std::fabs(c.x - 19.5) < 1e-6 || std::fabs(c.x - 20.5) < 1e-6) << c.x;
  }
  const int32_t rule = s.label[40 * 200 + 20];
  EXPECT_EQ(s.label[80 * 200 + 20], rule);  // merged
  EXPECT_TRUE(above == rule || below == rule);
  const int32_t page = s.label[5 * 200 + 2];
  const int32_t card = s.label[60 * 200 + 70];
  for (int64_t y = 50; y < 70; ++y) {
    EXPECT_EQ(part.label[y * 200 + 19], page) << y;
    EXPECT_EQ(part.label[y * 200 + 20], rule) << y;
    EXPECT_EQ(part.label[y * 200 + 21], card) << y;
    EXPECT_EQ(part.label[y * 200 + 6], page) << y;
    EXPECT_EQ(part.label[y * 200 + 58], card) << y;
  }
}

TEST(FillPartition, StripesKeepTheirRowsAndACornerMeetsInsideTheHole) {
  // Rows of a striped table: white, grey from y 30 to 59, white; the hole crosses all three.
  const Colour stripes = [](int64_t, int64_t y, float* p) {
    p[0] = p[1] = p[2] = (y >= 30 && y < 60) ? 236.0f : 255.0f;
  };
  Level table = levelOf(300, 90, stripes, [](int64_t x, int64_t y) {
    return x >= 20 && x < 280 && y >= 22 && y < 68;
  });
  Surfaces ts = findSurfaces(table);
  const HolePartition rows = partitionHole(table, ts);
  const int32_t upper = ts.label[5 * 300 + 150];
  const int32_t grey = ts.label[45 * 300 + 5];
  const int32_t lower = ts.label[85 * 300 + 150];
  for (int64_t x = 20; x < 280; x += 13) {
    EXPECT_EQ(rows.label[29 * 300 + x], upper) << x;
    EXPECT_EQ(rows.label[30 * 300 + x], grey) << x;
    EXPECT_EQ(rows.label[45 * 300 + x], grey) << x;
    EXPECT_EQ(rows.label[59 * 300 + x], grey) << x;
    EXPECT_EQ(rows.label[60 * 300 + x], lower) << x;
  }

  // The card's top-left corner lies inside a round hole: its two sides meet there.
  Level corner = windowLevel([](int64_t x, int64_t y) { return inDisc(x, y, 20, 20, 12); });
  Surfaces cs = findSurfaces(corner);
  const HolePartition meet = partitionHole(corner, cs);
  const int32_t page = cs.label[2 * 200 + 2];
  EXPECT_EQ(meet.label[15 * 200 + 15], page);
  EXPECT_EQ(meet.label[25 * 200 + 15], page);
  EXPECT_EQ(meet.label[15 * 200 + 25], page);
  EXPECT_EQ(meet.label[25 * 200 + 25], cs.label[60 * 200 + 60]);
  EXPECT_EQ(meet.label[20 * 200 + 25], cs.label[20 * 200 + 60]);  // the border's top side
}

// Where a panel's side ends at a window's border inside the hole, and a letter's stem grazed
// by the brush reaches into it.
TEST(FillPartition, AnEdgeEndsWhereItMeetsAnotherAndLettersNeverSpread) {
  const Colour panes = [](int64_t x, int64_t y, float* p) {
    float v = x < 100 ? 243.0f : 250.0f;
    if (y == 60) v = 150;                       // the window's lower border
    if (y > 60) v = 120;                        // the desktop below it
    if (x >= 130 && x < 133 && y < 44) v = 30;  // a letter's stem above the hole
    p[0] = p[1] = p[2] = v;
  };
  Level level = levelOf(
      220, 90, panes, [](int64_t x, int64_t y) { return x >= 30 && x < 190 && y >= 42 && y < 72; });
  Surfaces s = findSurfaces(level);
  const HolePartition part = partitionHole(level, s);
  const int32_t left = s.label[20 * 220 + 50];
  const int32_t right = s.label[20 * 220 + 150];
  const int32_t border = s.label[60 * 220 + 10];
  const int32_t desktop = s.label[80 * 220 + 10];
  for (int64_t y = 42; y < 60; ++y) {
    EXPECT_EQ(part.label[y * 220 + 99], left) << y;
    EXPECT_EQ(part.label[y * 220 + 100], right) << y;
    EXPECT_EQ(part.label[y * 220 + 131], right) << y;
  }
  for (int64_t x = 30; x < 190; x += 7) {
    EXPECT_EQ(part.label[60 * 220 + x], border) << x;
    EXPECT_EQ(part.label[65 * 220 + x], desktop) << x;
  }
}

}  // namespace
}  // namespace corvalin::retouch::inpaint
