#include "block_ops.h"

#include "motion.h"

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

// (A + B + C + D + 2) >> 2 on sixteen bytes, exactly: with x and y the
// rounded-up means of A, B and of C, D, and z that of x and y, the sum is
// 4z - 2 ((x ^ y) & 1) - ((A ^ B) & 1) - ((C ^ D) & 1), so the result is z,
// less one where x + y was odd and A + B or C + D was.
inline __m128i Average4(__m128i a, __m128i b, __m128i c, __m128i d) {
  const __m128i x = _mm_avg_epu8(a, b), y = _mm_avg_epu8(c, d);
  const __m128i odd = _mm_and_si128(_mm_and_si128(_mm_xor_si128(x, y), _mm_or_si128(_mm_xor_si128(a, b), _mm_xor_si128(c, d))),
                                    _mm_set1_epi8(1));
  return _mm_sub_epi8(_mm_avg_epu8(x, y), odd);
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
    __m128i aRow = LoadRow<kSize>(a), bRow = LoadRow<kSize>(a + 1);
    for (int r = 0; r < kSize; ++r) {
      const __m128i cRow = LoadRow<kSize>(a + (r + 1) * pitch), dRow = LoadRow<kSize>(a + (r + 1) * pitch + 1);
      StoreRow<kSize>(out + r * outPitch, Average4(aRow, bRow, cRow, dRow));
      aRow = cRow;
      bRow = dRow;
    }
  }
}

// Row r of two 8x8 blocks side by side (the Cb and Cr predictions at once).
inline __m128i LoadPair(const uint8_t* a, const uint8_t* b) {
  return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)),
                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)));
}

inline void StorePair(uint8_t* a, uint8_t* b, __m128i v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(a), v);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(b), _mm_unpackhi_epi64(v, v));
}

// Where the rows of a two-plane prediction go: stored, and with kCompare
// also summed against the source's rows (psadbw sums each plane's half).
template <bool kCompare>
struct PairOut {
  uint8_t* a;
  uint8_t* b;
  int pitch;
  const uint8_t* srcA;
  const uint8_t* srcB;
  __m128i sad = _mm_setzero_si128();

  void Row(int r, __m128i v) {
    StorePair(a + r * pitch, b + r * pitch, v);
    if constexpr (kCompare) sad = _mm_add_epi64(sad, _mm_sad_epu8(v, LoadPair(srcA + r * pitch, srcB + r * pitch)));
  }
};

// Predict<8> of two planes at the same offset and pitch.
template <typename Out>
void PredictPair(const uint8_t* a, const uint8_t* b, int pitch, int hx, int hy, Out& out) {
  if (!hx && !hy) {
    for (int r = 0; r < 8; ++r) out.Row(r, LoadPair(a + r * pitch, b + r * pitch));
  } else if (!hy) {
    for (int r = 0; r < 8; ++r)
      out.Row(r, _mm_avg_epu8(LoadPair(a + r * pitch, b + r * pitch), LoadPair(a + r * pitch + 1, b + r * pitch + 1)));
  } else if (!hx) {
    __m128i above = LoadPair(a, b);
    for (int r = 0; r < 8; ++r) {
      const __m128i below = LoadPair(a + (r + 1) * pitch, b + (r + 1) * pitch);
      out.Row(r, _mm_avg_epu8(above, below));
      above = below;
    }
  } else {
    __m128i aRow = LoadPair(a, b), bRow = LoadPair(a + 1, b + 1);
    for (int r = 0; r < 8; ++r) {
      const __m128i cRow = LoadPair(a + (r + 1) * pitch, b + (r + 1) * pitch);
      const __m128i dRow = LoadPair(a + (r + 1) * pitch + 1, b + (r + 1) * pitch + 1);
      out.Row(r, Average4(aRow, bRow, cRow, dRow));
      aRow = cRow;
      bRow = dRow;
    }
  }
}

// Luma and both chroma predictions; the chroma ones go to out, made for the
// chroma blocks' place in dst.
template <typename Out>
void PredictInto(const uint8_t* const ref[3], uint8_t* const dst[3], int w, int x, int y, int mvx, int mvy, Out& out) {
  PredictBlock(ref[0], w, x, y, mvx, mvy, 16, dst[0] + y * w + x, w);
  const int cw = w / 2, cx = x / 2, cy = y / 2, cvx = ChromaVector(mvx), cvy = ChromaVector(mvy);
  const int from = (cy + (cvy >> 1)) * cw + cx + (cvx >> 1);
  PredictPair(ref[1] + from, ref[2] + from, cw, cvx & 1, cvy & 1, out);
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

void PredictMacroblock(const uint8_t* const ref[3], uint8_t* const dst[3], int w, int x, int y, int mvx, int mvy) {
  const int to = (y / 2) * (w / 2) + x / 2;
  PairOut<false> out = {dst[1] + to, dst[2] + to, w / 2, nullptr, nullptr};
  PredictInto(ref, dst, w, x, y, mvx, mvy, out);
}

void PredictMacroblock(const uint8_t* const ref[3], uint8_t* const dst[3], int w, int x, int y, int mvx, int mvy,
                       const uint8_t* const src[3], int chromaSad[2]) {
  const int to = (y / 2) * (w / 2) + x / 2;
  PairOut<true> out = {dst[1] + to, dst[2] + to, w / 2, src[1] + to, src[2] + to};
  PredictInto(ref, dst, w, x, y, mvx, mvy, out);
  chromaSad[0] = _mm_cvtsi128_si32(out.sad);
  chromaSad[1] = _mm_cvtsi128_si32(_mm_unpackhi_epi64(out.sad, out.sad));
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

}  // namespace osprel
