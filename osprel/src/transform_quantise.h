// Forward transform and quantisation of one 8x8 block in a single step, with
// the same levels as ippiDCT8x8Fwd_16s_C1 followed by QuantiseIntra /
// QuantiseInter on every block of 8-bit samples or residuals.
//
// Where the processor has AVX2 the transform runs in single precision. Its
// error against the exact transform is below 1.5e-3 for samples within
// +-255 (see transform_avx2.cpp), so the double-precision transform's integer
// for a coefficient lies between the roundings of f - kFastMargin and
// f + kFastMargin, and quantisation being monotone, when both ends give the
// same level that is the level. A block where any bracket straddles a level
// boundary goes through the double-precision transform.
#ifndef OSPREL_TRANSFORM_QUANTISE_H
#define OSPREL_TRANSFORM_QUANTISE_H

#include "quantiser.h"

#include <cstdint>

namespace osprel {

// Half width of the bracket around each single-precision coefficient.
inline constexpr float kFastMargin = 1.0f / 256;

// block is overwritten (it may hold the coefficients afterwards).
bool TransformQuantiseIntra(const QuantTables& t, int16_t* block, int16_t* scan);
bool TransformQuantiseInter(const QuantTables& t, int16_t* block, int16_t* scan);

namespace transform_detail {
bool HasAvx2();
// Levels in raster order (intra: levels[0] is the DC level 1..254) from the
// single-precision transform, when every coefficient's bracket of +-margin
// gives one level; false otherwise, or when a sample lies outside +-255 (no
// error bound there).
bool ForwardQuantiseAvx2(const int16_t* block, int qp, bool intra, float margin, int16_t* levels);
}  // namespace transform_detail

}  // namespace osprel

#endif
