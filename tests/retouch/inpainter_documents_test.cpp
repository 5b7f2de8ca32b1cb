// Erase and fill on the pictures people erase from most: lines of text on a card, a button's
// label, a chat message, a table row, typed text in a form field, a toolbar icon, a word on a
// gradient banner, text across a card's border. Each scene is drawn with and without the thing
// erased, so the fill is judged against a known truth; the scenes come in variants (colours,
// places, sizes, texts) the fill was not tuned on.
#include <gtest/gtest.h>

#include <array>
#include <map>

#include "document_scenes.h"
#include "inpaint_test_support.h"
#include "retouch/inpainter.h"

namespace corvalin::retouch {
namespace {

using testing::onlyMaskChangedAndOpaque;

constexpr int kClean = 6;  // levels a filled pixel may be off the truth on any channel

int largestStep(const uint8_t* a, const uint8_t* b) {
  int d = 0;
  for (int k = 0; k < 3; ++k) d = std::max(d, std::abs(int(a[k]) - int(b[k])));
  return d;
}

// Where no fill can know the truth pixel for pixel (text across a card's border), the border
// must still run straight and unbroken through the hole: every border pixel of the truth
// inside the hole is there in the fill, and the fill draws no border-like pixel anywhere else.
// The border pixels are those unlike both colours that make up most of the hole's truth.
void expectStraightAndContinuous(const scenes::DocumentScene& scene, const PixelCanvas& filled) {
  std::map<std::array<uint8_t, 3>, int64_t> counts;
  for (int64_t i = 0; i < scene.truth.width() * scene.truth.height(); ++i) {
    if (!scene.mask.bits()[i]) continue;
    const uint8_t* t = scene.truth.data().data() + i * 4;
    ++counts[{t[0], t[1], t[2]}];
  }
  std::vector<std::pair<int64_t, std::array<uint8_t, 3>>> byCount;
  for (const auto& [colour, n] : counts) byCount.push_back({n, colour});
  std::partial_sort(byCount.begin(), byCount.begin() + 2, byCount.end(), std::greater<>());
  auto borderLike = [&](const uint8_t* p) {
    return largestStep(p, byCount[0].second.data()) > 2 * kClean &&
           largestStep(p, byCount[1].second.data()) > 2 * kClean;
  };
  int64_t border = 0;
  for (int64_t i = 0; i < scene.truth.width() * scene.truth.height(); ++i) {
    if (!scene.mask.bits()[i]) continue;
    const uint8_t* t = scene.truth.data().data() + i * 4;
    const uint8_t* f = filled.data().data() + i * 4;
    if (borderLike(t)) {
      ++border;
      EXPECT_LE(largestStep(t, f), kClean) << scene.name << ": border broken at pixel " << i;
    } else {
      EXPECT_FALSE(borderLike(f)) << scene.name << ": stray border at pixel " << i;
    }
  }
  EXPECT_GT(border, 10) << scene.name << ": the hole should cross the border";
}

// Seed 0 is the scenes the fill was looked at on; the others are variants it was not tuned on.
TEST(InpainterDocuments, EveryErasedThingLeavesItsSurfaceAsItWas) {
  for (const uint32_t seed : {0u, 11u, 23u, 37u}) {
    std::vector<scenes::DocumentScene> all = scenes::documentScenes(seed);
    all.push_back(scenes::plainStrokeScene(seed));
    for (const scenes::DocumentScene& scene : all) {
      PixelCanvas canvas = scene.picture;
      EXPECT_TRUE(Inpainter::heal(canvas, scene.mask)) << scene.name;
      EXPECT_TRUE(onlyMaskChangedAndOpaque(scene.picture, canvas, scene.mask)) << scene.name;
      if (!scene.exactTruth) {
        expectStraightAndContinuous(scene, canvas);
        continue;
      }
      const testing::FillError e = testing::fillError(scene.truth, canvas, scene.mask, kClean);
      EXPECT_EQ(e.within, 1.0) << scene.name << " (seed " << seed << "): rms " << e.rms;
    }
  }
}

}  // namespace
}  // namespace corvalin::retouch
