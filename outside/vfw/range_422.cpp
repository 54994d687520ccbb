#include "range_422.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vfw {
namespace {

void SplitRowScalar(const uint8_t* src, int pixels, bool uyvy, uint8_t* y, uint8_t* u, uint8_t* v) {
  const int lumaAt = uyvy ? 1 : 0;
  const int chromaAt = uyvy ? 0 : 1;
  for (int i = 0; i < pixels / 2; ++i) {
    const uint8_t* p = src + 4 * i;
    y[2 * i] = ExpandLuma(p[lumaAt]);
    y[2 * i + 1] = ExpandLuma(p[lumaAt + 2]);
    u[i] = ExpandChroma(p[chromaAt]);
    v[i] = ExpandChroma(p[chromaAt + 2]);
  }
}

#if defined(__SSE2__)
// Same arithmetic as ExpandLuma / ExpandChroma on eight 16-bit lanes.
inline __m128i ExpandLuma8(__m128i y) {
  const __m128i t = _mm_max_epi16(_mm_sub_epi16(y, _mm_set1_epi16(16)), _mm_setzero_si128());
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(t, _mm_set1_epi16(149)), _mm_set1_epi16(64)), 7);
}

inline __m128i ExpandChroma8(__m128i c) {
  const __m128i d = _mm_sub_epi16(c, _mm_set1_epi16(128));
  const __m128i f = _mm_srai_epi16(_mm_add_epi16(_mm_mullo_epi16(d, _mm_set1_epi16(142)), _mm_set1_epi16(512)), 10);
  return _mm_add_epi16(_mm_add_epi16(d, f), _mm_set1_epi16(128));
}

// 16 pixels (32 bytes) per step.
int SplitRowSse2(const uint8_t* src, int pixels, bool uyvy, uint8_t* y, uint8_t* u, uint8_t* v) {
  const __m128i lowBytes = _mm_set1_epi16(0x00FF);
  int i = 0;
  for (; i + 16 <= pixels; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * i + 16));
    __m128i lumaA, lumaB, chromaA, chromaB;
    if (uyvy) {
      lumaA = _mm_srli_epi16(a, 8);
      lumaB = _mm_srli_epi16(b, 8);
      chromaA = _mm_and_si128(a, lowBytes);
      chromaB = _mm_and_si128(b, lowBytes);
    } else {
      lumaA = _mm_and_si128(a, lowBytes);
      lumaB = _mm_and_si128(b, lowBytes);
      chromaA = _mm_srli_epi16(a, 8);
      chromaB = _mm_srli_epi16(b, 8);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y + i),
                     _mm_packus_epi16(ExpandLuma8(lumaA), ExpandLuma8(lumaB)));
    // U0 V0 U1 V1 ... as bytes, then split by byte parity.
    const __m128i uv = _mm_packus_epi16(ExpandChroma8(chromaA), ExpandChroma8(chromaB));
    const __m128i us = _mm_packus_epi16(_mm_and_si128(uv, lowBytes), _mm_setzero_si128());
    const __m128i vs = _mm_packus_epi16(_mm_srli_epi16(uv, 8), _mm_setzero_si128());
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u + i / 2), us);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(v + i / 2), vs);
  }
  return i;
}
#endif

}  // namespace

void SplitExpand422(const uint8_t* packed, int width, int height, bool uyvy, uint8_t* y, uint8_t* u,
                    uint8_t* v) {
  const int half = width / 2;
  for (int row = 0; row < height; ++row) {
    const uint8_t* src = packed + static_cast<ptrdiff_t>(row) * width * 2;
    uint8_t* yRow = y + static_cast<ptrdiff_t>(row) * width;
    uint8_t* uRow = u + static_cast<ptrdiff_t>(row) * half;
    uint8_t* vRow = v + static_cast<ptrdiff_t>(row) * half;
    int done = 0;
#if defined(__SSE2__)
    done = SplitRowSse2(src, width, uyvy, yRow, uRow, vRow);
#endif
    SplitRowScalar(src + 2 * done, width - done, uyvy, yRow + done, uRow + done / 2, vRow + done / 2);
  }
}

}  // namespace vfw
