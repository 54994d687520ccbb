#include "sad.h"

#include <emmintrin.h>

namespace osprel {

int Sad16x16(const uint8_t* cur, const uint8_t* ref, int pitch, int sad8[4]) {
  __m128i top = _mm_setzero_si128(), bottom = _mm_setzero_si128();
  for (int r = 0; r < 8; ++r)
    top = _mm_add_epi64(top, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + r * pitch)),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(ref + r * pitch))));
  for (int r = 8; r < 16; ++r)
    bottom = _mm_add_epi64(bottom, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + r * pitch)),
                                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(ref + r * pitch))));
  sad8[0] = _mm_cvtsi128_si32(top);
  sad8[1] = _mm_cvtsi128_si32(_mm_srli_si128(top, 8));
  sad8[2] = _mm_cvtsi128_si32(bottom);
  sad8[3] = _mm_cvtsi128_si32(_mm_srli_si128(bottom, 8));
  return sad8[0] + sad8[1] + sad8[2] + sad8[3];
}

}  // namespace osprel
