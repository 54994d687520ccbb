// The single-precision transform-and-quantise path against the exact one
// (double-precision transform, then the table quantiser): the levels must be
// the same on every block, and the fast path must actually take most blocks.
#include "quantiser.h"
#include "tovrik.h"
#include "transform_quantise.h"
#include "vlc_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>

namespace {

using Block = std::array<int16_t, 64>;

osprel::QuantTables Tables(int qp) {
  osprel::QuantTables t;
  osprel::BuildQuantTables(qp, &t);
  return t;
}

// Levels (scan order) and coded flag of the reference path.
bool Exact(const osprel::QuantTables& t, bool intra, Block b, int16_t* scan) {
  ippiDCT8x8Fwd_16s_C1(b.data(), b.data());
  return intra ? osprel::QuantiseIntra(t, b.data(), scan) : osprel::QuantiseInter(t, b.data(), scan);
}

struct Counts {
  int blocks = 0, fast = 0;
};

// Compares both the public entry and, where it answers, the fast kernel.
void Check(const osprel::QuantTables& t, bool intra, const Block& b, Counts* n) {
  int16_t want[64], got[64];
  const bool wantCoded = Exact(t, intra, b, want);
  Block work = b;
  const bool gotCoded = intra ? osprel::TransformQuantiseIntra(t, work.data(), got)
                              : osprel::TransformQuantiseInter(t, work.data(), got);
  ASSERT_EQ(gotCoded, wantCoded);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(got[i], want[i]) << "scan position " << i << " QP " << t.qp;
  ++n->blocks;
  if (!osprel::transform_detail::HasAvx2()) return;
  alignas(32) int16_t raster[64];
  if (!osprel::transform_detail::ForwardQuantiseAvx2(b.data(), t.qp, intra, osprel::kFastMargin, raster)) return;
  ++n->fast;
  for (int i = 0; i < 64; ++i) ASSERT_EQ(raster[osprel::kScanToRaster[i]], want[i]) << "scan position " << i;
}

// Sample generators: noise of several amplitudes, smooth ramps, single DCT
// basis patterns (coefficients landing on chosen values) and extremes.
Block Noise(std::mt19937& rng, int lo, int hi) {
  std::uniform_int_distribution<int> d(lo, hi);
  Block b;
  for (auto& v : b) v = int16_t(d(rng));
  return b;
}

Block Basis(std::mt19937& rng, bool intra) {
  std::uniform_int_distribution<int> freq(0, 7);
  std::uniform_real_distribution<double> amp(-120.0, 120.0);
  const int u = freq(rng), v = freq(rng);
  const double a = amp(rng);
  Block b;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const double s = a * std::cos((2 * x + 1) * u * M_PI / 16) * std::cos((2 * y + 1) * v * M_PI / 16);
      b[8 * y + x] = int16_t(std::lround(intra ? std::clamp(128 + s, 0.0, 255.0) : s));
    }
  return b;
}

TEST(TransformQuantise, SameLevelsAsTheExactPathOnRandomBlocks) {
  std::mt19937 rng(20261209);
  Counts n;
  for (int qp : {1, 2, 3, 4, 5, 7, 8, 13, 16, 30, 31}) {
    const osprel::QuantTables t = Tables(qp);
    for (int i = 0; i < 300; ++i) {
      Check(t, true, Noise(rng, 0, 255), &n);
      Check(t, true, Noise(rng, 100, 140), &n);
      Check(t, true, Basis(rng, true), &n);
      Check(t, false, Noise(rng, -255, 255), &n);
      Check(t, false, Noise(rng, -12, 12), &n);
      Check(t, false, Noise(rng, -3, 3), &n);
      Check(t, false, Basis(rng, false), &n);
      if (HasFatalFailure()) return;
    }
  }
  if (osprel::transform_detail::HasAvx2()) {
    EXPECT_GT(n.fast, n.blocks * 9 / 10);
  }
}

// Blocks whose DC lies on every multiple of 1/2 over the whole range, so on
// every rounding half and with it every level boundary of the intra DC (8k -
// 1/2) and of the inter levels (2qp k + qp / 2 - 1/2), with an alternating
// ripple that puts AC coefficients near boundaries too.
TEST(TransformQuantise, SameLevelsOnLevelBoundaries) {
  Counts n;
  for (int qp : {1, 2, 4, 7}) {
    const osprel::QuantTables t = Tables(qp);
    for (int target = -2040; target <= 2040; target += 4) {
      for (int spread : {0, 1, 7}) {
        Block b{};
        // Even shares, the remainder on the first samples, a +-spread ripple.
        for (int i = 0; i < 64; ++i) {
          const int share = target / 64 + (i < std::abs(target % 64) ? (target < 0 ? -1 : 1) : 0);
          b[i] = int16_t(share + ((i & 1) ? spread : -spread));
        }
        Check(t, false, b, &n);
        if (target >= 0) {
          Block intra = b;
          for (auto& v : intra) v = int16_t(std::clamp<int>(v, 0, 255));
          Check(t, true, intra, &n);
        }
      }
    }
  }
}

TEST(TransformQuantise, SamplesBeyondEightBitsTakeTheExactPath) {
  const osprel::QuantTables t = Tables(4);
  Counts n;
  std::mt19937 rng(7);
  for (int i = 0; i < 200; ++i) Check(t, false, Noise(rng, -2000, 2000), &n);
  Block edge{};
  edge[9] = 256;
  Check(t, false, edge, &n);
  EXPECT_EQ(n.fast, 0);
}

}  // namespace
