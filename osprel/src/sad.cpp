#include "sad.h"

#include <emmintrin.h>

#include <climits>

namespace osprel {
namespace sad_detail {

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

namespace {
inline __m128i EightRows(const uint8_t* cur, const uint8_t* ref, int pitch) {
  __m128i acc = _mm_setzero_si128();
  for (int r = 0; r < 8; ++r)
    acc = _mm_add_epi64(acc, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + r * pitch)),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(ref + r * pitch))));
  return acc;
}
}  // namespace

int Sad16x16Sse2(const uint8_t* cur, const uint8_t* ref, int pitch, int limit, int sad8[4]) {
  const __m128i t = EightRows(cur, ref, pitch);
  const int top = _mm_cvtsi128_si32(t) + _mm_cvtsi128_si32(_mm_srli_si128(t, 8));
  if (top >= limit) return top;
  const __m128i b = EightRows(cur + 8 * pitch, ref + 8 * pitch, pitch);
  sad8[0] = _mm_cvtsi128_si32(t);
  sad8[1] = _mm_cvtsi128_si32(_mm_srli_si128(t, 8));
  sad8[2] = _mm_cvtsi128_si32(b);
  sad8[3] = _mm_cvtsi128_si32(_mm_srli_si128(b, 8));
  return top + sad8[2] + sad8[3];
}

}  // namespace sad_detail

namespace {
using SadKernel = int (*)(const uint8_t*, const uint8_t*, int, int, int*);
const SadKernel kSad = sad_detail::HasAvx2() ? sad_detail::Sad16x16Avx2 : sad_detail::Sad16x16Sse2;
}  // namespace

int Sad16x16(const uint8_t* cur, const uint8_t* ref, int pitch, int sad8[4]) {
  return kSad(cur, ref, pitch, INT_MAX, sad8);
}

int Sad16x16Below(const uint8_t* cur, const uint8_t* ref, int pitch, int limit, int sad8[4]) {
  return kSad(cur, ref, pitch, limit, sad8);
}

}  // namespace osprel
