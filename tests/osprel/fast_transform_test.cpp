// The single-precision pair transforms against the exact path: every block
// they settle must carry exactly the exact path's levels, coded flag or
// samples; the blocks they hand back are not checked, but they must stay few,
// and values that sit exactly on a rounding boundary must be handed back or
// rounded as the exact path rounds them.
#include "fast_transform.h"
#include "quantiser.h"
#include "tovrik.h"
#include "vlc_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <random>
#include <string>

namespace {

using Block = std::array<int16_t, 64>;
namespace fast = osprel::fast_transform;

osprel::QuantTables Tables(int qp) {
  osprel::QuantTables t;
  osprel::BuildQuantTables(qp, &t);
  return t;
}

struct Levels {
  Block scan{};
  bool coded = false;
};

Levels ExactForward(const osprel::QuantTables& t, bool intra, Block block) {
  Levels l;
  ippiDCT8x8Fwd_16s_C1(block.data(), block.data());
  l.coded = intra ? osprel::QuantiseIntra(t, block.data(), l.scan.data())
                  : osprel::QuantiseInter(t, block.data(), l.scan.data());
  return l;
}

// Block makers for samples (0..255) or residuals (-255..255).
using Maker = std::function<Block(std::mt19937&, bool intra)>;

int Clip(int v, bool intra) { return std::clamp(v, intra ? 0 : -255, 255); }

const std::array<std::pair<const char*, Maker>, 5> kMakers = {{
    {"noise", [](std::mt19937& g, bool intra) {
       Block b;
       std::uniform_int_distribution<int> d(intra ? 0 : -255, 255);
       for (auto& v : b) v = int16_t(d(g));
       return b;
     }},
    {"small", [](std::mt19937& g, bool intra) {
       Block b;
       std::normal_distribution<double> d(intra ? 128 : 0, 6);
       for (auto& v : b) v = int16_t(Clip(int(d(g)), intra));
       return b;
     }},
    {"gradient", [](std::mt19937& g, bool intra) {
       Block b;
       std::uniform_int_distribution<int> d(-12, 12), base(intra ? 40 : -60, intra ? 200 : 60);
       const int dx = d(g), dy = d(g), b0 = base(g);
       for (int i = 0; i < 64; ++i) b[i] = int16_t(Clip(b0 + dx * (i % 8) + dy * (i / 8), intra));
       return b;
     }},
    {"flat", [](std::mt19937& g, bool intra) {
       Block b;
       std::uniform_int_distribution<int> d(intra ? 0 : -255, 255);
       b.fill(int16_t(d(g)));
       int16_t& one = b[std::uniform_int_distribution<int>(0, 63)(g)];
       one = int16_t(one + (one > 0 ? -4 : 4));  // moves the sum by 4: DC on a half
       return b;
     }},
    {"stripes", [](std::mt19937& g, bool intra) {
       Block b;
       std::uniform_int_distribution<int> d(intra ? 0 : -255, 255);
       const int hi = d(g), lo = d(g);
       for (int i = 0; i < 64; ++i) b[i] = int16_t(((i % 8) / 2 + (i / 8) / 4) % 2 ? hi : lo);
       return b;
     }},
}};

TEST(FastTransform, ForwardSettlesMostBlocksAndMatchesTheExactPath) {
  if (!fast::Available()) GTEST_SKIP() << "no AVX-512 on this processor";
  std::mt19937 g(7);
  for (int qp : {1, 2, 4, 7, 13, 30}) {
    const osprel::QuantTables t = Tables(qp);
    for (bool intra : {false, true}) {
      for (const auto& [name, make] : kMakers) {
        int settled = 0, total = 0;
        for (int n = 0; n < 300; ++n) {
          Block pair[2] = {make(g, intra), make(g, intra)};
          // Residuals as source minus prediction, both 0..255.
          std::array<uint8_t, 64> src[2], pred[2];
          for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 64; ++i) {
              src[j][i] = uint8_t(std::max<int>(pair[j][i], 0));
              pred[j][i] = uint8_t(std::max<int>(-pair[j][i], 0));
            }
          Levels got[2];
          bool coded[2];
          const fast::PixelPair pixels = {src[0].data(), src[1].data(), 8, pred[0].data(), pred[1].data(), 8};
          const unsigned unsettled =
              fast::ForwardQuantisePair(pixels, qp, intra, got[0].scan.data(), got[1].scan.data(), coded);
          for (int j = 0; j < 2; ++j) {
            ++total;
            if (unsettled >> j & 1) continue;
            ++settled;
            const Levels want = ExactForward(t, intra, pair[j]);
            ASSERT_EQ(got[j].scan, want.scan) << name << " QP " << qp << (intra ? " intra" : " inter");
            ASSERT_EQ(coded[j], want.coded) << name << " QP " << qp << (intra ? " intra" : " inter");
          }
        }
        // Wide noise and coarse, dense levels widen the bound; most blocks still settle.
        EXPECT_GT(settled, total / 2) << name << " QP " << qp << (intra ? " intra" : " inter");
      }
    }
  }
}

// Dequantised blocks of random levels: sparse and dense, small and large.
Block RandomLevels(std::mt19937& g, bool intra, int count, int maxLevel) {
  Block scan{};
  std::uniform_int_distribution<int> pos(intra ? 1 : 0, 63), level(-maxLevel, maxLevel);
  for (int i = 0; i < count; ++i) scan[pos(g)] = int16_t(level(g));
  if (intra) scan[0] = int16_t(std::uniform_int_distribution<int>(1, 254)(g));
  return scan;
}

TEST(FastTransform, InverseSettlesMostBlocksAndMatchesTheExactPath) {
  if (!fast::Available()) GTEST_SKIP() << "no AVX-512 on this processor";
  std::mt19937 g(11);
  for (int qp : {1, 4, 13, 30}) {
    const osprel::QuantTables t = Tables(qp);
    for (bool intra : {false, true}) {
      for (int count : {1, 6, 20, 64}) {
        int settled = 0, total = 0;
        for (int n = 0; n < 300; ++n) {
          Block levels[2], want[2], got[2];
          for (int j = 0; j < 2; ++j) {
            levels[j] = RandomLevels(g, intra, count, count > 20 ? 127 : 12);
            (intra ? osprel::DequantiseIntra : osprel::DequantiseInter)(t, levels[j].data(), want[j].data());
            ippiDCT8x8Inv_16s_C1(want[j].data(), want[j].data());
          }
          const unsigned present = 1u + 2u * (n % 4 != 0);  // now and then block b is absent
          const unsigned unsettled = fast::InversePair(levels[0].data(), levels[1].data(), present, qp, intra,
                                                       got[0].data(), got[1].data());
          ASSERT_EQ(unsettled & ~present, 0u);
          for (int j = 0; j < 2; ++j) {
            if (!(present >> j & 1)) continue;
            ++total;
            if (unsettled >> j & 1) continue;
            ++settled;
            ASSERT_EQ(got[j], want[j]) << "QP " << qp << " count " << count << (intra ? " intra" : " inter");
          }
        }
        // Large dense blocks at coarse quantisers may exceed 16 bits and go back.
        if (count < 64 || qp < 13) {
          EXPECT_GT(settled, total / 2) << "QP " << qp << " count " << count;
        }
      }
    }
  }
}

// Levels at the DC and at row 0, column 4 give outputs (R_dc +- R_04) / 8,
// exact halves when that sum is 4 mod 8: bounds cannot settle those, so the
// block must go back, and every other block must match the exact path.
TEST(FastTransform, InverseHandsBackExactHalves) {
  if (!fast::Available()) GTEST_SKIP() << "no AVX-512 on this processor";
  int halves = 0;
  for (int qp = 1; qp <= 4; ++qp) {
    const osprel::QuantTables t = Tables(qp);
    for (int dc = -4; dc <= 4; ++dc) {
      for (int ac = -4; ac <= 4; ++ac) {
        Block levels{}, want, got[2];
        levels[0] = int16_t(dc);
        levels[osprel::kZigzag[4]] = int16_t(ac);
        osprel::DequantiseInter(t, levels.data(), want.data());
        const int sum = want[0] + want[4], difference = want[0] - want[4];
        const bool half = (sum % 8 + 8) % 8 == 4 || (difference % 8 + 8) % 8 == 4;
        halves += half;
        ippiDCT8x8Inv_16s_C1(want.data(), want.data());
        const unsigned unsettled =
            fast::InversePair(levels.data(), levels.data(), 1u, qp, false, got[0].data(), got[1].data());
        ASSERT_EQ(unsettled != 0, half) << "QP " << qp << " levels " << dc << ", " << ac;
        if (!half) {
          ASSERT_EQ(got[0], want) << "QP " << qp << " levels " << dc << ", " << ac;
        }
      }
    }
  }
  EXPECT_GT(halves, 20);
}

}  // namespace
