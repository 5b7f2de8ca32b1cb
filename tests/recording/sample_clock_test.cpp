// Times for captured sound: counting samples between anchors, the anchor following the
// server's latency through its noise, stalls and a card whose clock runs fast,
// and time never going back over sound already placed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "recording/sample_clock.h"

namespace corvalin {
namespace {

constexpr int kFragmento = 480;  // 10 ms
constexpr int64_t kFragmentoUs = 10'000;

TEST(RelojDeMuestras, NoiseIsIgnoredAndTheCountKeepsTheCardsPace) {
  RelojDeMuestras reloj;
  std::mt19937 azar(7);
  std::uniform_int_distribution<int64_t> ruido(-5'000, 5'000);
  int64_t anterior = reloj.pts(1'000'000, kFragmento).ptsUs;
  int saltos = 0;
  for (int i = 1; i < 3000; ++i) {
    const int64_t pts = reloj.pts(1'000'000 + i * kFragmentoUs + ruido(azar), kFragmento).ptsUs;
    saltos += pts - std::exchange(anterior, pts) != kFragmentoUs;
  }
  // Half a minute of noisy latencies moves the anchor rarely, if at all.
  EXPECT_LE(saltos, 3);
}

TEST(RelojDeMuestras, AStallOrASkipStartsANewCountAtOnceAndTimeNeverGoesBack) {
  RelojDeMuestras reloj;
  // 200 ms of sound lost after the first second, and later the clock seen 150.01 ms back.
  auto verdad = [](int i) {
    return 1'000'000 + i * kFragmentoUs + (i >= 100 ? 200'000 : 0) - (i >= 300 ? 150'010 : 0);
  };
  int64_t fin = 0;
  int omitidos = 0;
  for (int i = 0; i < 400; ++i) {
    const auto lugar = reloj.pts(verdad(i), kFragmento);
    if (i < 300) {
      EXPECT_EQ(lugar.ptsUs, verdad(i)) << i;
      EXPECT_EQ(lugar.omitir, 0) << i;
    }
    // What would land on sound already placed is dropped; the rest follows on.
    if (lugar.omitir < kFragmento) {
      EXPECT_GE(lugar.ptsUs, fin) << i;
      fin = lugar.ptsUs + (kFragmento - lugar.omitir) * kFragmentoUs / kFragmento;
    }
    omitidos += lugar.omitir;
  }
  EXPECT_EQ(omitidos, 15 * kFragmento + 1);  // the 150.01 ms heard twice, in whole samples
  EXPECT_EQ(fin, verdad(399) + kFragmentoUs);
}

TEST(RelojDeMuestras, ACardRunningFastIsFollowedAndUnmeasuredFragmentsAreCounted) {
  // 1000 ppm fast: ten minutes would put the count 600 ms ahead of the wall clock.
  RelojDeMuestras reloj;
  int64_t peor = 0;
  for (int i = 0; i < 60'000; ++i) {
    const int64_t verdad = 2'000'000 + i * kFragmentoUs * 1000 / 1001;
    const auto lugar = reloj.pts(verdad, kFragmento);
    const int64_t pts = lugar.ptsUs - lugar.omitir * kFragmentoUs / kFragmento;
    peor = std::max<int64_t>(peor, std::llabs(pts - verdad));
  }
  EXPECT_LT(peor, 8'000);

  // A fragment the server can't place continues the count.
  RelojDeMuestras otro;
  EXPECT_FALSE(otro.contando());
  EXPECT_EQ(otro.pts(int64_t{3'000'000}, kFragmento).ptsUs, 3'000'000);
  EXPECT_TRUE(otro.contando());
  EXPECT_EQ(otro.pts(std::nullopt, kFragmento).ptsUs, 3'010'000);
  EXPECT_EQ(otro.pts(std::nullopt, 240).ptsUs, 3'020'000);
  EXPECT_EQ(otro.pts(int64_t{3'025'000}, kFragmento).ptsUs, 3'025'000);
}

}  // namespace
}  // namespace corvalin
