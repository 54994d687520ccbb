// Separable double-precision 8x8 DCT: a vertical pass over the columns, then a
// horizontal pass over the rows, each 8-point transform split into its even
// and odd halves. Double precision keeps the result within 1e-10 of the exact
// transform for any 16-bit input that the coder produces, so rounding at the
// end gives the correctly rounded value; a margin of 2^-30 above one half makes
// exact halves (DC and the other rational positions) round away from zero
// whatever the last bits of the arithmetic say.
#include "dct8x8_internal.h"
#include "tovrik.h"

#include <immintrin.h>

#include <cmath>

namespace tovrik {
namespace {

// kC[k][n] = c(k) * cos((2n + 1) k pi / 16), c(0) = sqrt(1/8), c(k > 0) = 1/2;
// only n = 0..3 is needed, the other half follows from the symmetry.
constexpr double kC[8][4] = {
    {0.3535533905932738, 0.3535533905932738, 0.3535533905932738, 0.3535533905932738},
    {0.4903926402016152, 0.4157348061512726, 0.2777851165098011, 0.09754516100806414},
    {0.46193976625564337, 0.1913417161825449, -0.1913417161825449, -0.46193976625564337},
    {0.4157348061512726, -0.09754516100806414, -0.4903926402016152, -0.2777851165098011},
    {0.3535533905932738, -0.3535533905932738, -0.3535533905932738, 0.3535533905932738},
    {0.2777851165098011, -0.4903926402016152, 0.09754516100806414, 0.4157348061512726},
    {0.1913417161825449, -0.46193976625564337, 0.46193976625564337, -0.1913417161825449},
    {0.09754516100806414, -0.2777851165098011, 0.4157348061512726, -0.4903926402016152},
};

constexpr double kHalfUp = 0.5 + 1.0 / (1 << 30);

// One 8-point forward transform of v[0], v[s], ..., v[7s] into o[0], o[s], ...
inline void Forward1D(const double* v, int vs, double* o, int os) {
  const double s0 = v[0] + v[7 * vs], s1 = v[vs] + v[6 * vs];
  const double s2 = v[2 * vs] + v[5 * vs], s3 = v[3 * vs] + v[4 * vs];
  const double d0 = v[0] - v[7 * vs], d1 = v[vs] - v[6 * vs];
  const double d2 = v[2 * vs] - v[5 * vs], d3 = v[3 * vs] - v[4 * vs];
  for (int k = 0; k < 4; ++k) {
    const double* e = kC[2 * k];
    const double* d = kC[2 * k + 1];
    o[2 * k * os] = ((e[0] * s0 + e[1] * s1) + e[2] * s2) + e[3] * s3;
    o[(2 * k + 1) * os] = ((d[0] * d0 + d[1] * d1) + d[2] * d2) + d[3] * d3;
  }
}

inline void Inverse1D(const double* x, int xs, double* o, int os) {
  for (int n = 0; n < 4; ++n) {
    const double e = ((kC[0][n] * x[0] + kC[2][n] * x[2 * xs]) + kC[4][n] * x[4 * xs]) +
                     kC[6][n] * x[6 * xs];
    const double d = ((kC[1][n] * x[xs] + kC[3][n] * x[3 * xs]) + kC[5][n] * x[5 * xs]) +
                     kC[7][n] * x[7 * xs];
    o[n * os] = e + d;
    o[(7 - n) * os] = e - d;
  }
}

inline int16_t RoundSaturate(double x) {
  double y = x + std::copysign(kHalfUp, x);
  y = y < -32768.0 ? -32768.0 : y;
  y = y > 32767.0 ? 32767.0 : y;
  return static_cast<int16_t>(static_cast<int>(y));  // truncation
}

template <void (*Pass)(const double*, int, double*, int)>
void Transform(const int16_t* src, int16_t* dst) {
  double in[64], mid[64], out[64];
  for (int i = 0; i < 64; ++i) in[i] = src[i];
  for (int c = 0; c < 8; ++c) Pass(in + c, 8, mid + c, 8);       // vertical
  for (int r = 0; r < 8; ++r) Pass(mid + 8 * r, 1, out + 8 * r, 1);  // horizontal
  for (int i = 0; i < 64; ++i) dst[i] = RoundSaturate(out[i]);
}

// ---- AVX2: one register holds four columns of a row ----

#define TOVRIK_AVX2 __attribute__((target("avx2")))

struct Block {
  __m256d r[8][2];  // row, half (columns 0-3, 4-7)
};

TOVRIK_AVX2 inline __m256d Bcast(double c) { return _mm256_set1_pd(c); }

// The forward 1-D transform on eight row vectors (same order of operations as Forward1D).
TOVRIK_AVX2 inline void ForwardRows(const __m256d* v, __m256d* o) {
  const __m256d s0 = _mm256_add_pd(v[0], v[7]), s1 = _mm256_add_pd(v[1], v[6]);
  const __m256d s2 = _mm256_add_pd(v[2], v[5]), s3 = _mm256_add_pd(v[3], v[4]);
  const __m256d d0 = _mm256_sub_pd(v[0], v[7]), d1 = _mm256_sub_pd(v[1], v[6]);
  const __m256d d2 = _mm256_sub_pd(v[2], v[5]), d3 = _mm256_sub_pd(v[3], v[4]);
  for (int k = 0; k < 4; ++k) {
    const double* e = kC[2 * k];
    const double* d = kC[2 * k + 1];
    __m256d a = _mm256_add_pd(_mm256_mul_pd(Bcast(e[0]), s0), _mm256_mul_pd(Bcast(e[1]), s1));
    a = _mm256_add_pd(a, _mm256_mul_pd(Bcast(e[2]), s2));
    o[2 * k] = _mm256_add_pd(a, _mm256_mul_pd(Bcast(e[3]), s3));
    __m256d b = _mm256_add_pd(_mm256_mul_pd(Bcast(d[0]), d0), _mm256_mul_pd(Bcast(d[1]), d1));
    b = _mm256_add_pd(b, _mm256_mul_pd(Bcast(d[2]), d2));
    o[2 * k + 1] = _mm256_add_pd(b, _mm256_mul_pd(Bcast(d[3]), d3));
  }
}

TOVRIK_AVX2 inline void InverseRows(const __m256d* x, __m256d* o) {
  for (int n = 0; n < 4; ++n) {
    __m256d e = _mm256_add_pd(_mm256_mul_pd(Bcast(kC[0][n]), x[0]),
                              _mm256_mul_pd(Bcast(kC[2][n]), x[2]));
    e = _mm256_add_pd(e, _mm256_mul_pd(Bcast(kC[4][n]), x[4]));
    e = _mm256_add_pd(e, _mm256_mul_pd(Bcast(kC[6][n]), x[6]));
    __m256d d = _mm256_add_pd(_mm256_mul_pd(Bcast(kC[1][n]), x[1]),
                              _mm256_mul_pd(Bcast(kC[3][n]), x[3]));
    d = _mm256_add_pd(d, _mm256_mul_pd(Bcast(kC[5][n]), x[5]));
    d = _mm256_add_pd(d, _mm256_mul_pd(Bcast(kC[7][n]), x[7]));
    o[n] = _mm256_add_pd(e, d);
    o[7 - n] = _mm256_sub_pd(e, d);
  }
}

TOVRIK_AVX2 inline void Transpose4(__m256d& a, __m256d& b, __m256d& c, __m256d& d) {
  const __m256d t0 = _mm256_unpacklo_pd(a, b);  // a0 b0 a2 b2
  const __m256d t1 = _mm256_unpackhi_pd(a, b);  // a1 b1 a3 b3
  const __m256d t2 = _mm256_unpacklo_pd(c, d);
  const __m256d t3 = _mm256_unpackhi_pd(c, d);
  a = _mm256_permute2f128_pd(t0, t2, 0x20);
  b = _mm256_permute2f128_pd(t1, t3, 0x20);
  c = _mm256_permute2f128_pd(t0, t2, 0x31);
  d = _mm256_permute2f128_pd(t1, t3, 0x31);
}

// In-place transpose of the 8x8 block held as [row][half].
TOVRIK_AVX2 inline void Transpose8(Block& m) {
  Transpose4(m.r[0][0], m.r[1][0], m.r[2][0], m.r[3][0]);
  Transpose4(m.r[4][1], m.r[5][1], m.r[6][1], m.r[7][1]);
  Transpose4(m.r[0][1], m.r[1][1], m.r[2][1], m.r[3][1]);
  Transpose4(m.r[4][0], m.r[5][0], m.r[6][0], m.r[7][0]);
  for (int i = 0; i < 4; ++i) {
    const __m256d t = m.r[i][1];
    m.r[i][1] = m.r[4 + i][0];
    m.r[4 + i][0] = t;
  }
}

TOVRIK_AVX2 inline void Load(const int16_t* src, Block& m) {
  for (int r = 0; r < 8; ++r) {
    const __m128i row = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8 * r));
    const __m256i wide = _mm256_cvtepi16_epi32(row);
    m.r[r][0] = _mm256_cvtepi32_pd(_mm256_castsi256_si128(wide));
    m.r[r][1] = _mm256_cvtepi32_pd(_mm256_extracti128_si256(wide, 1));
  }
}

TOVRIK_AVX2 inline __m128i RoundSaturate4(__m256d x) {
  const __m256d sign = _mm256_and_pd(x, _mm256_set1_pd(-0.0));
  __m256d y = _mm256_add_pd(x, _mm256_or_pd(_mm256_set1_pd(kHalfUp), sign));
  y = _mm256_max_pd(y, _mm256_set1_pd(-32768.0));
  y = _mm256_min_pd(y, _mm256_set1_pd(32767.0));
  return _mm256_cvttpd_epi32(y);
}

TOVRIK_AVX2 inline void Store(const Block& m, int16_t* dst) {
  for (int r = 0; r < 8; ++r) {
    const __m128i packed = _mm_packs_epi32(RoundSaturate4(m.r[r][0]), RoundSaturate4(m.r[r][1]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8 * r), packed);
  }
}

template <void (*Rows)(const __m256d*, __m256d*)>
TOVRIK_AVX2 inline void VerticalPass(Block& m) {
  for (int h = 0; h < 2; ++h) {
    __m256d v[8], o[8];
    for (int r = 0; r < 8; ++r) v[r] = m.r[r][h];
    Rows(v, o);
    for (int r = 0; r < 8; ++r) m.r[r][h] = o[r];
  }
}

}  // namespace

void ForwardPlain(const int16_t* src, int16_t* dst) { Transform<Forward1D>(src, dst); }
void InversePlain(const int16_t* src, int16_t* dst) { Transform<Inverse1D>(src, dst); }

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

TOVRIK_AVX2 void ForwardAvx2(const int16_t* src, int16_t* dst) {
  Block m;
  Load(src, m);
  VerticalPass<ForwardRows>(m);
  Transpose8(m);
  VerticalPass<ForwardRows>(m);
  Transpose8(m);
  Store(m, dst);
}

TOVRIK_AVX2 void InverseAvx2(const int16_t* src, int16_t* dst) {
  Block m;
  Load(src, m);
  VerticalPass<InverseRows>(m);
  Transpose8(m);
  VerticalPass<InverseRows>(m);
  Transpose8(m);
  Store(m, dst);
}

}  // namespace tovrik

extern "C" {

IppStatus ippiDCT8x8Fwd_16s_C1(const Ipp16s* pSrc, Ipp16s* pDst) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  static const bool avx2 = tovrik::HasAvx2();
  if (avx2)
    tovrik::ForwardAvx2(pSrc, pDst);
  else
    tovrik::ForwardPlain(pSrc, pDst);
  return ippStsNoErr;
}

IppStatus ippiDCT8x8Inv_16s_C1(const Ipp16s* pSrc, Ipp16s* pDst) {
  if (!pSrc || !pDst) return ippStsNullPtrErr;
  static const bool avx2 = tovrik::HasAvx2();
  if (avx2)
    tovrik::InverseAvx2(pSrc, pDst);
  else
    tovrik::InversePlain(pSrc, pDst);
  return ippStsNoErr;
}

}  // extern "C"
