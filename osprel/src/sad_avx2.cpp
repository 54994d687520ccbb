// AVX2 kernel: two rows per register, compiled for AVX2 by its target
// attribute and chosen at run time; it calls intrinsics only.
#include <immintrin.h>

#include "sad.h"

namespace osprel::sad_detail {
namespace {

__attribute__((target("avx2"))) inline __m256i TwoRows(const uint8_t* p, int pitch) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + pitch)), 1);
}

// Eight rows starting at row r into acc (lanes: left, right of the even rows, then of the odd rows).
__attribute__((target("avx2"))) inline __m256i EightRows(const uint8_t* cur, const uint8_t* ref, int pitch,
                                                           __m256i acc) {
  for (int r = 0; r < 8; r += 2)
    acc = _mm256_add_epi64(acc, _mm256_sad_epu8(TwoRows(cur + r * pitch, pitch), TwoRows(ref + r * pitch, pitch)));
  return acc;
}

// Left and right sums of an accumulator.
__attribute__((target("avx2"))) inline __m128i Halves(__m256i acc) {
  return _mm_add_epi64(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
}

}  // namespace

__attribute__((target("avx2"))) int Sad16x16Avx2(const uint8_t* cur, const uint8_t* ref, int pitch, int limit,
                                                 int sad8[4]) {
  const __m128i t = Halves(EightRows(cur, ref, pitch, _mm256_setzero_si256()));
  const int top = _mm_cvtsi128_si32(t) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(t, t));
  if (top >= limit) return top;
  const __m128i b = Halves(EightRows(cur + 8 * pitch, ref + 8 * pitch, pitch, _mm256_setzero_si256()));
  sad8[0] = _mm_cvtsi128_si32(t);
  sad8[1] = _mm_cvtsi128_si32(_mm_unpackhi_epi64(t, t));
  sad8[2] = _mm_cvtsi128_si32(b);
  sad8[3] = _mm_cvtsi128_si32(_mm_unpackhi_epi64(b, b));
  return top + sad8[2] + sad8[3];
}

}  // namespace osprel::sad_detail
