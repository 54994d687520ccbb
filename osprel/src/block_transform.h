// Transform, quantisation and their inverse for the six blocks of a
// macroblock (Y0..Y3, Cb, Cr), with the results of ippiDCT8x8Fwd/Inv_16s_C1
// and the table quantiser: in single precision two blocks at a time where
// the processor allows and the results are certain, exactly otherwise.
#ifndef OSPREL_BLOCK_TRANSFORM_H
#define OSPREL_BLOCK_TRANSFORM_H

#include "quantiser.h"

#include <cstdint>

namespace osprel {

using MacroblockBlocks = int16_t[6][64];

// The six blocks in the picture planes and, for an inter macroblock, their
// predictions (the residual is source minus prediction). The two blocks of
// each pair (Y0 Y1, Y2 Y3, Cb Cr) share their pitches.
struct BlockSources {
  const uint8_t* src[6];
  int srcPitch[6];
  const uint8_t* pred[6];
  int predPitch[6];
};

// Blocks whose bit (1 << k) is set in `take` are transformed and quantised
// into levels[k] (scan order) and coded[k] tells whether they count as coded;
// the others are left out (coded[k] false, levels[k] undefined).
void TransformQuantise(const QuantTables& q, bool intra, unsigned take, const BlockSources& in,
                       MacroblockBlocks& levels, bool coded[6]);

// The reconstruction values of every coded block: dequantised levels[k]
// through the inverse transform into out[k] (raster order).
void Reconstruct(const QuantTables& q, bool intra, const MacroblockBlocks& levels, const bool coded[6],
                 MacroblockBlocks& out);

// Writes the six reconstructed blocks to dst: an intra block from its
// samples when coded, else filled with its DC level; an inter block, whose
// prediction dst already holds, gets its samples added when coded.
void StoreMacroblock(bool intra, const MacroblockBlocks& samples, const MacroblockBlocks& levels,
                     const bool coded[6], uint8_t* const dst[6], const int dstPitch[6]);

}  // namespace osprel

#endif
