#include "block_transform.h"

#include "block_ops.h"
#include "fast_transform.h"
#include "tovrik.h"
#include "vector_paths.h"

#include <cstring>

namespace osprel {
namespace {

bool ExactTransformQuantise(const QuantTables& q, bool intra, const BlockSources& in, int k, int16_t* levels) {
  alignas(16) int16_t block[64];
  if (intra)
    TakeBlock(in.src[k], in.srcPitch[k], block);
  else
    Residual(in.src[k], in.srcPitch[k], in.pred[k], in.predPitch[k], block);
  ippiDCT8x8Fwd_16s_C1(block, block);
  return intra ? QuantiseIntra(q, block, levels) : QuantiseInter(q, block, levels);
}

void ExactReconstruct(const QuantTables& q, bool intra, const int16_t* levels, int16_t* out) {
  intra ? DequantiseIntra(q, levels, out) : DequantiseInter(q, levels, out);
  ippiDCT8x8Inv_16s_C1(out, out);
}

}  // namespace

void TransformQuantise(const QuantTables& q, bool intra, unsigned take, const BlockSources& in,
                       MacroblockBlocks& levels, bool coded[6]) {
  const bool fast = VectorPathsOn() && fast_transform::Available();
  for (int k = 0; k < 6; k += 2) {
    const unsigned pair = (take >> k) & 3u;
    unsigned exact = pair;
    coded[k] = coded[k + 1] = false;
    if (!pair) continue;
    if (fast) {
      // Both blocks of the pair are read (they lie inside the planes); a
      // block left out only has its results ignored.
      const fast_transform::PixelPair pixels = {in.src[k],  in.src[k + 1],  in.srcPitch[k],
                                                in.pred[k], in.pred[k + 1], in.predPitch[k]};
      bool pairCoded[2];
      exact = pair & fast_transform::ForwardQuantisePair(pixels, q.qp, intra, levels[k], levels[k + 1], pairCoded);
      for (int j = 0; j < 2; ++j) coded[k + j] = (pair >> j & 1u) && pairCoded[j];
    }
    for (int j = 0; j < 2; ++j)
      if (exact >> j & 1u) coded[k + j] = ExactTransformQuantise(q, intra, in, k + j, levels[k + j]);
  }
}

void Reconstruct(const QuantTables& q, bool intra, const MacroblockBlocks& levels, const bool coded[6],
                 MacroblockBlocks& out) {
  const bool fast = VectorPathsOn() && fast_transform::Available();
  for (int k = 0; k < 6; k += 2) {
    const unsigned pair = (coded[k] ? 1u : 0u) | (coded[k + 1] ? 2u : 0u);
    if (!pair) continue;
    const unsigned exact =
        fast ? fast_transform::InversePair(levels[k], levels[k + 1], pair, q.qp, intra, out[k], out[k + 1]) : pair;
    for (int j = 0; j < 2; ++j)
      if (exact >> j & 1u) ExactReconstruct(q, intra, levels[k + j], out[k + j]);
  }
}

void StoreMacroblock(bool intra, const MacroblockBlocks& samples, const MacroblockBlocks& levels,
                     const bool coded[6], uint8_t* const dst[6], const int dstPitch[6]) {
  for (int k = 0; k < 6; ++k) {
    if (intra && coded[k])
      StoreClip(samples[k], dst[k], dstPitch[k]);
    else if (intra)
      FillBlock(static_cast<uint8_t>(levels[k][0]), dst[k], dstPitch[k]);
    else if (coded[k])
      AddClip(dst[k], dstPitch[k], samples[k], dst[k], dstPitch[k]);
  }
}

}  // namespace osprel
