// The four-neighbour descent of motion.cpp with AVX2 sums: the macroblock is
// held in eight registers (two rows each) for all candidates. Compiled for
// AVX2 by target attributes and chosen at run time; it uses intrinsics and
// its own helpers only, nothing that could be shared with plain code.
#include <immintrin.h>

#include "motion.h"

#define OSPREL_AVX2 __attribute__((target("avx2")))

namespace osprel::motion_detail {
namespace {

OSPREL_AVX2 inline __m256i TwoRows(const uint8_t* p, int pitch) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + pitch)), 1);
}

OSPREL_AVX2 inline __m128i Halves(__m256i acc) {  // left and right sums
  return _mm_add_epi64(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
}

OSPREL_AVX2 inline int Total(__m128i h) { return _mm_cvtsi128_si32(_mm_add_epi64(h, _mm_unpackhi_epi64(h, h))); }

struct Block {
  __m256i pair[8];  // rows 2i, 2i + 1
};

// Full sums of one candidate, kept per half so the quarters can be read later:
// top holds rows 0-7, bottom rows 8-15, each as left and right 64-bit lanes.
struct Sums {
  __m256i top, bottom;
};

OSPREL_AVX2 inline Sums SadFull(const Block& b, const uint8_t* ref, int pitch) {
  // Two independent chains per half keep the adds off the critical path.
  const __m256i t0 = _mm256_add_epi64(_mm256_sad_epu8(b.pair[0], TwoRows(ref, pitch)),
                                      _mm256_sad_epu8(b.pair[1], TwoRows(ref + 2 * pitch, pitch)));
  const __m256i t1 = _mm256_add_epi64(_mm256_sad_epu8(b.pair[2], TwoRows(ref + 4 * pitch, pitch)),
                                      _mm256_sad_epu8(b.pair[3], TwoRows(ref + 6 * pitch, pitch)));
  const __m256i b0 = _mm256_add_epi64(_mm256_sad_epu8(b.pair[4], TwoRows(ref + 8 * pitch, pitch)),
                                      _mm256_sad_epu8(b.pair[5], TwoRows(ref + 10 * pitch, pitch)));
  const __m256i b1 = _mm256_add_epi64(_mm256_sad_epu8(b.pair[6], TwoRows(ref + 12 * pitch, pitch)),
                                      _mm256_sad_epu8(b.pair[7], TwoRows(ref + 14 * pitch, pitch)));
  return {_mm256_add_epi64(t0, t1), _mm256_add_epi64(b0, b1)};
}

OSPREL_AVX2 inline int TotalOf(const Sums& s) { return Total(Halves(_mm256_add_epi64(s.top, s.bottom))); }

OSPREL_AVX2 inline void Quarters(const Sums& s, int sad8[4]) {
  const __m128i t = Halves(s.top), h = Halves(s.bottom);
  sad8[0] = _mm_cvtsi128_si32(t);
  sad8[1] = _mm_cvtsi128_si32(_mm_unpackhi_epi64(t, t));
  sad8[2] = _mm_cvtsi128_si32(h);
  sad8[3] = _mm_cvtsi128_si32(_mm_unpackhi_epi64(h, h));
}

// MeanDeviation of the macroblock held in the block's registers.
OSPREL_AVX2 inline int Deviation(const Block& b) {
  __m256i sum = _mm256_setzero_si256();
  for (int i = 0; i < 8; ++i) sum = _mm256_add_epi64(sum, _mm256_sad_epu8(b.pair[i], _mm256_setzero_si256()));
  const __m256i mean = _mm256_set1_epi8(static_cast<char>(Total(Halves(sum)) / 256));
  __m256i dev = _mm256_setzero_si256();
  for (int i = 0; i < 8; ++i) dev = _mm256_add_epi64(dev, _mm256_sad_epu8(b.pair[i], mean));
  return Total(Halves(dev));
}

inline int Min(int a, int b) { return a < b ? a : b; }
inline int Max(int a, int b) { return a > b ? a : b; }

}  // namespace

// Each step sums the neighbours in full, without a branch between them,
// (three after the first step: the one the descent came from keeps its cost)
// and only then walks them in order. The walk sees the same exact sums as the
// plain version (whose early stops only ever cut sums that could neither win
// nor become Best), so it takes the same decisions.
OSPREL_AVX2 SearchResult SearchAvx2(const uint8_t* cur, const uint8_t* ref, int width, int height, int x, int y) {
  const int pitch = width;
  const uint8_t* start = cur + y * pitch + x;
  Block block;
  for (int i = 0; i < 8; ++i) block.pair[i] = TwoRows(start + 2 * i * pitch, pitch);

  SearchResult best;
  const Sums zero = SadFull(block, ref + y * pitch + x, pitch);
  const int s0 = TotalOf(zero);
  Quarters(zero, best.sad8);
  best.sad16 = s0 - kZeroVectorBias;
  if (best.sad8[0] < kStaticSad8 && best.sad8[1] < kStaticSad8 && best.sad8[2] < kStaticSad8 &&
      best.sad8[3] < kStaticSad8) {
    best.isStatic = true;
    return best;
  }
  best.deviation = Deviation(block);

  const int xmin = Max(0, x - kSearchRange), xmax = Min(width - 16, x + kSearchRange);
  const int ymin = Max(0, y - kSearchRange), ymax = Min(height - 16, y + kSearchRange);
  static constexpr int kOffsets[4][2] = {{-1, 0}, {0, 1}, {1, 0}, {0, -1}};

  Sums bestSums = zero;
  int cx = x, cy = y, centreCost = s0;
  int back = -1, prevCost = 0;  // direction to the previous centre and its cost
  int prevStepBest = 65536;
  for (int step = 1; step <= kMaxDescentSteps; ++step) {
    // The previous centre keeps its cost; any other neighbour outside the
    // window is summed at the centre instead (always readable) and ignored.
    // Mostly the centre lies inside the window with room on every side.
    const uint8_t* centre = ref + cy * pitch + cx;
    bool in[4] = {true, true, true, true};
    if (cx <= xmin || cx >= xmax || cy <= ymin || cy >= ymax) {
      // (The centre itself may lie outside the window: the last row of a
      // picture whose height is not a multiple of 16.)
      const bool inX = cx >= xmin && cx <= xmax, inY = cy >= ymin && cy <= ymax;
      in[0] = inY && cx > xmin && cx - 1 <= xmax;
      in[1] = inX && cy < ymax && cy + 1 >= ymin;
      in[2] = inY && cx < xmax && cx + 1 >= xmin;
      in[3] = inX && cy > ymin && cy - 1 <= ymax;
    }
    const uint8_t* const at[4] = {in[0] ? centre - 1 : centre, in[1] ? centre + pitch : centre,
                                  in[2] ? centre + 1 : centre, in[3] ? centre - pitch : centre};
    Sums s[4];
    if (back < 0) {
      s[0] = SadFull(block, at[0], pitch);
      s[1] = SadFull(block, at[1], pitch);
      s[2] = SadFull(block, at[2], pitch);
      s[3] = SadFull(block, at[3], pitch);
    } else {
      const int a = (back + 1) & 3, b = (back + 2) & 3, c = (back + 3) & 3;
      s[a] = SadFull(block, at[a], pitch);
      s[b] = SadFull(block, at[b], pitch);
      s[c] = SadFull(block, at[c], pitch);
    }
    // In order, the first cheapest neighbour, chosen without branches. It is
    // also the one that would have become Best (the previous centre never
    // undercuts Best), so Best moves only to it.
    int bestN = -1, bestNCost = 0x7FFFFFFF;
    for (int n = 0; n < 4; ++n) {
      const int cost = !in[n] ? 0x7FFFFFFF : n == back ? prevCost : TotalOf(s[n]);
      const bool better = cost < bestNCost;
      bestNCost = better ? cost : bestNCost;
      bestN = better ? n : bestN;
    }
    if (bestN >= 0) {  // Best follows without a branch; its quarters are read at the end
      const bool better = bestNCost < best.sad16;
      const __m256i keep = _mm256_set1_epi64x(better ? -1 : 0);
      bestSums.top = _mm256_blendv_epi8(bestSums.top, s[bestN].top, keep);
      bestSums.bottom = _mm256_blendv_epi8(bestSums.bottom, s[bestN].bottom, keep);
      const int ndx = cx + kOffsets[bestN][0] - x, ndy = cy + kOffsets[bestN][1] - y;
      best.sad16 = better ? bestNCost : best.sad16;
      best.dx = better ? ndx : best.dx;
      best.dy = better ? ndy : best.dy;
    }
    if (bestN < 0 || bestN == back || bestNCost >= prevStepBest) break;
    back = (bestN + 2) & 3;
    prevCost = centreCost;
    cx += kOffsets[bestN][0];
    cy += kOffsets[bestN][1];
    centreCost = bestNCost;
    prevStepBest = bestNCost;
  }
  Quarters(bestSums, best.sad8);
  return best;
}

}  // namespace osprel::motion_detail
