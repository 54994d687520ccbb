#include "block_ops.h"

#include <emmintrin.h>


namespace osprel {

namespace {

template <int kSize>
inline __m128i LoadRow(const uint8_t* p) {
  if constexpr (kSize == 8)
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  else
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

template <int kSize>
inline void StoreRow(uint8_t* p, __m128i v) {
  if constexpr (kSize == 8)
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
  else
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// (A + B + C + D + 2) >> 2 on eight 16-bit lanes.
inline __m128i Average4(__m128i a, __m128i b, __m128i c, __m128i d) {
  const __m128i sum = _mm_add_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, d));
  return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(2)), 2);
}

template <int kSize>
void Predict(const uint8_t* a, int pitch, int hx, int hy, uint8_t* out, int outPitch) {
  if (!hx && !hy) {
    for (int r = 0; r < kSize; ++r) StoreRow<kSize>(out + r * outPitch, LoadRow<kSize>(a + r * pitch));
  } else if (!hy) {
    for (int r = 0; r < kSize; ++r, a += pitch)
      StoreRow<kSize>(out + r * outPitch, _mm_avg_epu8(LoadRow<kSize>(a), LoadRow<kSize>(a + 1)));
  } else if (!hx) {
    __m128i above = LoadRow<kSize>(a);
    for (int r = 0; r < kSize; ++r) {
      const __m128i below = LoadRow<kSize>(a + (r + 1) * pitch);
      StoreRow<kSize>(out + r * outPitch, _mm_avg_epu8(above, below));
      above = below;
    }
  } else {
    const __m128i zero = _mm_setzero_si128();
    __m128i aRow = LoadRow<kSize>(a), bRow = LoadRow<kSize>(a + 1);
    for (int r = 0; r < kSize; ++r) {
      const __m128i cRow = LoadRow<kSize>(a + (r + 1) * pitch), dRow = LoadRow<kSize>(a + (r + 1) * pitch + 1);
      const __m128i lo = Average4(_mm_unpacklo_epi8(aRow, zero), _mm_unpacklo_epi8(bRow, zero),
                                  _mm_unpacklo_epi8(cRow, zero), _mm_unpacklo_epi8(dRow, zero));
      const __m128i hi = Average4(_mm_unpackhi_epi8(aRow, zero), _mm_unpackhi_epi8(bRow, zero),
                                  _mm_unpackhi_epi8(cRow, zero), _mm_unpackhi_epi8(dRow, zero));
      StoreRow<kSize>(out + r * outPitch, _mm_packus_epi16(lo, hi));
      aRow = cRow;
      bRow = dRow;
    }
  }
}

}  // namespace

void PredictBlock(const uint8_t* plane, int pitch, int x, int y, int mvx, int mvy, int size,
                  uint8_t* out, int outPitch) {
  const uint8_t* a = plane + (y + (mvy >> 1)) * pitch + x + (mvx >> 1);
  if (size == 16)
    Predict<16>(a, pitch, mvx & 1, mvy & 1, out, outPitch);
  else
    Predict<8>(a, pitch, mvx & 1, mvy & 1, out, outPitch);
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
  const __m128i v = _mm_set1_epi8(static_cast<char>(value));
  for (int r = 0; r < 8; ++r) _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + r * dstPitch), v);
}

void CopyBlock(const uint8_t* src, int srcPitch, uint8_t* dst, int dstPitch, int size) {
  if (size == 16)
    Predict<16>(src, srcPitch, 0, 0, dst, dstPitch);
  else
    Predict<8>(src, srcPitch, 0, 0, dst, dstPitch);
}

}  // namespace osprel
