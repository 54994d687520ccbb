#include "motion.h"

#include "vector_paths.h"

#include <emmintrin.h>

#include <algorithm>
#include <climits>

namespace osprel {

namespace motion_detail {
namespace {

// SAD of the macroblock against a candidate (one pitch); it may stop once the
// sum reaches limit, returning some value >= limit without sad8.
int SadBelow(const uint8_t* cur, const uint8_t* ref, int pitch, int limit, int sad8[4]) {
  const StripSad top = Sad16x8(cur, pitch, ref, pitch);
  if (top.left + top.right >= limit) return top.left + top.right;
  const StripSad bottom = Sad16x8(cur + 8 * pitch, pitch, ref + 8 * pitch, pitch);
  return Quarters(top, bottom, sad8);
}

}  // namespace

// The four-neighbour descent; motion_avx2.cpp holds the same walk with AVX2 sums.
SearchResult SearchSse2(const uint8_t* cur, const uint8_t* ref, int width, int height, int x, int y) {
  const int pitch = width;
  const uint8_t* block = cur + y * pitch + x;
  SearchResult best;
  const int s0 = Sad16x16(block, ref + y * pitch + x, pitch, best.sad8);
  best.sad16 = s0 - kZeroVectorBias;
  if (best.sad8[0] < kStaticSad8 && best.sad8[1] < kStaticSad8 && best.sad8[2] < kStaticSad8 &&
      best.sad8[3] < kStaticSad8) {
    best.isStatic = true;
    return best;
  }
  best.deviation = MeanDeviation(cur, pitch, x, y);

  const int xmin = std::max(0, x - kSearchRange), xmax = std::min(width - 16, x + kSearchRange);
  const int ymin = std::max(0, y - kSearchRange), ymax = std::min(height - 16, y + kSearchRange);
  static constexpr int kOffsets[4][2] = {{-1, 0}, {0, 1}, {1, 0}, {0, -1}};

  int cx = x, cy = y, centreCost = s0;
  int px = x, py = y, prevCost = s0;
  int prevStepBest = 65536;
  for (int step = 1; step <= kMaxDescentSteps; ++step) {
    int bestN = -1, bestNCost = INT_MAX;
    for (int n = 0; n < 4; ++n) {
      const int nx = cx + kOffsets[n][0], ny = cy + kOffsets[n][1];
      if (nx < xmin || nx > xmax || ny < ymin || ny > ymax) continue;
      int cost;
      if (nx == px && ny == py) {
        cost = prevCost;  // already measured; it can never undercut Best
      } else {
        // A neighbour at or above both the step's best so far and the
        // previous step's best can neither become Best (which is never above
        // either) nor move the descent, so its sum may stop early.
        int sad8[4] = {};
        cost = SadBelow(block, ref + ny * pitch + nx, pitch, std::min(bestNCost, prevStepBest), sad8);
        if (cost < best.sad16) {
          best.sad16 = cost;
          best.dx = nx - x;
          best.dy = ny - y;
          std::copy(sad8, sad8 + 4, best.sad8);
        }
      }
      if (cost < bestNCost) {
        bestNCost = cost;
        bestN = n;
      }
    }
    if (bestN < 0) break;  // no neighbour inside the window
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

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

}  // namespace motion_detail

namespace {
const bool kAvx2 = motion_detail::HasAvx2();
}  // namespace

SearchResult MotionSearch(const uint8_t* cur, const uint8_t* ref, int width, int height, int x, int y) {
  return kAvx2 && VectorPathsOn() ? motion_detail::SearchAvx2(cur, ref, width, height, x, y)
                                  : motion_detail::SearchSse2(cur, ref, width, height, x, y);
}

int MeanDeviation(const uint8_t* cur, int pitch, int x, int y) {
  const uint8_t* block = cur + y * pitch + x;
  const __m128i zero = _mm_setzero_si128();
  __m128i sum = zero;
  for (int r = 0; r < 16; ++r)
    sum = _mm_add_epi64(sum, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + r * pitch)), zero));
  const int mean = (_mm_cvtsi128_si32(sum) + _mm_cvtsi128_si32(_mm_srli_si128(sum, 8))) / 256;
  const __m128i m = _mm_set1_epi8(static_cast<char>(mean));
  __m128i dev = zero;
  for (int r = 0; r < 16; ++r)
    dev = _mm_add_epi64(dev, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + r * pitch)), m));
  return _mm_cvtsi128_si32(dev) + _mm_cvtsi128_si32(_mm_srli_si128(dev, 8));
}

}  // namespace osprel
