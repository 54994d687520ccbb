// AVX2 kernels: one register holds four columns of a row. This file is
// compiled with -mavx2 and must use intrinsics and the shared kernel only.
#include <immintrin.h>

#include "dct8x8_internal.h"
#include "dct8x8_kernel.h"

namespace tovrik {
namespace {

struct Avx2Ops {
  static __m256d Add(__m256d a, __m256d b) { return _mm256_add_pd(a, b); }
  static __m256d Sub(__m256d a, __m256d b) { return _mm256_sub_pd(a, b); }
  static __m256d Mul(__m256d a, __m256d b) { return _mm256_mul_pd(a, b); }
  static __m256d Set(double c) { return _mm256_set1_pd(c); }
};

// half[h][r]: row r, columns 4h..4h+3.
struct Block {
  __m256d half[2][8];
};

inline void Transpose4(__m256d& a, __m256d& b, __m256d& c, __m256d& d) {
  const __m256d t0 = _mm256_unpacklo_pd(a, b), t1 = _mm256_unpackhi_pd(a, b);
  const __m256d t2 = _mm256_unpacklo_pd(c, d), t3 = _mm256_unpackhi_pd(c, d);
  a = _mm256_permute2f128_pd(t0, t2, 0x20);
  b = _mm256_permute2f128_pd(t1, t3, 0x20);
  c = _mm256_permute2f128_pd(t0, t2, 0x31);
  d = _mm256_permute2f128_pd(t1, t3, 0x31);
}

inline void Transpose8(Block& m) {
  __m256d* h0 = m.half[0];
  __m256d* h1 = m.half[1];
  Transpose4(h0[0], h0[1], h0[2], h0[3]);
  Transpose4(h1[4], h1[5], h1[6], h1[7]);
  Transpose4(h1[0], h1[1], h1[2], h1[3]);
  Transpose4(h0[4], h0[5], h0[6], h0[7]);
  for (int i = 0; i < 4; ++i) {
    const __m256d t = h1[i];
    h1[i] = h0[4 + i];
    h0[4 + i] = t;
  }
}

inline void Load(const int16_t* src, Block& m) {
  for (int r = 0; r < 8; ++r) {
    const __m256i wide = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8 * r)));
    m.half[0][r] = _mm256_cvtepi32_pd(_mm256_castsi256_si128(wide));
    m.half[1][r] = _mm256_cvtepi32_pd(_mm256_extracti128_si256(wide, 1));
  }
}

inline __m128i RoundSaturate(__m256d x) {
  const __m256d sign = _mm256_and_pd(x, _mm256_set1_pd(-0.0));
  __m256d y = _mm256_add_pd(x, _mm256_or_pd(_mm256_set1_pd(kernel::kHalfUp), sign));
  y = _mm256_min_pd(_mm256_max_pd(y, _mm256_set1_pd(-32768.0)), _mm256_set1_pd(32767.0));
  return _mm256_cvttpd_epi32(y);
}

inline void Store(const Block& m, int16_t* dst) {
  for (int r = 0; r < 8; ++r)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8 * r),
                     _mm_packs_epi32(RoundSaturate(m.half[0][r]), RoundSaturate(m.half[1][r])));
}

template <bool kForward>
inline void Transform(const int16_t* src, int16_t* dst) {
  Block m;
  Load(src, m);
  for (int pass = 0; pass < 2; ++pass) {
    for (int h = 0; h < 2; ++h)
      kForward ? kernel::Forward8<Avx2Ops>(m.half[h]) : kernel::Inverse8<Avx2Ops>(m.half[h]);
    Transpose8(m);
  }
  Store(m, dst);
}

}  // namespace

void ForwardAvx2(const int16_t* src, int16_t* dst) { Transform<true>(src, dst); }
void InverseAvx2(const int16_t* src, int16_t* dst) { Transform<false>(src, dst); }

}  // namespace tovrik
