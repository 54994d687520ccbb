#include "block_ops.h"
#include "motion.h"
#include "nuvix_trace.h"
#include "quantiser.h"
#include "tovrik.h"
#include "vlc_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

namespace {

using osprel::QuantTables;

int IntraAc(const QuantTables& t, int c) { return t.intraAc[c + osprel::kQuantTableOffset]; }
int Inter(const QuantTables& t, int c) { return t.inter[c + osprel::kQuantTableOffset]; }
int Dequant(const QuantTables& t, int l) { return t.dequant[l + 127]; }

QuantTables Tables(int qp) {
  QuantTables t;
  osprel::BuildQuantTables(qp, &t);
  return t;
}

TEST(Quantiser, FinestQuantiser) {
  const QuantTables t = Tables(1);
  EXPECT_EQ(IntraAc(t, 5), 2);
  EXPECT_EQ(IntraAc(t, -5), -2);
  EXPECT_EQ(IntraAc(t, 1), 0);
  EXPECT_EQ(Inter(t, 1), 0);
  EXPECT_EQ(Inter(t, -1), 0);
  EXPECT_EQ(Inter(t, 2), 1);
  EXPECT_EQ(Inter(t, 3), 1);
  EXPECT_EQ(Inter(t, -7), -3);
  EXPECT_EQ(IntraAc(t, 2000), 127);  // clamped
  EXPECT_EQ(Inter(t, -2040), -127);
  EXPECT_EQ(Dequant(t, 1), 3);
  EXPECT_EQ(Dequant(t, -127), -255);
}

TEST(Quantiser, CoarsestQuantiser) {
  const QuantTables t = Tables(30);
  EXPECT_EQ(Inter(t, 74), 0);
  EXPECT_EQ(Inter(t, 75), 1);
  EXPECT_EQ(Inter(t, -75), -1);
  EXPECT_EQ(Inter(t, 134), 1);
  EXPECT_EQ(Inter(t, 135), 2);
  EXPECT_EQ(IntraAc(t, 59), 0);
  EXPECT_EQ(IntraAc(t, -60), -1);
  EXPECT_EQ(Dequant(t, 1), 89);  // 30 x 3 - 1 for an even quantiser
}

TEST(Quantiser, DequantiserOddAndEvenQuantisers) {
  EXPECT_EQ(Dequant(Tables(10), -3), -69);
  EXPECT_EQ(Dequant(Tables(11), -3), -77);
  EXPECT_EQ(Dequant(Tables(11), 0), 0);
  int16_t scan[64] = {}, raster[64];
  scan[0] = 200;  // intra DC
  scan[2] = 4;    // scan position 2 is raster 8
  osprel::DequantiseIntra(Tables(7), scan, raster);
  EXPECT_EQ(raster[0], 1600);
  EXPECT_EQ(raster[8], 7 * 9);
  EXPECT_EQ(raster[1], 0);
  scan[0] = -100;
  osprel::DequantiseInter(Tables(7), scan, raster);
  EXPECT_EQ(raster[0], -7 * 201);
  EXPECT_EQ(raster[8], 7 * 9);
}

// Intra blocks through the real transform: DC level, clamps and the coded test.
TEST(Quantiser, FlatIntraBlocks) {
  const QuantTables t = Tables(8);
  auto intraOf = [&](int value, int16_t* scan) {
    int16_t block[64];
    for (auto& v : block) v = int16_t(value);
    ippiDCT8x8Fwd_16s_C1(block, block);
    EXPECT_EQ(block[0], 8 * value);
    return osprel::QuantiseIntra(t, block, scan);
  };
  int16_t scan[64];
  EXPECT_FALSE(intraOf(128, scan));
  EXPECT_EQ(scan[0], 128);
  for (int i = 1; i < 64; ++i) ASSERT_EQ(scan[i], 0);
  EXPECT_FALSE(intraOf(255, scan));
  EXPECT_EQ(scan[0], 254);  // 2040 / 8 = 255, clamped
  EXPECT_FALSE(intraOf(0, scan));
  EXPECT_EQ(scan[0], 1);  // never 0

  int16_t coef[64] = {};
  coef[0] = 1023;
  coef[9] = 16;  // one AC level of 1 at raster 9 = scan position 4
  EXPECT_TRUE(osprel::QuantiseIntra(t, coef, scan));
  EXPECT_EQ(scan[0], 127);
  EXPECT_EQ(scan[4], 1);
  coef[9] = 15;
  EXPECT_FALSE(osprel::QuantiseIntra(t, coef, scan));
}

TEST(Quantiser, InterBlockCodedByItsDcAlone) {
  const QuantTables t = Tables(4);
  int16_t coef[64] = {}, scan[64];
  EXPECT_FALSE(osprel::QuantiseInter(t, coef, scan));
  coef[0] = -10;  // (10 - 2) / 8 = 1
  EXPECT_TRUE(osprel::QuantiseInter(t, coef, scan));
  EXPECT_EQ(scan[0], -1);
}

std::vector<std::string>* g_trace = nullptr;
void Capture(const char* text) { g_trace->push_back(text); }

TEST(Quantiser, CoefficientOutsideTheTableIsTracedAndClamped) {
  std::vector<std::string> lines;
  g_trace = &lines;
  NuvixSetTraceSink(Capture);
  const QuantTables t = Tables(1);
  int16_t coef[64] = {}, scan[64];
  coef[0] = 2048;
  coef[1] = -3000;
  EXPECT_TRUE(osprel::QuantiseInter(t, coef, scan));
  EXPECT_EQ(scan[0], 127);
  EXPECT_EQ(scan[1], -127);
  coef[0] = 2047;
  coef[1] = -2048;
  osprel::QuantiseInter(t, coef, scan);
  NuvixSetTraceSink(nullptr);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "INDEX ERROR\n");
}

TEST(Prediction, ChromaHalfPelsAverageTowardsTheVectorsSide) {
  // Plane 16 x 16 with a ramp: sample (x, y) = 7 x + y.
  uint8_t plane[256];
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) plane[y * 16 + x] = uint8_t(7 * x + y);
  uint8_t out[64];
  osprel::PredictBlock(plane, 16, 8, 8, -1, 0, 8, out, 8);  // half a sample to the left
  EXPECT_EQ(out[0], (plane[8 * 16 + 8] + plane[8 * 16 + 7] + 1) >> 1);
  EXPECT_EQ(out[0], 61);  // (64 + 57) / 2 = 60.5 rounds up
  osprel::PredictBlock(plane, 16, 8, 8, 0, -1, 8, out, 8);
  EXPECT_EQ(out[9], (plane[9 * 16 + 9] + plane[8 * 16 + 9] + 1) >> 1);
  osprel::PredictBlock(plane, 16, 0, 0, 3, 1, 8, out, 8);  // (1.5, 0.5)
  EXPECT_EQ(out[0], (plane[1] + plane[2] + plane[17] + plane[18] + 2) >> 2);
  osprel::PredictBlock(plane, 16, 4, 4, -4, 2, 8, out, 8);  // whole samples (-2, +1)
  EXPECT_EQ(out[0], plane[5 * 16 + 2]);
  EXPECT_TRUE(osprel::PredictionInside(8, 8, -1, 0, 8, 16, 16));
  EXPECT_FALSE(osprel::PredictionInside(8, 8, 1, 0, 8, 16, 16));  // needs column 16
  EXPECT_FALSE(osprel::PredictionInside(0, 0, -1, 0, 8, 16, 16));
}

// The bilinear rule sample by sample: base at floor(v / 2), a half position
// averaging with the next sample, rounding halves up.
int PlainPrediction(const std::vector<uint8_t>& plane, int pitch, int x, int y, int vx, int vy) {
  const int bx = x + (vx >> 1), by = y + (vy >> 1), hx = vx & 1, hy = vy & 1;
  const int a = plane[by * pitch + bx], b = plane[by * pitch + bx + hx];
  const int c = plane[(by + hy) * pitch + bx], d = plane[(by + hy) * pitch + bx + hx];
  if (hx && hy) return (a + b + c + d + 2) >> 2;
  if (hx) return (a + b + 1) >> 1;
  if (hy) return (a + c + 1) >> 1;
  return a;
}

// Whole macroblocks (luma with any half-pel vector, chroma with the derived
// one, both planes at once) against the rule, on noise that reaches every
// rounding case of the four-sample average.
TEST(Prediction, MacroblocksFollowTheBilinearRuleForEveryVectorParity) {
  const int w = 64, h = 64, cw = w / 2, ch = h / 2;
  std::mt19937 rng(17);
  std::vector<uint8_t> ref[3] = {std::vector<uint8_t>(w * h), std::vector<uint8_t>(cw * ch), std::vector<uint8_t>(cw * ch)};
  std::vector<uint8_t> dst[3] = {std::vector<uint8_t>(w * h), std::vector<uint8_t>(cw * ch), std::vector<uint8_t>(cw * ch)};
  const int x = 16, y = 32;
  for (int round = 0; round < 40; ++round) {
    for (auto& plane : ref)
      for (auto& v : plane) v = uint8_t(round % 2 ? rng() : (rng() & 3) * 85);  // noise, or a few extremes
    for (int vy = -7; vy <= 7; ++vy)
      for (int vx = -7; vx <= 7; ++vx) {
        const uint8_t* const in[3] = {ref[0].data(), ref[1].data(), ref[2].data()};
        uint8_t* const out[3] = {dst[0].data(), dst[1].data(), dst[2].data()};
        osprel::PredictMacroblock(in, out, w, x, y, vx, vy);
        const int cvx = osprel::ChromaVector(vx), cvy = osprel::ChromaVector(vy);
        for (int j = 0; j < 16; ++j)
          for (int i = 0; i < 16; ++i)
            ASSERT_EQ(dst[0][(y + j) * w + x + i], PlainPrediction(ref[0], w, x + i, y + j, vx, vy))
                << "luma (" << vx << ", " << vy << ") at " << i << ", " << j;
        for (int p = 1; p < 3; ++p)
          for (int j = 0; j < 8; ++j)
            for (int i = 0; i < 8; ++i)
              ASSERT_EQ(dst[p][(y / 2 + j) * cw + x / 2 + i], PlainPrediction(ref[p], cw, x / 2 + i, y / 2 + j, cvx, cvy))
                  << "plane " << p << " (" << cvx << ", " << cvy << ") at " << i << ", " << j;
      }
  }
}

}  // namespace

namespace {

// Every coefficient value the tables cover, at every raster position, for
// every quantiser: the levels QuantiseIntra / QuantiseInter give (the vector
// quantiser where the processor has it) must be the tables' values in scan
// order, and the coded flag must say whether any counted level is nonzero.
TEST(Quantiser, EveryValueAtEveryPositionMatchesTheTables) {
  const auto inverse = [] {
    std::array<int, 64> z{};
    for (int i = 0; i < 64; ++i) z[osprel::kScanToRaster[i]] = i;
    return z;
  }();
  int16_t coef[64], scan[64];
  for (int qp = 1; qp <= 31; ++qp) {
    const QuantTables t = Tables(qp);
    // Block b holds value -2048 + (64 b + p + shift) mod 4096 at position p:
    // 64 blocks cover all values once and the 64 shifts put each value at
    // every position; a 65th block is all zeros but for one small value.
    for (int shift = 0; shift < 64; ++shift) {
      for (int b = 0; b < 65; ++b) {
        for (int p = 0; p < 64; ++p)
          coef[p] = b == 64 ? int16_t(p == shift ? 1 + qp : 0)
                            : int16_t(-2048 + (64 * b + p + shift) % 4096);
        for (bool intra : {false, true}) {
          const bool coded = intra ? osprel::QuantiseIntra(t, coef, scan) : osprel::QuantiseInter(t, coef, scan);
          bool any = false;
          for (int p = 0; p < 64; ++p) {
            const int i = inverse[p];
            if (intra && i == 0) {
              ASSERT_EQ(scan[0], std::clamp(coef[0] / 8, 1, 254)) << "QP " << qp;
              continue;
            }
            const int want = intra ? IntraAc(t, coef[p]) : Inter(t, coef[p]);
            ASSERT_EQ(scan[i], want) << "QP " << qp << " value " << coef[p] << " position " << p
                                     << (intra ? " intra" : " inter");
            any |= want != 0;
          }
          ASSERT_EQ(coded, any) << "QP " << qp << " block " << b;
        }
      }
    }
  }
}

}  // namespace
