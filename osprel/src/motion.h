// Whole-pel motion search, static and intra decisions, vector prediction.
#ifndef OSPREL_MOTION_H
#define OSPREL_MOTION_H

#include "sad.h"

#include <cstdint>

namespace osprel {

inline constexpr int kMbInter = 0;
inline constexpr int kMbIntra = 3;

inline constexpr int kStaticSad8 = 250;      // all four 8x8 SADs below: unchanged macroblock
inline constexpr int kZeroVectorBias = 100;  // subtracted from the zero vector's SAD
inline constexpr int kIntraMargin = 500;
inline constexpr int kSearchRange = 15;
inline constexpr int kMaxDescentSteps = 30;

struct SearchResult {
  int dx = 0, dy = 0;  // whole pels: reference position = current position + vector
  int type = kMbInter;
  int sad16 = 0;  // cost of the chosen vector (zero vector biased by -100)
  int sad8[4] = {};
  bool isStatic = false;
  int deviation = 0;  // of a macroblock that is not static: MeanDeviation of its source
};

// Motion search of the macroblock at (x, y): cur and ref are whole luma planes
// of one pitch (= width); the search window stays inside width x height.
SearchResult MotionSearch(const uint8_t* cur, const uint8_t* ref, int width, int height, int x, int y);

// The two implementations behind MotionSearch (same results; the AVX2 one
// only where the processor has AVX2).
namespace motion_detail {
bool HasAvx2();
SearchResult SearchSse2(const uint8_t* cur, const uint8_t* ref, int width, int height, int x, int y);
SearchResult SearchAvx2(const uint8_t* cur, const uint8_t* ref, int width, int height, int x, int y);
}  // namespace motion_detail

// Sum of |sample - mean| over the 16x16 source macroblock at (x, y), the mean
// being the samples' sum / 256 (integer division).
int MeanDeviation(const uint8_t* cur, int pitch, int x, int y);

// Macroblock type after the search: intra when the source's mean deviation
// is below sad16 - 500.
constexpr int IntraDecision(int deviation, int sad16) { return deviation < sad16 - kIntraMargin ? kMbIntra : kMbInter; }

namespace motion_detail {
inline int Median3(int a, int b, int c) {
  const int hi = a > b ? a : b, lo = a < b ? a : b;
  return a + b + c - (hi > c ? hi : c) - (lo < c ? lo : c);
}
inline int Wrap(int i, int n) {
  if (i < 0) return i + n;  // callers are never more than one picture away
  return i >= n ? i - n : i;
}
}  // namespace motion_detail

// Median prediction of the vector of macroblock index (column c, row r) from
// the current picture's entries of the tables (half-pel units). Inline: the
// encoder and the decoder call it for every predicted macroblock.
inline void PredictVector(const int* mvx, const int* mvy, int index, int c, int r, int mbPerRow, int mbCount,
                          int* px, int* py) {
  using motion_detail::Median3, motion_detail::Wrap;
  int x1 = 0, y1 = 0;
  if (c != 0) {
    const int i1 = Wrap(index - 1, mbCount);
    x1 = mvx[i1];
    y1 = mvy[i1];
  }
  int x2 = x1, y2 = y1, x3 = x1, y3 = y1;
  if (r != 0) {
    const int i2 = Wrap(index - mbPerRow, mbCount), i3 = Wrap(index - mbPerRow + 1, mbCount);
    x2 = mvx[i2];
    y2 = mvy[i2];
    x3 = mvx[i3];
    y3 = mvy[i3];
  }
  if (c == mbPerRow - 1) x3 = y3 = 0;
  *px = Median3(x1, x2, x3);
  *py = Median3(y1, y2, y3);
}

// Chroma vector component (chroma half-pels) from a luma component (luma half-pels).
constexpr int ChromaVector(int v) { return (v >> 1) | ((v & 3) != 0 ? 1 : 0); }

}  // namespace osprel

#endif
