#include "motion.h"
#include "synthetic_frames.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using osprel::MotionSearch;
using osprel::SearchResult;

constexpr int kW = 64, kH = 64;

struct Planes {
  std::vector<uint8_t> cur = std::vector<uint8_t>(kW * kH, 0);
  std::vector<uint8_t> ref = std::vector<uint8_t>(kW * kH, 0);
  uint8_t& C(int x, int y) { return cur[y * kW + x]; }
  uint8_t& R(int x, int y) { return ref[y * kW + x]; }
  SearchResult Search(int x = 16, int y = 16) { return MotionSearch(cur.data(), ref.data(), kW, kH, x, y); }
};

TEST(MotionSearch, StaticMacroblockBelow250InEveryQuarter) {
  Planes p;
  std::fill(p.ref.begin(), p.ref.end(), 100);
  p.cur = p.ref;
  p.C(16, 16) += 83;
  p.C(17, 16) += 83;
  p.C(18, 16) += 83;  // Y0: 249
  SearchResult r = p.Search();
  EXPECT_TRUE(r.isStatic);
  EXPECT_EQ(r.dx, 0);
  EXPECT_EQ(r.dy, 0);
  EXPECT_EQ(r.sad16, 249 - 100);
  EXPECT_EQ(r.sad8[0], 249);
  p.C(18, 16) += 1;  // 250
  r = p.Search();
  EXPECT_FALSE(r.isStatic);
  EXPECT_EQ(r.sad8[0], 250);
  for (int k = 1; k < 4; ++k) {  // the same in every quarter
    Planes q;
    q.cur = q.ref;
    q.C(16 + 8 * (k & 1), 16 + 8 * (k >> 1)) = 250;
    EXPECT_FALSE(q.Search().isStatic) << "quarter " << k;
    q.C(16 + 8 * (k & 1), 16 + 8 * (k >> 1)) = 249;
    EXPECT_TRUE(q.Search().isStatic) << "quarter " << k;
  }
}

TEST(MotionSearch, TextureMovedOnePixelRight) {
  Planes p;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) p.R(x, y) = uint8_t(osprel_test::Texture(3 * x, 3 * y));
  for (int y = 0; y < kH; ++y)
    for (int x = 1; x < kW; ++x) p.C(x, y) = p.R(x - 1, y);
  const SearchResult r = p.Search(16, 16);
  EXPECT_FALSE(r.isStatic);
  EXPECT_EQ(r.dx, -1);
  EXPECT_EQ(r.dy, 0);
  EXPECT_EQ(r.sad16, 0);
  for (int s : r.sad8) EXPECT_EQ(s, 0);
}

// A stripe left of the macroblock matches its first column better than the
// zero vector by margin points; everything else costs the same nearby.
Planes BiasScene(int margin) {
  Planes p;
  for (int y = 16; y < 32; ++y) p.C(16, y) = 20;  // first column of the macroblock
  for (int y = 24; y < 32; ++y)
    for (int x = 24; x < 32; ++x) p.C(x, y) = 200;  // Y3, a fixed 12800 for small vectors
  // Reference column 15 against the first column: sum |20 - v| = 320 - margin,
  // spread evenly over the 16 rows.
  int remaining = 320 - margin;
  for (int y = 16; y < 32; ++y) {
    const int rows = 32 - y, d = (remaining + rows - 1) / rows;
    p.R(15, y) = uint8_t(20 - d);
    remaining -= d;
  }
  return p;
}

int StripeCost(Planes& p) {
  int s = 0;
  for (int y = 16; y < 32; ++y) s += std::abs(20 - p.R(15, y));
  return s;
}

TEST(MotionSearch, ZeroVectorWinsWithinItsBiasOf100) {
  Planes near = BiasScene(50);
  ASSERT_EQ(StripeCost(near), 270);
  SearchResult r = near.Search();
  EXPECT_EQ(r.dx, 0);
  EXPECT_EQ(r.dy, 0);
  EXPECT_EQ(r.sad16, 320 + 12800 - 100);
  EXPECT_EQ(r.sad8[0] + r.sad8[1] + r.sad8[2] + r.sad8[3], 320 + 12800);  // unbiased quarters

  Planes far = BiasScene(150);
  ASSERT_EQ(StripeCost(far), 170);
  r = far.Search();
  EXPECT_EQ(r.dx, -1);
  EXPECT_EQ(r.dy, 0);
  EXPECT_EQ(r.sad16, 170 + 12800);
  EXPECT_EQ(r.sad8[0] + r.sad8[1] + r.sad8[2] + r.sad8[3], r.sad16);
  EXPECT_EQ(r.sad8[3], 12800);
}

TEST(MotionSearch, VectorsStayInsideThePictureAndTheWindow) {
  const int w = 176, h = 144;
  std::vector<uint8_t> ref(w * h), cur(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ref[y * w + x] = uint8_t(osprel_test::Texture(x, y));
  // Content moved up-left by (7, 5): the border macroblocks' matches lie outside.
  for (const auto& [sx, sy] : {std::pair{7, 5}, std::pair{-6, -4}, std::pair{20, 0}}) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) cur[y * w + x] = uint8_t(osprel_test::Texture(x + sx, y + sy));
    int matched = 0;
    for (int y = 0; y < h; y += 16)
      for (int x = 0; x < w; x += 16) {
        const SearchResult r = MotionSearch(cur.data(), ref.data(), w, h, x, y);
        EXPECT_GE(x + r.dx, 0);
        EXPECT_GE(y + r.dy, 0);
        EXPECT_LE(x + r.dx + 16, w);
        EXPECT_LE(y + r.dy + 16, h);
        EXPECT_LE(std::abs(r.dx), 15);
        EXPECT_LE(std::abs(r.dy), 15);
        matched += r.dx == sx && r.dy == sy && r.sad16 == 0;
      }
    if (std::abs(sx) <= 15) {
      EXPECT_GT(matched, 20) << "shift " << sx << "," << sy;
    }
  }
}

// The descent written plainly: every neighbour's SAD in full, scalar sums.
SearchResult PlainDescent(const uint8_t* cur, const uint8_t* ref, int w, int h, int x, int y) {
  auto sad = [&](int rx, int ry, int* q) {
    q[0] = q[1] = q[2] = q[3] = 0;
    for (int r = 0; r < 16; ++r)
      for (int c = 0; c < 16; ++c)
        q[(r / 8) * 2 + c / 8] += std::abs(cur[(y + r) * w + x + c] - ref[(ry + r) * w + rx + c]);
    return q[0] + q[1] + q[2] + q[3];
  };
  SearchResult best;
  const int s0 = sad(x, y, best.sad8);
  best.sad16 = s0 - 100;
  if (best.sad8[0] < 250 && best.sad8[1] < 250 && best.sad8[2] < 250 && best.sad8[3] < 250) {
    best.isStatic = true;
    return best;
  }
  const int off[4][2] = {{-1, 0}, {0, 1}, {1, 0}, {0, -1}};
  int cx = x, cy = y, cc = s0, px = x, py = y, pc = s0, prevStepBest = 65536;
  for (int step = 1; step <= 30; ++step) {
    int bn = -1, bc = 0, bx = 0, by = 0;
    for (auto& o : off) {
      const int nx = cx + o[0], ny = cy + o[1];
      if (nx < std::max(0, x - 15) || nx > std::min(w - 16, x + 15) || ny < std::max(0, y - 15) ||
          ny > std::min(h - 16, y + 15))
        continue;
      int q[4];
      const int cost = (nx == px && ny == py) ? pc : sad(nx, ny, q);
      if (!(nx == px && ny == py) && cost < best.sad16) {
        best.sad16 = cost;
        best.dx = nx - x;
        best.dy = ny - y;
        std::copy(q, q + 4, best.sad8);
      }
      if (bn < 0 || cost < bc) bn = 1, bc = cost, bx = nx, by = ny;
    }
    if (bn < 0 || (bx == px && by == py) || bc >= prevStepBest) break;
    px = cx, py = cy, pc = cc;
    cx = bx, cy = by, cc = bc;
    prevStepBest = bc;
  }
  return best;
}

TEST(MotionSearch, AgreesWithThePlainDescentEverywhere) {
  // Height 136 is the case of a picture whose last macroblock row is padded:
  // planes of 144 rows, a window limited to 136, so that row's centres lie
  // outside the window and only sideways moves inside it are allowed.
  const int w = 176, rows = 144;
  std::vector<uint8_t> ref(w * rows), cur(w * rows);
  int moved = 0, compared = 0;
  for (const int h : {144, 136})
  for (int scene = 0; scene < 6; ++scene) {
    const int sx = scene - 2, sy = (scene * 7) % 5 - 2, scale = 1 + scene % 3;
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < w; ++x) {
        ref[y * w + x] = uint8_t(osprel_test::Texture(scale * x, scale * y));
        cur[y * w + x] = uint8_t(osprel_test::Texture(scale * (x + sx), scale * (y + sy)) + ((x * y + scene) % 7));
      }
    for (int y = 0; y < rows; y += 16)
      for (int x = 0; x < w; x += 16) {
        const SearchResult b = PlainDescent(cur.data(), ref.data(), w, h, x, y);
        for (int kernel = 0; kernel < 2; ++kernel) {
          if (kernel == 1 && !osprel::motion_detail::HasAvx2()) continue;
          const SearchResult a = kernel ? osprel::motion_detail::SearchAvx2(cur.data(), ref.data(), w, h, x, y)
                                        : osprel::motion_detail::SearchSse2(cur.data(), ref.data(), w, h, x, y);
          ASSERT_EQ(a.dx, b.dx) << "kernel " << kernel << " height " << h << " scene " << scene << " at " << x << "," << y;
          ASSERT_EQ(a.dy, b.dy);
          ASSERT_EQ(a.sad16, b.sad16);
          ASSERT_EQ(a.isStatic, b.isStatic);
          ASSERT_EQ(a.deviation, b.isStatic ? 0 : osprel::MeanDeviation(cur.data(), w, x, y));
          for (int k = 0; k < 4; ++k) ASSERT_EQ(a.sad8[k], b.sad8[k]);
        }
        moved += b.dx != 0 || b.dy != 0;
        ++compared;
      }
  }
  EXPECT_GT(moved, compared / 2);
}

TEST(IntraDecision, MeanDeviationAgainstSadMinus500) {
  std::vector<uint8_t> cur(32 * 32, 77);
  EXPECT_EQ(osprel::MeanDeviation(cur.data(), 32, 16, 16), 0);
  EXPECT_EQ(osprel::IntraDecision(0, 501), osprel::kMbIntra);
  EXPECT_EQ(osprel::IntraDecision(0, 500), osprel::kMbInter);
  // Half 0, half 101: mean 50 (integer division), deviation 128 x 50 + 128 x 51.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) cur[y * 32 + x] = x < 8 ? 0 : 101;
  const int a = 128 * 50 + 128 * 51;
  EXPECT_EQ(osprel::MeanDeviation(cur.data(), 32, 0, 0), a);
  EXPECT_EQ(osprel::IntraDecision(a, a + 500), osprel::kMbInter);
  EXPECT_EQ(osprel::IntraDecision(a, a + 501), osprel::kMbIntra);
}

TEST(VectorPredictor, EdgeRulesAndMedian) {
  const int W = 11, count = 99;  // 176 x 144
  std::vector<int> mx(1620, 0), my(1620, 0);
  auto set = [&](int i, int x, int y) {
    mx[i] = x;
    my[i] = y;
  };
  auto pred = [&](int i) {
    int px, py;
    osprel::PredictVector(mx.data(), my.data(), i, i % W, i / W, W, count, &px, &py);
    return std::pair{px, py};
  };
  set(98, 30, 30);  // would be index - 1 of index 0 if wrapped in
  set(90, 12, 12);
  EXPECT_EQ(pred(0), std::pair(0, 0));
  set(2, 6, -4);
  EXPECT_EQ(pred(3), std::pair(6, -4));  // top row: the left neighbour
  set(9, -8, 2);
  EXPECT_EQ(pred(10), std::pair(-8, 2));  // top row, last column: median(MV1, MV1, 0)
  // Interior: median of left, above, above-right per component.
  set(26, 2, 10);
  set(16, -6, 4);
  set(17, 8, -2);
  EXPECT_EQ(pred(27), std::pair(2, 4));
  // First column: MV1 = 0.
  set(11, 5, 7);
  set(12, 9, -3);
  set(21, 1, 1);
  EXPECT_EQ(pred(22), std::pair(5, 0));  // median(0, 5, 9), median(0, 7, -3)
  // Last column: MV3 = 0.
  set(31, 4, 4);
  set(20, 6, 6);
  set(21, 9, 9);
  EXPECT_EQ(pred(32), std::pair(4, 4));  // median(4, 6, 0)
}

TEST(ChromaVector, QuarterPositionsGoToTheHalf) {
  const int luma[] = {-6, -5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 30, -30};
  const int chroma[] = {-3, -3, -2, -1, -1, -1, 0, 1, 1, 1, 2, 3, 3, 15, -15};
  for (size_t i = 0; i < std::size(luma); ++i) EXPECT_EQ(osprel::ChromaVector(luma[i]), chroma[i]) << luma[i];
}

}  // namespace
