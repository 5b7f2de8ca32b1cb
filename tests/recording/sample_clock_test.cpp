// Times for captured sound: counting samples between anchors, the anchor following the
// server's latency through its noise, its settling, stalls and a card whose clock runs fast,
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

// Feeds `segundos` of 10 ms fragments whose first samples were truly captured at
// `verdad(i)`, measured with `error(i)` added (the latency's noise and faults); returns the
// largest distance between a time handed back and the truth over the fragments from `desde`.
template <typename Verdad, typename Error>
int64_t peorDesvio(RelojDeMuestras& reloj, int fragmentos, int desde, Verdad verdad, Error error) {
  int64_t peor = 0;
  for (int i = 0; i < fragmentos; ++i) {
    const auto lugar = reloj.pts(verdad(i) + error(i), kFragmento);
    const int64_t pts = lugar.ptsUs - lugar.omitir * kFragmentoUs / kFragmento;
    if (i >= desde) peor = std::max<int64_t>(peor, std::llabs(pts - verdad(i)));
  }
  return peor;
}

TEST(RelojDeMuestras, NoiseIsIgnoredAndTheCountKeepsTheCardsPace) {
  RelojDeMuestras reloj;
  std::mt19937 azar(7);
  std::uniform_int_distribution<int64_t> ruido(-5'000, 5'000);
  int64_t anterior = -1;
  int saltos = 0;
  for (int i = 0; i < 3000; ++i) {
    const auto lugar = reloj.pts(1'000'000 + i * kFragmentoUs + ruido(azar), kFragmento);
    const int64_t pts = lugar.ptsUs;
    if (anterior >= 0 && pts - anterior != kFragmentoUs) ++saltos;
    anterior = pts;
  }
  // Half a minute of noisy latencies moves the anchor rarely, if at all.
  EXPECT_LE(saltos, 3);
}

TEST(RelojDeMuestras, ALatencyWrongWhileTheStreamSettlesIsLeftBehind) {
  // For the first second the server says the sound is 60 ms older than it is, then tells the
  // truth with some noise: within a second and a half the times are right again.
  for (const int64_t falso : {60'000, -60'000, 30'000}) {
    SCOPED_TRACE(falso);
    RelojDeMuestras reloj;
    std::mt19937 azar(11);
    std::uniform_int_distribution<int64_t> ruido(-3'000, 3'000);
    const int64_t peor = peorDesvio(
        reloj, 1000, 250, [](int i) { return 5'000'000 + i * kFragmentoUs; },
        [&](int i) { return (i < 100 ? falso : 0) + ruido(azar); });
    EXPECT_LT(peor, 5'000);
  }
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

  // A step back of a few milliseconds drops just those samples.
  RelojDeMuestras otro;
  for (int i = 0; i < RelojDeMuestras::kVentana; ++i)
    otro.pts(int64_t{i * kFragmentoUs}, kFragmento);
  for (int i = 0; i < RelojDeMuestras::kVentana; ++i)
    otro.pts(int64_t{(RelojDeMuestras::kVentana + i) * kFragmentoUs - 9'000}, kFragmento);
  const auto lugar =
      otro.pts(int64_t{2 * RelojDeMuestras::kVentana * kFragmentoUs - 9'000}, kFragmento);
  EXPECT_EQ(lugar.omitir, 432);  // 9 ms
  EXPECT_EQ(lugar.ptsUs, 2 * RelojDeMuestras::kVentana * kFragmentoUs);
}

TEST(RelojDeMuestras, ACardRunningFastIsFollowedAndUnmeasuredFragmentsAreCounted) {
  // 1000 ppm fast: ten minutes would put the count 600 ms ahead of the wall clock.
  RelojDeMuestras reloj;
  const int64_t peor = peorDesvio(
      reloj, 60'000, 0, [](int i) { return 2'000'000 + i * kFragmentoUs * 1000 / 1001; },
      [](int) { return 0; });
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
