#include "dct8x8_internal.h"
#include "tovrik.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

namespace {

using Block = std::array<int16_t, 64>;

struct BasisTable {
  long double v[8][8];
  BasisTable() {
    const long double pi = 3.141592653589793238462643383279502884L;
    for (int k = 0; k < 8; ++k)
      for (int n = 0; n < 8; ++n)
        v[k][n] = (k == 0 ? std::sqrt(1.0L / 8) : 0.5L) * std::cos((2 * n + 1) * k * pi / 16);
  }
};

long double Basis(int k, int n) {
  static const BasisTable table;
  return table.v[k][n];
}

// The 2-D DCT-II from its definition, one dimension at a time, in long double.
void ExactForward(const int16_t* in, long double* out) {
  long double mid[64];
  for (int u = 0; u < 8; ++u)
    for (int x = 0; x < 8; ++x) {
      long double s = 0;
      for (int y = 0; y < 8; ++y) s += Basis(u, y) * in[8 * y + x];
      mid[8 * u + x] = s;
    }
  for (int u = 0; u < 8; ++u)
    for (int v = 0; v < 8; ++v) {
      long double s = 0;
      for (int x = 0; x < 8; ++x) s += Basis(v, x) * mid[8 * u + x];
      out[8 * u + v] = s;
    }
}

void ExactInverse(const long double* in, long double* out) {
  long double mid[64];
  for (int y = 0; y < 8; ++y)
    for (int v = 0; v < 8; ++v) {
      long double s = 0;
      for (int u = 0; u < 8; ++u) s += Basis(u, y) * in[8 * u + v];
      mid[8 * y + v] = s;
    }
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      long double s = 0;
      for (int v = 0; v < 8; ++v) s += Basis(v, x) * mid[8 * y + v];
      out[8 * y + x] = s;
    }
}

// Nearest integer, exact halves away from zero (the reference is exact to
// far better than the margin), saturated to 16 bits.
int16_t RoundAway(long double x) {
  const long double r = std::trunc(x + std::copysign(0.5L + 1e-9L, x));
  return static_cast<int16_t>(std::clamp(r, -32768.0L, 32767.0L));
}

Block Fwd(const Block& in) {
  Block out;
  EXPECT_EQ(ippiDCT8x8Fwd_16s_C1(in.data(), out.data()), ippStsNoErr);
  return out;
}

Block Inv(const Block& in) {
  Block out;
  EXPECT_EQ(ippiDCT8x8Inv_16s_C1(in.data(), out.data()), ippStsNoErr);
  return out;
}

Block Filled(int16_t v) {
  Block b;
  b.fill(v);
  return b;
}

TEST(Dct8x8, ForwardIsTheCorrectlyRoundedOrthonormalTransform) {
  std::mt19937 rng(7);
  for (int range : {255, 511}) {  // intra samples 0..255, residuals -255..255
    std::uniform_int_distribution<int> sample(range == 255 ? 0 : -255, 255);
    for (int n = 0; n < 300; ++n) {
      Block in;
      for (auto& s : in) s = static_cast<int16_t>(sample(rng));
      long double exact[64];
      ExactForward(in.data(), exact);
      const Block out = Fwd(in);
      for (int i = 0; i < 64; ++i)
        ASSERT_EQ(out[i], RoundAway(exact[i])) << "block " << n << " coefficient " << i;
    }
  }
}

TEST(Dct8x8, DcIsEightTimesTheMeanWithHalvesAwayFromZero) {
  EXPECT_EQ(Fwd(Filled(128))[0], 1024);
  EXPECT_EQ(Fwd(Filled(255))[0], 2040);
  Block one{};
  one[9] = 4;  // DC 4/8 = 0.5
  EXPECT_EQ(Fwd(one)[0], 1);
  one[9] = -4;
  EXPECT_EQ(Fwd(one)[0], -1);
  one[9] = 3;  // 0.375
  EXPECT_EQ(Fwd(one)[0], 0);
  const Block flat = Fwd(Filled(77));
  EXPECT_TRUE(std::all_of(flat.begin() + 1, flat.end(), [](int16_t c) { return c == 0; }));
}

TEST(Dct8x8, ResultsSaturateToSixteenBits) {
  EXPECT_EQ(Fwd(Filled(32767))[0], 32767);
  EXPECT_EQ(Fwd(Filled(-32768))[0], -32768);
  Block dc{};
  dc[0] = 32767;  // 32767 / 8 = 4095.875
  const Block spread = Inv(dc);
  EXPECT_TRUE(std::all_of(spread.begin(), spread.end(), [](int16_t s) { return s == 4096; }));
  // A full-scale checkerboard matches the highest basis function: 6.57 x 32767.
  Block checker;
  for (int i = 0; i < 64; ++i) checker[i] = ((i / 8 + i % 8) % 2) ? -32767 : 32767;
  EXPECT_EQ(Fwd(checker)[63], 32767);
  for (auto& s : checker) s = static_cast<int16_t>(-s);
  EXPECT_EQ(Fwd(checker)[63], -32768);
}

TEST(Dct8x8, DcOnlyInverseMatchesTheFullTransformForEveryDc) {
  Block in{}, fast, full;
  for (int dc = -32768; dc <= 32767; ++dc) {
    in[0] = static_cast<int16_t>(dc);
    ippiDCT8x8Inv_16s_C1(in.data(), fast.data());
    tovrik::InversePlain(in.data(), full.data());
    ASSERT_EQ(fast, full) << "DC " << dc;
  }
  in[0] = 4;  // 0.5 everywhere: away from zero
  EXPECT_EQ(Inv(in)[17], 1);
  in[0] = -4;
  EXPECT_EQ(Inv(in)[63], -1);
}

TEST(Dct8x8, InPlaceCallsGiveTheSameResult) {
  Block b;
  for (int i = 0; i < 64; ++i) b[i] = static_cast<int16_t>((i * 37) % 255);
  const Block expected = Fwd(b);
  ippiDCT8x8Fwd_16s_C1(b.data(), b.data());
  EXPECT_EQ(b, expected);
  const Block back = Inv(b);
  ippiDCT8x8Inv_16s_C1(b.data(), b.data());
  EXPECT_EQ(b, back);
  EXPECT_EQ(ippiDCT8x8Fwd_16s_C1(nullptr, b.data()), ippStsNullPtrErr);
  EXPECT_EQ(ippiDCT8x8Inv_16s_C1(b.data(), nullptr), ippStsNullPtrErr);
}

void ExpectKernelsAgree(void (*fwd)(const int16_t*, int16_t*), void (*inv)(const int16_t*, int16_t*)) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> any(-32768, 32767), small(-300, 300);
  for (int n = 0; n < 4000; ++n) {
    Block in, a, b;
    for (auto& s : in) s = static_cast<int16_t>(n % 2 ? any(rng) : small(rng));
    tovrik::ForwardPlain(in.data(), a.data());
    fwd(in.data(), b.data());
    ASSERT_EQ(a, b) << "forward, block " << n;
    tovrik::InversePlain(in.data(), a.data());
    inv(in.data(), b.data());
    ASSERT_EQ(a, b) << "inverse, block " << n;
  }
}

TEST(Dct8x8, Avx2KernelsAgreeBitForBitWithThePlainOnes) {
  if (!tovrik::HasAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
  ExpectKernelsAgree(tovrik::ForwardAvx2, tovrik::InverseAvx2);
}

TEST(Dct8x8, Avx512KernelsAgreeBitForBitWithThePlainOnes) {
  if (!tovrik::HasAvx512()) GTEST_SKIP() << "no AVX-512 on this processor";
  ExpectKernelsAgree(tovrik::ForwardAvx512, tovrik::InverseAvx512);
}

// IEEE 1180-1990: random blocks, the reference forward DCT rounded and
// clipped to -2048..2047, then the inverse under test against the exact
// inverse, both rounded and clipped to -256..255.
class Ieee1180Random {
 public:
  explicit Ieee1180Random(uint32_t seed) : randx_(seed) {}
  int Next(int low, int high) {
    randx_ = randx_ * 1103515245u + 12345u;
    const uint32_t i = randx_ & 0x7ffffffeu;
    double x = static_cast<double>(i) / static_cast<double>(0x7fffffff);
    x *= (low + high + 1);
    return static_cast<int>(x) - low;
  }

 private:
  uint32_t randx_;
};

struct IeeeStats {
  int peak = 0;
  double worstPixelMse = 0, overallMse = 0, worstPixelMean = 0, overallMean = 0;
};

IeeeStats RunIeee1180(int low, int high, int sign) {
  constexpr int kBlocks = 10000;
  Ieee1180Random rng(1);
  long long err[64] = {}, sq[64] = {};
  int peak = 0;
  for (int n = 0; n < kBlocks; ++n) {
    Block in;
    for (auto& s : in) s = static_cast<int16_t>(sign * rng.Next(low, high));
    long double coef[64];
    ExactForward(in.data(), coef);
    Block q;
    long double qd[64];
    for (int i = 0; i < 64; ++i) {
      long double c = std::round(coef[i]);
      c = std::clamp(c, -2048.0L, 2047.0L);
      q[i] = static_cast<int16_t>(c);
      qd[i] = c;
    }
    long double ref[64];
    ExactInverse(qd, ref);
    const Block test = Inv(q);
    for (int i = 0; i < 64; ++i) {
      const int r = static_cast<int>(std::clamp(std::round(ref[i]), -256.0L, 255.0L));
      const int t = std::clamp<int>(test[i], -256, 255);
      const int e = t - r;
      err[i] += e;
      sq[i] += e * e;
      peak = std::max(peak, std::abs(e));
    }
  }
  IeeeStats s;
  s.peak = peak;
  for (int i = 0; i < 64; ++i) {
    s.worstPixelMse = std::max(s.worstPixelMse, double(sq[i]) / kBlocks);
    s.worstPixelMean = std::max(s.worstPixelMean, std::abs(double(err[i])) / kBlocks);
    s.overallMse += double(sq[i]) / (64.0 * kBlocks);
    s.overallMean += double(err[i]) / (64.0 * kBlocks);
  }
  s.overallMean = std::abs(s.overallMean);
  return s;
}

TEST(Dct8x8, InverseMeetsIeee1180Limits) {
  const struct {
    int low, high;
  } ranges[] = {{256, 255}, {5, 5}, {300, 300}};
  for (const auto& r : ranges)
    for (int sign : {1, -1}) {
      const IeeeStats s = RunIeee1180(r.low, r.high, sign);
      SCOPED_TRACE(testing::Message() << "range -" << r.low << ".." << r.high << " sign " << sign);
      EXPECT_LE(s.peak, 1);
      EXPECT_LE(s.worstPixelMse, 0.06);
      EXPECT_LE(s.overallMse, 0.02);
      EXPECT_LE(s.worstPixelMean, 0.015);
      EXPECT_LE(s.overallMean, 0.0015);
    }
  EXPECT_EQ(Inv(Block{}), Block{});
}

}  // namespace
