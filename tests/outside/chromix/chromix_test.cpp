#include "chromix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// BT.601 studio range: Y 16..235, U and V 16..240 around 128.
void Reference(int y, int u, int v, uint8_t bgrx[4]) {
  const double c = 1.164383 * (y - 16), d = u - 128.0, e = v - 128.0;
  const double r = c + 1.596027 * e, g = c - 0.391762 * d - 0.812968 * e, b = c + 2.017232 * d;
  bgrx[0] = static_cast<uint8_t>(std::clamp(std::lround(b), 0L, 255L));
  bgrx[1] = static_cast<uint8_t>(std::clamp(std::lround(g), 0L, 255L));
  bgrx[2] = static_cast<uint8_t>(std::clamp(std::lround(r), 0L, 255L));
  bgrx[3] = 255;
}

// Random samples of the legal studio range the board delivers: luma 16..235
// where isLuma(byte index) holds, chroma 16..240 elsewhere.
template <typename IsLuma>
std::vector<uint8_t> Random(size_t n, uint32_t seed, IsLuma isLuma) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(16 + rng() % (isLuma(i) ? 220 : 225));
  return out;
}

int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int worst = 0;
  for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

// Packed 4:2:2 to RGB32 against the formula, pixel by pixel, rows top first.
TEST(Chromix, Packed422ToRgb32) {
  for (bool uyvy : {true, false}) {
    for (auto [w, h] : {std::pair{64, 8}, {18, 5}, {720, 2}}) {
      const auto src = Random(static_cast<size_t>(w) * h * 2, 3 + w, [uyvy](size_t i) { return i % 2 == (uyvy ? 1u : 0u); });
      std::vector<uint8_t> out(w * h * 4 + 8, 0xEE), expected(w * h * 4);
      for (int i = 0; i < w * h / 2; ++i) {
        const uint8_t* p = &src[4 * i];
        const int y0 = uyvy ? p[1] : p[0], y1 = uyvy ? p[3] : p[2];
        const int u = uyvy ? p[0] : p[1], v = uyvy ? p[2] : p[3];
        Reference(y0, u, v, &expected[8 * i]);
        Reference(y1, u, v, &expected[8 * i + 4]);
      }
      const int rc = uyvy ? CHROMIX_UYVY_TO_RGB32(src.data(), w, h, out.data(), 0)
                          : CHROMIX_YUY2_TO_RGB32(src.data(), w, h, out.data(), 0);
      ASSERT_EQ(rc, 0);
      EXPECT_EQ(out[w * h * 4], 0xEE) << "wrote past the picture";
      out.resize(w * h * 4);
      const int worst = MaxDifference(out, expected);
      std::printf("%s %dx%d: max difference %d\n", uyvy ? "UYVY" : "YUY2", w, h, worst);
      EXPECT_LE(worst, 2);
    }
  }
}

// Y41P: 8 pixels in 12 bytes, U0 Y0 V0 Y1 U4 Y2 V4 Y3 Y4 Y5 Y6 Y7; the chroma
// of pixel 0 serves pixels 0..3, that of pixel 4 serves 4..7. The sizes cover
// a partial last group, several strips and a picture wider than one chunk.
TEST(Chromix, Y41PToRgb32) {
  for (auto [w, h] : {std::pair{64, 600}, {180, 9}, {4104, 3}, {8, 1}}) {
    const int groups = (w + 7) / 8;
    const auto src = Random(static_cast<size_t>(groups) * 12 * h, 17 + w,
                            [](size_t i) { return i % 12 > 7 || i % 2 == 1; });
    std::vector<uint8_t> out(w * h * 4 + 8, 0xEE), expected(w * h * 4);
    for (int row = 0; row < h; ++row) {
      for (int x = 0; x < w; ++x) {
        const uint8_t* g = &src[(static_cast<size_t>(row) * groups + x / 8) * 12];
        static constexpr int kLuma[8] = {1, 3, 5, 7, 8, 9, 10, 11};
        const int k = x % 8;
        const int u = k < 4 ? g[0] : g[4], v = k < 4 ? g[2] : g[6];
        Reference(g[kLuma[k]], u, v, &expected[(static_cast<size_t>(row) * w + x) * 4]);
      }
    }
    ASSERT_EQ(CHROMIX_Y41P_TO_RGB32(src.data(), w, h, out.data(), 0), 0);
    EXPECT_EQ(out[w * h * 4], 0xEE) << "wrote past the picture";
    out.resize(w * h * 4);
    const int worst = MaxDifference(out, expected);
    std::printf("Y41P %dx%d: max difference %d\n", w, h, worst);
    EXPECT_LE(worst, 2);
  }
}

TEST(Chromix, Yuy2ToPlanar420AveragesChromaOfLinePairs) {
  const int w = 36, h = 10;
  const auto src = Random(w * h * 2, 41, [](size_t i) { return i % 2 == 0; });
  std::vector<uint8_t> planes(w * h * 3 / 2 + 4, 0xEE);
  uint8_t* y = planes.data();
  uint8_t* u = y + w * h;
  uint8_t* v = u + w * h / 4;
  ASSERT_EQ(CHROMIX_YUY2_TO_Y420(src.data(), w, h, y, u, v, 0), 0);
  EXPECT_EQ(planes[w * h * 3 / 2], 0xEE);
  for (int row = 0; row < h; ++row)
    for (int x = 0; x < w; ++x) ASSERT_EQ(y[row * w + x], src[(row * w + x) * 2]);
  for (int row = 0; row < h / 2; ++row) {
    for (int x = 0; x < w / 2; ++x) {
      const uint8_t* a = &src[(2 * row * w + 2 * x) * 2];
      const uint8_t* b = a + w * 2;
      ASSERT_LE(std::abs(u[row * w / 2 + x] - (a[1] + b[1]) / 2.0), 0.5);
      ASSERT_LE(std::abs(v[row * w / 2 + x] - (a[3] + b[3]) / 2.0), 0.5);
    }
  }
}

TEST(Chromix, Planar420ToRgb32) {
  const int w = 48, h = 14;
  const auto yuv = Random(w * h * 3 / 2, 77, [](size_t i) { return i < static_cast<size_t>(w * h); });
  const uint8_t* y = yuv.data();
  const uint8_t* u = y + w * h;
  const uint8_t* v = u + w * h / 4;
  std::vector<uint8_t> out(w * h * 4), expected(w * h * 4);
  for (int row = 0; row < h; ++row)
    for (int x = 0; x < w; ++x)
      Reference(y[row * w + x], u[row / 2 * w / 2 + x / 2], v[row / 2 * w / 2 + x / 2], &expected[(row * w + x) * 4]);
  ASSERT_EQ(CHROMIX_Y420_TO_RGB32(y, u, v, w, h, out.data(), 0), 0);
  const int worst = MaxDifference(out, expected);
  std::printf("Y420 %dx%d: max difference %d\n", w, h, worst);
  EXPECT_LE(worst, 2);
}

TEST(Chromix, RefusesSizesItCannotDo) {
  std::vector<uint8_t> src(64 * 64 * 2, 128), out(64 * 64 * 4, 0xEE);
  uint8_t* p = out.data();
  EXPECT_EQ(CHROMIX_UYVY_TO_RGB32(src.data(), 63, 4, p, 0), -1);
  EXPECT_EQ(CHROMIX_YUY2_TO_RGB32(src.data(), 0, 4, p, 0), -1);
  EXPECT_EQ(CHROMIX_YUY2_TO_RGB32(nullptr, 64, 4, p, 0), -1);
  EXPECT_EQ(CHROMIX_Y41P_TO_RGB32(src.data(), 64, -1, p, 0), -1);
  EXPECT_EQ(CHROMIX_YUY2_TO_Y420(src.data(), 64, 5, p, p + 320, p + 400, 0), -1);
  EXPECT_EQ(CHROMIX_Y420_TO_RGB32(src.data(), src.data(), src.data(), 6, 3, p, 0), -1);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xEE; }));
}

}  // namespace
