#include "sad.h"

#include <emmintrin.h>

namespace osprel {

StripSad Sad16x8(const uint8_t* cur, int curPitch, const uint8_t* ref, int refPitch) {
  __m128i sum = _mm_setzero_si128();
  for (int r = 0; r < 8; ++r)
    sum = _mm_add_epi64(sum, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cur + r * curPitch)),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(ref + r * refPitch))));
  return {_mm_cvtsi128_si32(sum), _mm_cvtsi128_si32(_mm_srli_si128(sum, 8))};
}

int Sad16x16(const uint8_t* cur, const uint8_t* ref, int pitch, int sad8[4]) {
  const StripSad top = Sad16x8(cur, pitch, ref, pitch);
  const StripSad bottom = Sad16x8(cur + 8 * pitch, pitch, ref + 8 * pitch, pitch);
  return Quarters(top, bottom, sad8);
}

}  // namespace osprel
