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

// Median prediction of the vector of macroblock index (column c, row r) from
// the current picture's entries of the tables (half-pel units).
void PredictVector(const int* mvx, const int* mvy, int index, int c, int r, int mbPerRow,
                   int mbCount, int* px, int* py);

// Chroma vector component (chroma half-pels) from a luma component (luma half-pels).
constexpr int ChromaVector(int v) { return (v >> 1) | ((v & 3) != 0 ? 1 : 0); }

}  // namespace osprel

#endif
