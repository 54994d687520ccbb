#include "block_ops.h"

#include <emmintrin.h>

#include <cstring>

namespace osprel {

void PredictBlock(const uint8_t* plane, int pitch, int x, int y, int mvx, int mvy, int size,
                  uint8_t* out, int outPitch) {
  const int hx = mvx & 1, hy = mvy & 1;
  const uint8_t* a = plane + (y + (mvy >> 1)) * pitch + x + (mvx >> 1);
  if (!hx && !hy) {
    CopyBlock(a, pitch, out, outPitch, size);
    return;
  }
  for (int r = 0; r < size; ++r, a += pitch, out += outPitch) {
    const uint8_t* b = a + hx;
    const uint8_t* c = a + hy * pitch;
    const uint8_t* d = c + hx;
    for (int i = 0; i < size; ++i) {
      if (hx && hy)
        out[i] = static_cast<uint8_t>((a[i] + b[i] + c[i] + d[i] + 2) >> 2);
      else
        out[i] = static_cast<uint8_t>((a[i] + (hx ? b[i] : c[i]) + 1) >> 1);
    }
  }
}

bool PredictionInside(int x, int y, int mvx, int mvy, int size, int width, int height) {
  const int left = x + (mvx >> 1), top = y + (mvy >> 1);
  return left >= 0 && top >= 0 && left + size + (mvx & 1) <= width &&
         top + size + (mvy & 1) <= height;
}

void TakeBlock(const uint8_t* src, int pitch, int16_t* out) {
  const __m128i zero = _mm_setzero_si128();
  for (int r = 0; r < 8; ++r) {
    const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + r * pitch));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8 * r), _mm_unpacklo_epi8(s, zero));
  }
}

void Residual(const uint8_t* src, int srcPitch, const uint8_t* pred, int predPitch, int16_t* out) {
  const __m128i zero = _mm_setzero_si128();
  for (int r = 0; r < 8; ++r) {
    const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + r * srcPitch));
    const __m128i p = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pred + r * predPitch));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8 * r),
                     _mm_sub_epi16(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(p, zero)));
  }
}

void AddClip(const uint8_t* pred, int predPitch, const int16_t* residual, uint8_t* dst, int dstPitch) {
  const __m128i zero = _mm_setzero_si128();
  for (int r = 0; r < 8; ++r) {
    const __m128i p = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pred + r * predPitch));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(residual + 8 * r));
    // Saturating add keeps the 16-bit sum exact up to the clip for any residual.
    const __m128i sum = _mm_adds_epi16(_mm_unpacklo_epi8(p, zero), d);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + r * dstPitch), _mm_packus_epi16(sum, sum));
  }
}

void StoreClip(const int16_t* samples, uint8_t* dst, int dstPitch) {
  for (int r = 0; r < 8; ++r) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + 8 * r));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + r * dstPitch), _mm_packus_epi16(s, s));
  }
}

void FillBlock(uint8_t value, uint8_t* dst, int dstPitch) {
  for (int r = 0; r < 8; ++r) std::memset(dst + r * dstPitch, value, 8);
}

void CopyBlock(const uint8_t* src, int srcPitch, uint8_t* dst, int dstPitch, int size) {
  for (int r = 0; r < size; ++r) std::memcpy(dst + r * dstPitch, src + r * srcPitch, size);
}

}  // namespace osprel
