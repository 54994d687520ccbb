#include "quantiser.h"

#include "nuvix_trace.h"
#include "quantiser_simd.h"
#include "vector_paths.h"
#include "vlc_tables.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace osprel {
namespace {

int8_t Clamp127(int v) { return static_cast<int8_t>(std::clamp(v, -127, 127)); }

// Coefficients of 8-bit blocks stay within +-2040; anything outside the table
// is reported and clamped to its edge.
inline int TableIndex(int c) {
  if (c < -kQuantTableOffset || c >= kQuantTableOffset) [[unlikely]] {
    NuvixTrace("INDEX ERROR\n");
    c = std::clamp(c, -kQuantTableOffset, kQuantTableOffset - 1);
  }
  return c + kQuantTableOffset;
}

}  // namespace

void BuildQuantTables(int qp, QuantTables* t) {
  t->qp = qp;
  for (int c = -kQuantTableOffset; c < kQuantTableOffset; ++c) {
    const int a = std::abs(c), s = c < 0 ? -1 : 1;
    t->intraAc[c + kQuantTableOffset] = Clamp127(s * (a / (2 * qp)));
    const int inter = a < qp / 2 ? 0 : (a - qp / 2) / (2 * qp);
    t->inter[c + kQuantTableOffset] = Clamp127(s * inter);
  }
  for (int l = -127; l <= 127; ++l) {
    int r = 0;
    if (l != 0) {
      r = qp * (2 * std::abs(l) + 1) - (qp % 2 == 0 ? 1 : 0);
      if (l < 0) r = -r;
    }
    t->dequant[l + 127] = static_cast<int16_t>(r);
  }
}

namespace {

// True when every coefficient lies inside the tables (always so for the
// transforms of 8-bit blocks), so the lookups can skip their range checks.
inline bool AllInTable(const int16_t* coef) {
  __m128i lo = _mm_set1_epi16(0x7FFF), hi = _mm_set1_epi16(-0x8000);
  for (int i = 0; i < 64; i += 8) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + i));
    lo = _mm_min_epi16(lo, c);
    hi = _mm_max_epi16(hi, c);
  }
  const __m128i out = _mm_or_si128(_mm_cmplt_epi16(lo, _mm_set1_epi16(-kQuantTableOffset)),
                                   _mm_cmpgt_epi16(hi, _mm_set1_epi16(kQuantTableOffset - 1)));
  return _mm_movemask_epi8(out) == 0;
}

// Levels in scan order from the table; the caller has checked the range
// (kChecked) or every coefficient goes through TableIndex.
template <bool kChecked>
inline void Lookup(const int8_t* table, const int16_t* coef, int16_t* scan, int start) {
  for (int i = start; i < 64; ++i) {
    const int c = coef[kScanToRaster[i]];
    scan[i] = table[kChecked ? c + kQuantTableOffset : TableIndex(c)];
  }
}

const bool kVector = quantiser_detail::HasAvx512Bw();

inline bool AnyLevel(const int16_t* scan, int start) {
  return (NonzeroMask(scan) & (~0ull << start)) != 0;
}

}  // namespace

bool QuantiseIntra(const QuantTables& t, const int16_t* coef, int16_t* scan) {
  const int dc = std::clamp(coef[0] / 8, 1, 254);  // truncating division
  if (kVector && VectorPathsOn() && AllInTable(coef)) {
    const bool any = quantiser_detail::QuantiseAvx512(coef, t.qp, true, scan);
    scan[0] = static_cast<int16_t>(dc);
    return any;
  }
  if (AllInTable(coef))
    Lookup<true>(t.intraAc, coef, scan, 1);
  else
    Lookup<false>(t.intraAc, coef, scan, 1);
  scan[0] = static_cast<int16_t>(dc);
  return AnyLevel(scan, 1);
}

bool QuantiseInter(const QuantTables& t, const int16_t* coef, int16_t* scan) {
  if (kVector && VectorPathsOn() && AllInTable(coef)) return quantiser_detail::QuantiseAvx512(coef, t.qp, false, scan);
  if (AllInTable(coef))
    Lookup<true>(t.inter, coef, scan, 0);
  else
    Lookup<false>(t.inter, coef, scan, 0);
  return AnyLevel(scan, 0);
}

uint64_t NonzeroMask(const int16_t* scan) {
  const __m128i zero = _mm_setzero_si128();
  uint64_t mask = 0;
  for (int i = 0; i < 64; i += 16) {
    const __m128i a = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(scan + i)), zero);
    const __m128i b = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(scan + i + 8)), zero);
    const uint32_t zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b)));
    mask |= static_cast<uint64_t>(~zeros & 0xFFFFu) << i;
  }
  return mask;
}

void DequantiseIntra(const QuantTables& t, const int16_t* scan, int16_t* raster) {
  raster[0] = static_cast<int16_t>(8 * scan[0]);
  for (int i = 1; i < 64; ++i) raster[kScanToRaster[i]] = t.dequant[scan[i] + 127];
}

void DequantiseInter(const QuantTables& t, const int16_t* scan, int16_t* raster) {
  std::memset(raster, 0, 64 * sizeof(int16_t));
  for (uint64_t m = NonzeroMask(scan); m; m &= m - 1) {
    const int i = __builtin_ctzll(m);
    raster[kScanToRaster[i]] = t.dequant[scan[i] + 127];
  }
}

namespace quantiser_detail {
bool HasAvx512Bw() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
}
}  // namespace quantiser_detail

}  // namespace osprel
