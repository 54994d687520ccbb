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

// Exact below limit (with the quarters); otherwise some value >= limit.
OSPREL_AVX2 inline int SadBelow(const Block& b, const uint8_t* ref, int pitch, int limit, int sad8[4]) {
  __m256i top = _mm256_add_epi64(_mm256_sad_epu8(b.pair[0], TwoRows(ref, pitch)),
                                 _mm256_sad_epu8(b.pair[1], TwoRows(ref + 2 * pitch, pitch)));
  int sum = Total(Halves(top));
  if (sum >= limit) return sum;
  top = _mm256_add_epi64(top, _mm256_add_epi64(_mm256_sad_epu8(b.pair[2], TwoRows(ref + 4 * pitch, pitch)),
                                               _mm256_sad_epu8(b.pair[3], TwoRows(ref + 6 * pitch, pitch))));
  const __m128i t = Halves(top);
  const int topSum = Total(t);
  if (topSum >= limit) return topSum;
  __m256i bottom = _mm256_add_epi64(_mm256_sad_epu8(b.pair[4], TwoRows(ref + 8 * pitch, pitch)),
                                    _mm256_sad_epu8(b.pair[5], TwoRows(ref + 10 * pitch, pitch)));
  sum = topSum + Total(Halves(bottom));
  if (sum >= limit) return sum;
  bottom = _mm256_add_epi64(bottom, _mm256_add_epi64(_mm256_sad_epu8(b.pair[6], TwoRows(ref + 12 * pitch, pitch)),
                                                     _mm256_sad_epu8(b.pair[7], TwoRows(ref + 14 * pitch, pitch))));
  const __m128i h = Halves(bottom);
  sad8[0] = _mm_cvtsi128_si32(t);
  sad8[1] = _mm_cvtsi128_si32(_mm_unpackhi_epi64(t, t));
  sad8[2] = _mm_cvtsi128_si32(h);
  sad8[3] = _mm_cvtsi128_si32(_mm_unpackhi_epi64(h, h));
  return sad8[0] + sad8[1] + sad8[2] + sad8[3];
}

inline int Min(int a, int b) { return a < b ? a : b; }
inline int Max(int a, int b) { return a > b ? a : b; }

}  // namespace

OSPREL_AVX2 SearchResult SearchAvx2(const uint8_t* cur, const uint8_t* ref, int width, int height, int x, int y) {
  const int pitch = width;
  const uint8_t* start = cur + y * pitch + x;
  Block block;
  for (int i = 0; i < 8; ++i) block.pair[i] = TwoRows(start + 2 * i * pitch, pitch);

  SearchResult best;
  const int s0 = SadBelow(block, ref + y * pitch + x, pitch, 0x7FFFFFFF, best.sad8);
  best.sad16 = s0 - kZeroVectorBias;
  if (best.sad8[0] < kStaticSad8 && best.sad8[1] < kStaticSad8 && best.sad8[2] < kStaticSad8 &&
      best.sad8[3] < kStaticSad8) {
    best.isStatic = true;
    return best;
  }

  const int xmin = Max(0, x - kSearchRange), xmax = Min(width - 16, x + kSearchRange);
  const int ymin = Max(0, y - kSearchRange), ymax = Min(height - 16, y + kSearchRange);
  static constexpr int kOffsets[4][2] = {{-1, 0}, {0, 1}, {1, 0}, {0, -1}};

  int cx = x, cy = y, centreCost = s0;
  int px = x, py = y, prevCost = s0;
  int prevStepBest = 65536;
  for (int step = 1; step <= kMaxDescentSteps; ++step) {
    int bestN = -1, bestNCost = 0x7FFFFFFF;
    for (int n = 0; n < 4; ++n) {
      const int nx = cx + kOffsets[n][0], ny = cy + kOffsets[n][1];
      if (nx < xmin || nx > xmax || ny < ymin || ny > ymax) continue;
      int cost;
      if (nx == px && ny == py) {
        cost = prevCost;
      } else {
        int sad8[4] = {};
        cost = SadBelow(block, ref + ny * pitch + nx, pitch, Min(bestNCost, prevStepBest), sad8);
        if (cost < best.sad16) {
          best.sad16 = cost;
          best.dx = nx - x;
          best.dy = ny - y;
          for (int k = 0; k < 4; ++k) best.sad8[k] = sad8[k];
        }
      }
      if (cost < bestNCost) {
        bestNCost = cost;
        bestN = n;
      }
    }
    if (bestN < 0) break;
    const int sx = cx + kOffsets[bestN][0], sy = cy + kOffsets[bestN][1];
    if ((sx == px && sy == py) || bestNCost >= prevStepBest) break;
    px = cx;
    py = cy;
    prevCost = centreCost;
    cx = sx;
    cy = sy;
    centreCost = bestNCost;
    prevStepBest = bestNCost;
  }
  return best;
}

}  // namespace osprel::motion_detail
