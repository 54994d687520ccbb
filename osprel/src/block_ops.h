// Pixel block operations of the coder: prediction, residuals, reconstruction.
#ifndef OSPREL_BLOCK_OPS_H
#define OSPREL_BLOCK_OPS_H

#include <cstdint>

namespace osprel {

// Bilinear H.263 prediction of a size x size block (8 or 16) whose top-left
// corner sits at (x, y) in the plane, displaced by (mvx, mvy) half-pels of
// that plane: the whole part is floor(v / 2), a half position averages with the
// next sample ((A + B + 1) >> 1, four samples (A + B + C + D + 2) >> 2).
void PredictBlock(const uint8_t* plane, int pitch, int x, int y, int mvx, int mvy, int size,
                  uint8_t* out, int outPitch);

// The prediction of the macroblock at (x, y) for the luma vector (mvx, mvy)
// in half-pels: its 16x16 luma block and both 8x8 chroma blocks (with the
// chroma vector of ChromaVector) from the reference planes (Y, Cb, Cr; luma
// pitch w, chroma pitch w / 2), written at the macroblock's place in dst.
void PredictMacroblock(const uint8_t* const ref[3], uint8_t* const dst[3], int w, int x, int y, int mvx, int mvy);

// The same, also giving the SADs of the Cb and Cr predictions against the
// chroma blocks of src (the source planes, of the same pitches).
void PredictMacroblock(const uint8_t* const ref[3], uint8_t* const dst[3], int w, int x, int y, int mvx, int mvy,
                       const uint8_t* const src[3], int chromaSad[2]);

// True when the displaced block, including the extra sample of a half
// position, lies inside a plane of width x height.
inline bool PredictionInside(int x, int y, int mvx, int mvy, int size, int width, int height) {
  const int left = x + (mvx >> 1), top = y + (mvy >> 1);
  return left >= 0 && top >= 0 && left + size + (mvx & 1) <= width && top + size + (mvy & 1) <= height;
}

// 8x8 source samples as they are, and source minus prediction.
void TakeBlock(const uint8_t* src, int pitch, int16_t* out);
void Residual(const uint8_t* src, int srcPitch, const uint8_t* pred, int predPitch, int16_t* out);

// dst = clip(pred + residual) (pred may be dst), dst = clip(residual), dst = value (8x8).
void AddClip(const uint8_t* pred, int predPitch, const int16_t* residual, uint8_t* dst, int dstPitch);
void StoreClip(const int16_t* samples, uint8_t* dst, int dstPitch);
void FillBlock(uint8_t value, uint8_t* dst, int dstPitch);

}  // namespace osprel

#endif
