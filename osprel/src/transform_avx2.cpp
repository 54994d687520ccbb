// Single-precision 8x8 forward transform with AVX2, one row per register.
// Compiled for AVX2 by target attributes and chosen at run time; it uses
// intrinsics and its own helpers only.
//
// Error bound for samples |x| <= 255 (u = 2^-24, constants rounded to float):
// the vertical pass works on integers exactly up to the multiplications; each
// output (|y| <= 721) carries at most 5 roundings over sum |c y| <= 721, so
// |error| < 3300u. The horizontal pass propagates that through a row of
// absolute sum <= 2.83 (9340u) and adds at most 7 roundings over
// sum |c y| <= 2040 (14300u): below 24000u = 1.43e-3 in all, against a margin
// of 1/256, less the 1.2e-4 that the float addition of the half and the
// margin may move a value of up to 2041. The double-precision transform is
// within 1e-10 of exact.
#include <immintrin.h>

#include "transform_quantise.h"

#define OSPREL_AVX2 __attribute__((target("avx2")))

namespace osprel::transform_detail {
namespace {

// c(k) cos((2n + 1) k pi / 16), n = 0..3.
constexpr float kC[8][4] = {
    {0.35355339f, 0.35355339f, 0.35355339f, 0.35355339f},
    {0.49039264f, 0.41573481f, 0.27778512f, 0.09754516f},
    {0.46193977f, 0.19134172f, -0.19134172f, -0.46193977f},
    {0.41573481f, -0.09754516f, -0.49039264f, -0.27778512f},
    {0.35355339f, -0.35355339f, -0.35355339f, 0.35355339f},
    {0.27778512f, -0.49039264f, 0.09754516f, 0.41573481f},
    {0.19134172f, -0.46193977f, 0.46193977f, -0.19134172f},
    {0.09754516f, -0.27778512f, 0.41573481f, -0.49039264f},
};

OSPREL_AVX2 inline __m256 Mul(float c, __m256 v) { return _mm256_mul_ps(_mm256_set1_ps(c), v); }

// Forward 8-point DCT across the registers (each lane one independent line).
OSPREL_AVX2 inline void Forward8(__m256* x) {
  const __m256 s0 = _mm256_add_ps(x[0], x[7]), s1 = _mm256_add_ps(x[1], x[6]);
  const __m256 s2 = _mm256_add_ps(x[2], x[5]), s3 = _mm256_add_ps(x[3], x[4]);
  const __m256 d0 = _mm256_sub_ps(x[0], x[7]), d1 = _mm256_sub_ps(x[1], x[6]);
  const __m256 d2 = _mm256_sub_ps(x[2], x[5]), d3 = _mm256_sub_ps(x[3], x[4]);
  const __m256 e0 = _mm256_add_ps(s0, s3), e1 = _mm256_add_ps(s1, s2);
  const __m256 e2 = _mm256_sub_ps(s0, s3), e3 = _mm256_sub_ps(s1, s2);
  x[0] = Mul(kC[0][0], _mm256_add_ps(e0, e1));
  x[4] = Mul(kC[0][0], _mm256_sub_ps(e0, e1));
  x[2] = _mm256_add_ps(Mul(kC[2][0], e2), Mul(kC[2][1], e3));
  x[6] = _mm256_sub_ps(Mul(kC[2][1], e2), Mul(kC[2][0], e3));
  for (int k = 1; k < 8; k += 2)
    x[k] = _mm256_add_ps(_mm256_add_ps(Mul(kC[k][0], d0), Mul(kC[k][1], d1)),
                         _mm256_add_ps(Mul(kC[k][2], d2), Mul(kC[k][3], d3)));
}

OSPREL_AVX2 inline void Transpose8(__m256* r) {
  __m256 t[8], u[8];
  for (int i = 0; i < 4; ++i) {
    t[2 * i] = _mm256_unpacklo_ps(r[2 * i], r[2 * i + 1]);
    t[2 * i + 1] = _mm256_unpackhi_ps(r[2 * i], r[2 * i + 1]);
  }
  for (int i = 0; i < 2; ++i) {
    u[4 * i] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], 0x44);
    u[4 * i + 1] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], 0xEE);
    u[4 * i + 2] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], 0x44);
    u[4 * i + 3] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], 0xEE);
  }
  for (int i = 0; i < 4; ++i) {
    r[i] = _mm256_permute2f128_ps(u[i], u[4 + i], 0x20);
    r[4 + i] = _mm256_permute2f128_ps(u[i], u[4 + i], 0x31);
  }
}


// Level of rounded magnitudes a (>= 0): min(127, max(a - offset, 0) / step),
// the division as truncation of (n + 1/2) / step, which no rounding of the
// float product can carry across an integer for n <= 2048 and step <= 62.
OSPREL_AVX2 inline __m256i LevelOf(__m256i a, __m256i offset, __m256 inverseStep) {
  const __m256i n = _mm256_max_epi32(_mm256_sub_epi32(a, offset), _mm256_setzero_si256());
  const __m256 q = _mm256_mul_ps(_mm256_add_ps(_mm256_cvtepi32_ps(n), _mm256_set1_ps(0.5f)), inverseStep);
  return _mm256_min_epi32(_mm256_cvttps_epi32(q), _mm256_set1_epi32(127));
}

}  // namespace

OSPREL_AVX2 bool ForwardQuantiseAvx2(const int16_t* block, int qp, bool intra, float margin, int16_t* levels) {
  __m256i rows16[4];
  __m256i maxAbs = _mm256_setzero_si256();
  for (int i = 0; i < 4; ++i) {
    rows16[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 16 * i));
    maxAbs = _mm256_max_epi16(maxAbs, _mm256_abs_epi16(rows16[i]));
  }
  if (!_mm256_testz_si256(_mm256_cmpgt_epi16(maxAbs, _mm256_set1_epi16(255)), _mm256_set1_epi16(-1)))
    return false;
  __m256 r[8];
  for (int i = 0; i < 4; ++i) {
    r[2 * i] = _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm256_castsi256_si128(rows16[i])));
    r[2 * i + 1] = _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm256_extracti128_si256(rows16[i], 1)));
  }
  Forward8(r);  // vertical: lane = column
  Transpose8(r);
  Forward8(r);  // horizontal: register = horizontal frequency, lane = vertical
  Transpose8(r);

  // The exact path's integer is the truncation of |X| + 1/2 (sign restored);
  // for any X within margin of v it lies between the truncations of
  // |v| + 1/2 - margin and |v| + 1/2 + margin. Both ends must quantise alike.
  const __m256 signMask = _mm256_set1_ps(-0.0f);
  const __m256 down = _mm256_set1_ps(0.5f - margin), up = _mm256_set1_ps(0.5f + margin);
  const __m256i offset = _mm256_set1_epi32(intra ? 0 : qp / 2);
  const __m256 inverseStep = _mm256_set1_ps(1.0f / float(2 * qp));
  __m256i differ = _mm256_setzero_si256();
  int dcLo = 0, dcHi = 0;
  for (int i = 0; i < 8; i += 2) {
    __m256i out[2];
    for (int j = 0; j < 2; ++j) {
      const __m256 v = r[i + j];
      const __m256 a = _mm256_andnot_ps(signMask, v);
      const __m256i al = _mm256_cvttps_epi32(_mm256_add_ps(a, down));
      const __m256i ah = _mm256_cvttps_epi32(_mm256_add_ps(a, up));
      if (i + j == 0 && intra) {  // the DC: a nonnegative sum, quantised below
        dcLo = _mm256_cvtsi256_si32(al);
        dcHi = _mm256_cvtsi256_si32(ah);
      }
      const __m256i ll = LevelOf(al, offset, inverseStep), lh = LevelOf(ah, offset, inverseStep);
      differ = _mm256_or_si256(differ, _mm256_xor_si256(ll, lh));
      const __m256i neg = _mm256_srai_epi32(_mm256_castps_si256(v), 31);
      out[j] = _mm256_sub_epi32(_mm256_xor_si256(ll, neg), neg);
    }
    // packs works within 128-bit lanes: put the rows back in order.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(levels + 8 * i),
                        _mm256_permute4x64_epi64(_mm256_packs_epi32(out[0], out[1]), 0xD8));
  }
  if (intra) {
    // A negative DC cannot come from samples of 0..255 (the sum is exact in
    // float); levels of 1..254 from the truncating division by 8.
    const auto dc = [](int c) { return c < 8 ? 1 : (c >> 3 > 254 ? 254 : c >> 3); };
    if (r[0][0] < 0 || dc(dcLo) != dc(dcHi)) return false;
    levels[0] = static_cast<int16_t>(dc(dcLo));
  }
  return _mm256_testz_si256(differ, differ);
}

}  // namespace osprel::transform_detail
