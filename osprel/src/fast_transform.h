// Single-precision transforms of the coder, two 8x8 blocks at a time, that
// give exactly the results of the exact path (ippiDCT8x8Fwd/Inv_16s_C1 and
// the table quantiser) or say that they cannot: each result carries a
// rigorous bound on its rounding error, and a block with any value within
// that bound of a rounding boundary is reported for the exact path.
// Available where the processor has AVX-512 (F, BW, DQ).
#ifndef OSPREL_FAST_TRANSFORM_H
#define OSPREL_FAST_TRANSFORM_H

#include <cstdint>

namespace osprel::fast_transform {

bool Available();

// Two 8x8 blocks of a picture plane, a and b, with one pitch, and for
// residuals their predictions (with one pitch of their own).
struct PixelPair {
  const uint8_t* a;
  const uint8_t* b;
  int pitch;
  const uint8_t* predA;
  const uint8_t* predB;
  int predPitch;
};

// Forward transform and quantisation of the samples (intra) or the residuals
// (inter: source minus prediction) of both blocks into levels in scan order,
// as the exact transform and QuantiseIntra / QuantiseInter give them; coded[]
// as they return it. Returns a mask of the blocks (bit 0 a, bit 1 b) whose
// levels and coded flag were not settled and must come from the exact path.
unsigned ForwardQuantisePair(const PixelPair& in, int qp, bool intra, int16_t* scanA, int16_t* scanB,
                             bool coded[2]);

// Dequantisation and inverse transform of the levels (scan order) of the
// blocks present in `blocks` (bit 0 a, bit 1 b; an absent block counts as all
// zeros and its output is to be ignored) into samples in raster order, as
// DequantiseIntra / DequantiseInter and ippiDCT8x8Inv_16s_C1 give them.
// Returns the mask of present blocks whose outputs were not settled.
unsigned InversePair(const int16_t* scanA, const int16_t* scanB, unsigned blocks, int qp, bool intra,
                     int16_t* outA, int16_t* outB);

}  // namespace osprel::fast_transform

#endif
