// The table quantiser's levels computed with AVX-512 (BW) arithmetic and the
// zigzag reorder done by two permutes. Compiled for AVX-512 by target
// attributes and chosen at run time; it uses intrinsics and its own helpers
// only.
//
// Level of a coefficient c: sign(c) min(127, max(|c| - offset, 0) / (2 qp)),
// offset 0 (intra AC) or qp / 2 (inter), as the tables hold. The division is
// floor(n M / 2^20) with M = ceil(2^20 / d): writing M d = 2^20 + e with
// 0 <= e < d, n M / 2^20 = n / d + n e / (d 2^20), and n e < 2^20 for every
// n <= 2048 and d <= 62, so the excess stays below 1 / d and the floor is
// that of n / d.
#include <immintrin.h>

// GCC 12's AVX-512 intrinsics trip -Wuninitialized on their own placeholder
// values; the file cannot take its own warning flags (the decoder library
// rebuilds it), so the warning is silenced here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "quantiser_simd.h"
#include "vlc_tables.h"

#define OSPREL_AVX512 __attribute__((target("avx512f,avx512bw")))

namespace osprel::quantiser_detail {
namespace {

// Levels of 16 magnitudes (already reduced by the offset, >= 0).
OSPREL_AVX512 inline __m512i Divide(__m512i n, __m512i magic) {
  return _mm512_min_epi32(_mm512_srli_epi32(_mm512_mullo_epi32(n, magic), 20), _mm512_set1_epi32(127));
}

// 32 signed coefficients to 32 signed levels.
OSPREL_AVX512 inline __m512i Levels(__m512i c, __m512i offset, __m512i magic) {
  const __m512i n = _mm512_max_epi16(_mm512_subs_epi16(_mm512_abs_epi16(c), offset), _mm512_setzero_si512());
  const __m512i lo = Divide(_mm512_cvtepu16_epi32(_mm512_castsi512_si256(n)), magic);
  const __m512i hi = Divide(_mm512_cvtepu16_epi32(_mm512_extracti64x4_epi64(n, 1)), magic);
  const __m512i level = _mm512_inserti64x4(_mm512_castsi256_si512(_mm512_cvtepi32_epi16(lo)),
                                           _mm512_cvtepi32_epi16(hi), 1);
  const __mmask32 negative = _mm512_cmplt_epi16_mask(c, _mm512_setzero_si512());
  return _mm512_mask_sub_epi16(level, negative, _mm512_setzero_si512(), level);
}

constexpr std::array<int16_t, 64> ScanIndex() {
  std::array<int16_t, 64> s{};
  for (int i = 0; i < 64; ++i) s[i] = static_cast<int16_t>(kScanToRaster[i]);
  return s;
}
alignas(64) constexpr std::array<int16_t, 64> kScanIndex = ScanIndex();

}  // namespace

OSPREL_AVX512 bool QuantiseAvx512(const int16_t* coef, int qp, bool intra, int16_t* scan) {
  const int d = 2 * qp;
  const __m512i magic = _mm512_set1_epi32(((1 << 20) + d - 1) / d);
  const __m512i offset = _mm512_set1_epi16(static_cast<int16_t>(intra ? 0 : qp / 2));
  const __m512i r0 = Levels(_mm512_loadu_si512(coef), offset, magic);
  const __m512i r1 = Levels(_mm512_loadu_si512(coef + 32), offset, magic);
  const __m512i s0 = _mm512_permutex2var_epi16(r0, _mm512_load_si512(kScanIndex.data()), r1);
  const __m512i s1 = _mm512_permutex2var_epi16(r0, _mm512_load_si512(kScanIndex.data() + 32), r1);
  _mm512_storeu_si512(scan, s0);
  _mm512_storeu_si512(scan + 32, s1);
  // The intra DC (scan position 0) is the caller's; it does not count here.
  const __mmask32 nonzero0 = _mm512_test_epi16_mask(s0, s0) & (intra ? ~1u : ~0u);
  return (nonzero0 | _mm512_test_epi16_mask(s1, s1)) != 0;
}

}  // namespace osprel::quantiser_detail
