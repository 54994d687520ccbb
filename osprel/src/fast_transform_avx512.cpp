// AVX-512 kernels of the single-precision transforms. Two blocks travel
// together: register i holds row i of block a in its low eight lanes and of
// block b in its high eight, so each butterfly instruction works on both.
//
// Rounding boundaries. An output of the exact path is the transform rounded
// to the nearest integer (halves away from zero, and the double-precision
// arithmetic behind it lies within 1e-10 of the exact value). A
// single-precision value v within E of the exact one settles that integer
// when |v| lies less than 0.5 - E from its nearest integer; otherwise the
// block goes back to the exact path. E = 1.05 x (bound per unit) x (sum of
// the inputs' magnitudes) + 1e-7, the last term covering the few roundings
// outside the butterflies and the exact path's own error.
//
// Everything here is compiled for AVX-512 by the pragmas below, so the
// standard headers come first and nothing after them may be shared with
// plain code; the butterflies are instantiated for this file's own type only.
#include "fast_transform_simd.h"
#include "vlc_tables.h"

#include <array>
#include <cstdint>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512dq"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512dq")
// GCC 12's AVX-512 intrinsics trip these on their own placeholder values.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include "dct8x8_kernel.h"

namespace osprel::fast_transform::detail {
namespace {

struct PairOps {
  static __m512 Add(__m512 a, __m512 b) { return _mm512_add_ps(a, b); }
  static __m512 Sub(__m512 a, __m512 b) { return _mm512_sub_ps(a, b); }
  static __m512 Mul(__m512 a, __m512 b) { return _mm512_mul_ps(a, b); }
  static __m512 Set(double c) { return _mm512_set1_ps(static_cast<float>(c)); }
};

constexpr __mmask16 kLanesA = 0x00FF, kLanesB = 0xFF00;
constexpr __mmask16 kRationalLanes = 0x1111;  // rows 0 and 4 of both blocks

// Row i of both blocks of pixels as sixteen 32-bit integers.
inline __m512i PixelRows(const uint8_t* a, const uint8_t* b) {
  const __m128i ra = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a));
  const __m128i rb = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b));
  return _mm512_cvtepu8_epi32(_mm_unpacklo_epi64(ra, rb));
}

// Transposes both 8x8 halves of r[0..7].
inline void TransposeHalves(__m512* r) {
  __m512 t[8], s[8];
  for (int i = 0; i < 8; i += 2) {
    t[i] = _mm512_unpacklo_ps(r[i], r[i + 1]);
    t[i + 1] = _mm512_unpackhi_ps(r[i], r[i + 1]);
  }
  for (int h = 0; h < 8; h += 4) {  // rows 0-3, then rows 4-7
    s[h] = _mm512_shuffle_ps(t[h], t[h + 2], 0x44);
    s[h + 1] = _mm512_shuffle_ps(t[h], t[h + 2], 0xEE);
    s[h + 2] = _mm512_shuffle_ps(t[h + 1], t[h + 3], 0x44);
    s[h + 3] = _mm512_shuffle_ps(t[h + 1], t[h + 3], 0xEE);
  }
  // s[c] holds column c (first 128 bits of each half) and c + 4 (second) of rows 0-3; s[4 + c] of rows 4-7.
  const __m512i low = _mm512_setr_epi32(0, 1, 2, 3, 16, 17, 18, 19, 8, 9, 10, 11, 24, 25, 26, 27);
  const __m512i high = _mm512_setr_epi32(4, 5, 6, 7, 20, 21, 22, 23, 12, 13, 14, 15, 28, 29, 30, 31);
  for (int c = 0; c < 4; ++c) {
    r[c] = _mm512_permutex2var_ps(s[c], low, s[4 + c]);
    r[c + 4] = _mm512_permutex2var_ps(s[c], high, s[4 + c]);
  }
}

// The sums of the eight lanes of each block (a: lanes 0-7, b: 8-15).
struct BlockSums {
  float a, b;
};
inline BlockSums SumPerBlock(__m512i v) {
  v = _mm512_add_epi32(v, _mm512_shuffle_epi32(v, _MM_PERM_BADC));
  v = _mm512_add_epi32(v, _mm512_shuffle_epi32(v, _MM_PERM_CDAB));
  v = _mm512_add_epi32(v, _mm512_shuffle_i32x4(v, v, _MM_SHUFFLE(2, 3, 0, 1)));
  return {static_cast<float>(_mm512_cvtsi512_si32(v)),
          static_cast<float>(_mm_cvtsi128_si32(_mm512_extracti32x4_epi32(v, 2)))};
}

// 0.5 - E for each half, from the inputs' absolute sums (per block) and the
// rounding that adds to them (extra, per block).
inline __m512 Limits(BlockSums l1, float perUnit, float extraA, float extraB) {
  const float ea = 1.05f * (perUnit * l1.a + extraA) + 1e-7f, eb = 1.05f * (perUnit * l1.b + extraB) + 1e-7f;
  return _mm512_mask_blend_ps(kLanesB, _mm512_set1_ps(0.5f - ea), _mm512_set1_ps(0.5f - eb));
}

// Nearest integers of |v| (as floats), and the lanes where that integer is in doubt.
inline __m512 Nearest(__m512 v, __m512 limit, __mmask16* doubt) {
  const __m512 magnitude = _mm512_abs_ps(v);
  const __m512 n = _mm512_roundscale_ps(magnitude, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
  *doubt |= _mm512_cmp_ps_mask(_mm512_abs_ps(_mm512_sub_ps(magnitude, n)), limit, _CMP_GE_OQ);
  return n;
}

inline unsigned BlockMask(__mmask16 lanes) { return ((lanes & kLanesA) ? 1u : 0u) | ((lanes & kLanesB) ? 2u : 0u); }

alignas(64) constexpr std::array<int16_t, 64> kTransposedScan = [] {
  std::array<int16_t, 64> s{};
  for (int i = 0; i < 64; ++i) s[i] = static_cast<int16_t>(kScanToTransposed[i]);
  return s;
}();

// Gathers one block's columns out of two registers of interleaved columns
// ([a col v, b col v, a col v+1, b col v+1] each): block b sits eight lanes on.
constexpr std::array<int16_t, 32> PickColumns(int block) {
  std::array<int16_t, 32> p{};
  for (int j = 0; j < 32; ++j) p[j] = static_cast<int16_t>((j / 16) * 32 + ((j / 8) % 2) * 16 + j % 8 + 8 * block);
  return p;
}
alignas(64) constexpr std::array<int16_t, 32> kPickA = PickColumns(0);
alignas(64) constexpr std::array<int16_t, 32> kPickB = PickColumns(1);

// Stores one block's levels in scan order; true when any level counts (all
// positions but an intra DC).
inline bool StoreScan(const __m512i* columns, const std::array<int16_t, 32>& pick, bool intra, int16_t* scan) {
  const __m512i index = _mm512_load_si512(pick.data());
  const __m512i low = _mm512_permutex2var_epi16(columns[0], index, columns[1]);   // columns 0-3
  const __m512i high = _mm512_permutex2var_epi16(columns[2], index, columns[3]);  // columns 4-7
  const __m512i s0 = _mm512_permutex2var_epi16(low, _mm512_load_si512(kTransposedScan.data()), high);
  const __m512i s1 = _mm512_permutex2var_epi16(low, _mm512_load_si512(kTransposedScan.data() + 32), high);
  _mm512_storeu_si512(scan, s0);
  _mm512_storeu_si512(scan + 32, s1);
  return ((_mm512_test_epi16_mask(s0, s0) & (intra ? ~1u : ~0u)) | _mm512_test_epi16_mask(s1, s1)) != 0;
}

// Transposed position -> scan position.
alignas(64) constexpr std::array<int16_t, 64> kScanOfTransposed = [] {
  std::array<int16_t, 64> s{};
  for (int i = 0; i < 64; ++i) s[kScanToTransposed[i]] = static_cast<int16_t>(i);
  return s;
}();

// Levels in scan order to reconstruction values in transposed order (half h:
// positions 32 h .. 32 h + 31), as the table dequantiser gives them:
// |R| = qp (2 |L| + 1), less 1 for an even qp, with the sign of L, and 0 for
// 0; an intra DC becomes 8 x its level. A block that is not present is all zeros.
struct Coefficients {
  __m512i half[2];
};
inline Coefficients Dequantise(const int16_t* scan, bool present, int qp, bool intra) {
  Coefficients c = {{_mm512_setzero_si512(), _mm512_setzero_si512()}};
  if (!present) return c;
  const __m512i s0 = _mm512_loadu_si512(scan), s1 = _mm512_loadu_si512(scan + 32);
  const __m512i q = _mm512_set1_epi16(static_cast<int16_t>(qp)), even = _mm512_set1_epi16(qp % 2 == 0 ? 1 : 0);
  const __m512i one = _mm512_set1_epi16(1), zero = _mm512_setzero_si512();
  for (int h = 0; h < 2; ++h) {
    const __m512i level = _mm512_permutex2var_epi16(s0, _mm512_load_si512(kScanOfTransposed.data() + 32 * h), s1);
    const __m512i twice = _mm512_add_epi16(_mm512_abs_epi16(level), _mm512_abs_epi16(level));
    __m512i value = _mm512_sub_epi16(_mm512_mullo_epi16(_mm512_add_epi16(twice, one), q), even);
    value = _mm512_maskz_mov_epi16(_mm512_test_epi16_mask(level, level), value);
    c.half[h] = _mm512_mask_sub_epi16(value, _mm512_cmplt_epi16_mask(level, zero), zero, value);
  }
  if (intra) c.half[0] = _mm512_mask_mov_epi16(c.half[0], 1, _mm512_set1_epi16(static_cast<int16_t>(8 * scan[0])));
  return c;
}

// For row i of the transposed blocks: a's eight values, then b's (from the
// second register), in the low sixteen lanes.
constexpr std::array<int16_t, 32> PickRow(int i) {
  std::array<int16_t, 32> p{};
  for (int j = 0; j < 16; ++j) p[j] = static_cast<int16_t>((j < 8 ? 0 : 32) + 8 * (i % 4) + j % 8);
  return p;
}
alignas(64) constexpr std::array<std::array<int16_t, 32>, 4> kPickRow = {PickRow(0), PickRow(1), PickRow(2), PickRow(3)};

// Row i of both blocks' coefficients as sixteen 32-bit integers.
inline __m512i CoefficientRows(const Coefficients& a, const Coefficients& b, int i) {
  const __m512i both = _mm512_permutex2var_epi16(a.half[i / 4], _mm512_load_si512(kPickRow[i % 4].data()), b.half[i / 4]);
  return _mm512_cvtepi16_epi32(_mm512_castsi512_si256(both));
}

// Intra DC level from the level-shifted DC coefficient of one block: the
// sample sum is 8 x DC exactly (the bound is far below 1/16), its coefficient
// sum / 8 rounds halves up, and the level is that / 8 within 1..254.
inline int16_t IntraDcLevel(float shiftedDc) {
  const int sum =
      _mm_cvt_roundss_si32(_mm_set_ss(8.0f * shiftedDc), _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC) + 64 * 128;
  const int level = ((sum + 4) >> 3) >> 3;
  return static_cast<int16_t>(level < 1 ? 1 : (level > 254 ? 254 : level));
}

}  // namespace

unsigned ForwardQuantisePairAvx512(const PixelPair& in, int qp, bool intra, int16_t* scanA, int16_t* scanB,
                                   bool coded[2], float errorPerUnit) {
  // Intra samples are shifted by -128: the AC coefficients stay the same and
  // the error bound, which follows the inputs' magnitudes, shrinks.
  __m512 r[8];
  __m512i absSum = _mm512_setzero_si512();
  for (int i = 0; i < 8; ++i) {
    const __m512i samples = PixelRows(in.a + i * in.pitch, in.b + i * in.pitch);
    const __m512i x = _mm512_sub_epi32(samples, intra ? _mm512_set1_epi32(128)
                                                      : PixelRows(in.predA + i * in.predPitch, in.predB + i * in.predPitch));
    absSum = _mm512_add_epi32(absSum, _mm512_abs_epi32(x));
    r[i] = _mm512_cvtepi32_ps(x);
  }
  tovrik::kernel::Forward8<PairOps>(r);
  TransposeHalves(r);
  tovrik::kernel::Forward8<PairOps>(r);
  // r[v], lane u (block a) or 8 + u (block b): the coefficient of row u, column v.

  const __m512 limit = Limits(SumPerBlock(absSum), errorPerUnit, 0.0f, 0.0f);
  const int d = 2 * qp;  // level = min(127, (|c| - offset) / d), the division as in quantiser_avx512.cpp
  const __m512i magic = _mm512_set1_epi32(((1 << 20) + d - 1) / d);
  const __m512i offset = _mm512_set1_epi32(intra ? 0 : qp / 2);
  const __m512i zero = _mm512_setzero_si512();
  __mmask16 doubt = 0;
  __m512i columns[4];
  __m256i packed[8];
  for (int v = 0; v < 8; ++v) {
    __mmask16 unsure = 0;
    __m512i n = _mm512_cvttps_epi32(Nearest(r[v], limit, &unsure));
    if (v % 4 == 0) {
      // Rows and columns 0 and 4 meet in coefficients that are a sum of the
      // inputs times +-1/8: 8 x each is an integer, found exactly while the
      // bound stays below 1/16 (Available() checks it), so their rounding (an
      // exact half goes away from zero) needs no bound.
      const __m512i eighths = _mm512_abs_epi32(_mm512_cvt_roundps_epi32(
          _mm512_mul_ps(r[v], _mm512_set1_ps(8.0f)), _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
      n = _mm512_mask_mov_epi32(n, kRationalLanes, _mm512_srli_epi32(_mm512_add_epi32(eighths, _mm512_set1_epi32(4)), 3));
      unsure &= ~kRationalLanes;
    }
    doubt |= unsure;
    const __m512i over = _mm512_max_epi32(_mm512_sub_epi32(n, offset), zero);
    __m512i level = _mm512_min_epi32(_mm512_srli_epi32(_mm512_mullo_epi32(over, magic), 20), _mm512_set1_epi32(127));
    level = _mm512_mask_sub_epi32(level, _mm512_cmp_ps_mask(r[v], _mm512_setzero_ps(), _CMP_LT_OQ), zero, level);
    packed[v] = _mm512_cvtepi32_epi16(level);
  }
  for (int i = 0; i < 4; ++i)
    columns[i] = _mm512_inserti64x4(_mm512_castsi256_si512(packed[2 * i]), packed[2 * i + 1], 1);
  coded[0] = StoreScan(columns, kPickA, intra, scanA);
  coded[1] = StoreScan(columns, kPickB, intra, scanB);
  if (intra) {
    scanA[0] = IntraDcLevel(_mm512_cvtss_f32(r[0]));
    scanB[0] = IntraDcLevel(_mm_cvtss_f32(_mm512_extractf32x4_ps(r[0], 2)));
  }
  return BlockMask(doubt);
}

unsigned InversePairAvx512(const int16_t* scanA, const int16_t* scanB, unsigned blocks, int qp, bool intra,
                           int16_t* outA, int16_t* outB, float errorPerUnit) {
  const Coefficients a = Dequantise(scanA, blocks & 1u, qp, intra), b = Dequantise(scanB, blocks & 2u, qp, intra);
  // The DC adds exactly DC / 8 to every output: it is left out of the
  // butterflies and added at the end, so that the bound only grows with the AC.
  __m512 r[8];
  __m512i absSum = _mm512_setzero_si512();
  for (int i = 0; i < 8; ++i) {
    __m512i x = CoefficientRows(a, b, i);
    if (i == 0) x = _mm512_mask_mov_epi32(x, 0x0101, _mm512_setzero_si512());
    absSum = _mm512_add_epi32(absSum, _mm512_abs_epi32(x));
    r[i] = _mm512_cvtepi32_ps(x);
  }
  tovrik::kernel::Inverse8<PairOps>(r);
  TransposeHalves(r);
  tovrik::kernel::Inverse8<PairOps>(r);
  // r[y], lane x (block a) or 8 + x (block b): the output of row y, column x.

  const float dcA = 0.125f * static_cast<int16_t>(_mm512_cvtsi512_si32(a.half[0]));  // exact
  const float dcB = 0.125f * static_cast<int16_t>(_mm512_cvtsi512_si32(b.half[0]));
  // No output exceeds a quarter of the AC sum plus the DC part: a bound for
  // the rounding of the DC addition, and for staying within 16 bits.
  const BlockSums l1 = SumPerBlock(absSum);
  const float peakA = 0.25f * l1.a + (dcA < 0 ? -dcA : dcA), peakB = 0.25f * l1.b + (dcB < 0 ? -dcB : dcB);
  constexpr float kUnit = 1.0f / (1 << 24);
  const __m512 limit = Limits(l1, errorPerUnit, kUnit * (peakA + 1.0f), kUnit * (peakB + 1.0f));
  __mmask16 doubt = (peakA >= 32000.0f ? kLanesA : 0) | (peakB >= 32000.0f ? kLanesB : 0);
  const __m512 dc = _mm512_mask_blend_ps(kLanesB, _mm512_set1_ps(dcA), _mm512_set1_ps(dcB));
  for (int y = 0; y < 8; ++y) {
    // Rounded to nearest, halves to even: a value in doubt is never decided
    // here, and every other one rounds as the exact path's halves away from zero.
    const __m512 v = _mm512_add_ps(r[y], dc);
    const __m512i n = _mm512_cvt_roundps_epi32(v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    doubt |= _mm512_cmp_ps_mask(_mm512_abs_ps(_mm512_sub_ps(v, _mm512_cvtepi32_ps(n))), limit, _CMP_GE_OQ);
    const __m256i rows = _mm512_cvtsepi32_epi16(n);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(outA + 8 * y), _mm256_castsi256_si128(rows));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(outB + 8 * y), _mm256_extracti128_si256(rows, 1));
  }
  return BlockMask(doubt) & blocks;
}

}  // namespace osprel::fast_transform::detail

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif
