// The AVX-512 kernels behind fast_transform.h; only to be called where the
// processor has the instruction sets. errorPerUnit: the bound on the
// single-precision transform's error per unit of the inputs' absolute sum.
#ifndef OSPREL_FAST_TRANSFORM_SIMD_H
#define OSPREL_FAST_TRANSFORM_SIMD_H

#include "fast_transform.h"

#include <cstdint>

namespace osprel::fast_transform::detail {

unsigned ForwardQuantisePairAvx512(const PixelPair& in, int qp, bool intra, int16_t* scanA, int16_t* scanB,
                                   bool coded[2], float errorPerUnit);
unsigned InversePairAvx512(const int16_t* scanA, const int16_t* scanB, unsigned blocks, int qp, bool intra,
                           int16_t* outA, int16_t* outB, float errorPerUnit);

}  // namespace osprel::fast_transform::detail

#endif
