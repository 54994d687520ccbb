// Vector quantiser behind QuantiseIntra / QuantiseInter (same levels as the
// tables for coefficients within them); only where the processor has AVX-512 BW.
#ifndef OSPREL_QUANTISER_SIMD_H
#define OSPREL_QUANTISER_SIMD_H

#include <cstdint>

namespace osprel::quantiser_detail {

bool HasAvx512Bw();
// Levels in scan order of a raster block whose coefficients all lie within
// -2048..2047, for a quantiser of 1..31 (intra: scan[0] is left to the
// caller). Returns true when any level but an intra DC is nonzero.
bool QuantiseAvx512(const int16_t* coef, int qp, bool intra, int16_t* scan);

}  // namespace osprel::quantiser_detail

#endif
