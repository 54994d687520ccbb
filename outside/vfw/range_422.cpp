#include "range_422.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VFW_HAVE_AVX2_KERNEL 1
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

#ifdef VFW_HAVE_AVX2_KERNEL
// The arithmetic of ExpandLuma / ExpandChroma on sixteen 16-bit lanes;
// mulhrs is (a × b + 2^14) >> 15.
__attribute__((target("avx2"))) inline __m256i ExpandLuma16(__m256i y) {
  const __m256i t = _mm256_subs_epu16(y, _mm256_set1_epi16(16));
  return _mm256_mulhrs_epi16(_mm256_add_epi16(t, t), _mm256_set1_epi16(19077));
}

__attribute__((target("avx2"))) inline __m256i ExpandChroma16(__m256i c) {
  const __m256i d = _mm256_sub_epi16(c, _mm256_set1_epi16(128));
  return _mm256_add_epi16(c, _mm256_mulhrs_epi16(d, _mm256_set1_epi16(4535)));
}

// 32 pixels (64 bytes) per step; returns the pixels done.
__attribute__((target("avx2"))) int SplitRowAvx2(const uint8_t* src, int pixels, bool uyvy, uint8_t* y,
                                                 uint8_t* u, uint8_t* v) {
  const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
  const int lumaShift = uyvy ? 8 : 0;
  const int chromaShift = uyvy ? 0 : 8;
  int i = 0;
  for (; i + 32 <= pixels; i += 32) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 2 * i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 2 * i + 32));
    const __m256i lumaA = _mm256_and_si256(_mm256_srli_epi16(a, lumaShift), lowBytes);
    const __m256i lumaB = _mm256_and_si256(_mm256_srli_epi16(b, lumaShift), lowBytes);
    const __m256i chromaA = _mm256_and_si256(_mm256_srli_epi16(a, chromaShift), lowBytes);
    const __m256i chromaB = _mm256_and_si256(_mm256_srli_epi16(b, chromaShift), lowBytes);
    // packus works per 128-bit half; the permute puts the quarters back in order.
    const __m256i luma = _mm256_permute4x64_epi64(_mm256_packus_epi16(ExpandLuma16(lumaA), ExpandLuma16(lumaB)), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + i), luma);
    const __m256i uv =
        _mm256_permute4x64_epi64(_mm256_packus_epi16(ExpandChroma16(chromaA), ExpandChroma16(chromaB)), 0xD8);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i us = _mm256_permute4x64_epi64(_mm256_packus_epi16(_mm256_and_si256(uv, lowBytes), zero), 0xD8);
    const __m256i vs = _mm256_permute4x64_epi64(_mm256_packus_epi16(_mm256_srli_epi16(uv, 8), zero), 0xD8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(u + i / 2), _mm256_castsi256_si128(us));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(v + i / 2), _mm256_castsi256_si128(vs));
  }
  return i;
}

bool HaveAvx2() {
  static const bool have = __builtin_cpu_supports("avx2");
  return have;
}
#endif

}  // namespace

void SplitExpand422(const uint8_t* packed, int width, int height, bool uyvy, uint8_t* y, uint8_t* u,
                    uint8_t* v) {
  const int half = width / 2;
#ifdef VFW_HAVE_AVX2_KERNEL
  const bool avx2 = HaveAvx2();
#endif
  for (int row = 0; row < height; ++row) {
    const uint8_t* src = packed + static_cast<ptrdiff_t>(row) * width * 2;
    uint8_t* yRow = y + static_cast<ptrdiff_t>(row) * width;
    uint8_t* uRow = u + static_cast<ptrdiff_t>(row) * half;
    uint8_t* vRow = v + static_cast<ptrdiff_t>(row) * half;
    int done = 0;
#ifdef VFW_HAVE_AVX2_KERNEL
    if (avx2) done = SplitRowAvx2(src, width, uyvy, yRow, uRow, vRow);
#endif
    SplitRowScalar(src + 2 * done, width - done, uyvy, yRow + done, uRow + done / 2, vRow + done / 2);
  }
}

}  // namespace vfw
