// AVX-512 kernels: one register holds a whole row and the block stays in
// registers. This file is compiled with -mavx512f and must use intrinsics and
// the shared kernel only.
#include <immintrin.h>

#include "dct8x8_internal.h"
#include "dct8x8_kernel.h"

namespace tovrik {
namespace {

struct Avx512Ops {
  static __m512d Add(__m512d a, __m512d b) { return _mm512_add_pd(a, b); }
  static __m512d Sub(__m512d a, __m512d b) { return _mm512_sub_pd(a, b); }
  static __m512d Mul(__m512d a, __m512d b) { return _mm512_mul_pd(a, b); }
  static __m512d Set(double c) { return _mm512_set1_pd(c); }
};

inline void Transpose8(__m512d* r) {
  __m512d t[8];
  for (int i = 0; i < 4; ++i) {
    t[2 * i] = _mm512_unpacklo_pd(r[2 * i], r[2 * i + 1]);      // r0_0 r1_0 | r0_2 r1_2 | ...
    t[2 * i + 1] = _mm512_unpackhi_pd(r[2 * i], r[2 * i + 1]);  // r0_1 r1_1 | r0_3 r1_3 | ...
  }
  const __m512i lo = _mm512_set_epi64(13, 12, 5, 4, 9, 8, 1, 0);
  const __m512i hi = _mm512_set_epi64(15, 14, 7, 6, 11, 10, 3, 2);
  const __m512d u0 = _mm512_permutex2var_pd(t[0], lo, t[2]);  // rows 0-3: columns 0 | 4
  const __m512d u1 = _mm512_permutex2var_pd(t[0], hi, t[2]);  // columns 2 | 6
  const __m512d u2 = _mm512_permutex2var_pd(t[1], lo, t[3]);  // columns 1 | 5
  const __m512d u3 = _mm512_permutex2var_pd(t[1], hi, t[3]);  // columns 3 | 7
  const __m512d u4 = _mm512_permutex2var_pd(t[4], lo, t[6]);  // rows 4-7
  const __m512d u5 = _mm512_permutex2var_pd(t[4], hi, t[6]);
  const __m512d u6 = _mm512_permutex2var_pd(t[5], lo, t[7]);
  const __m512d u7 = _mm512_permutex2var_pd(t[5], hi, t[7]);
  r[0] = _mm512_shuffle_f64x2(u0, u4, 0x44);
  r[4] = _mm512_shuffle_f64x2(u0, u4, 0xEE);
  r[2] = _mm512_shuffle_f64x2(u1, u5, 0x44);
  r[6] = _mm512_shuffle_f64x2(u1, u5, 0xEE);
  r[1] = _mm512_shuffle_f64x2(u2, u6, 0x44);
  r[5] = _mm512_shuffle_f64x2(u2, u6, 0xEE);
  r[3] = _mm512_shuffle_f64x2(u3, u7, 0x44);
  r[7] = _mm512_shuffle_f64x2(u3, u7, 0xEE);
}

inline __m256i RoundSaturate(__m512d x) {
  const __m512d sign = _mm512_castsi512_pd(
      _mm512_and_si512(_mm512_castpd_si512(x), _mm512_set1_epi64(static_cast<long long>(0x8000000000000000ull))));
  const __m512d half = _mm512_castsi512_pd(
      _mm512_or_si512(_mm512_castpd_si512(_mm512_set1_pd(kernel::kHalfUp)), _mm512_castpd_si512(sign)));
  __m512d y = _mm512_add_pd(x, half);
  y = _mm512_min_pd(_mm512_max_pd(y, _mm512_set1_pd(-32768.0)), _mm512_set1_pd(32767.0));
  return _mm512_cvttpd_epi32(y);
}

template <bool kForward>
inline void Transform(const int16_t* src, int16_t* dst) {
  __m512d r[8];
  for (int i = 0; i < 8; ++i)
    r[i] = _mm512_cvtepi32_pd(_mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8 * i))));
  for (int pass = 0; pass < 2; ++pass) {
    kForward ? kernel::Forward8<Avx512Ops>(r) : kernel::Inverse8<Avx512Ops>(r);
    Transpose8(r);
  }
  for (int i = 0; i < 8; i += 2) {
    const __m512i two = _mm512_inserti64x4(_mm512_castsi256_si512(RoundSaturate(r[i])), RoundSaturate(r[i + 1]), 1);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 8 * i), _mm512_cvtsepi32_epi16(two));
  }
}

}  // namespace

void ForwardAvx512(const int16_t* src, int16_t* dst) { Transform<true>(src, dst); }
void InverseAvx512(const int16_t* src, int16_t* dst) { Transform<false>(src, dst); }

}  // namespace tovrik
