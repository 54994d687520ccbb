// Sums of absolute differences of 16x16 luma blocks.
#ifndef OSPREL_SAD_H
#define OSPREL_SAD_H

#include <cstdint>

namespace osprel {

// SADs of the left and right 8x8 halves of a 16x8 strip.
struct StripSad {
  int left, right;
};
StripSad Sad16x8(const uint8_t* cur, int curPitch, const uint8_t* ref, int refPitch);

// The quarters of a 16x16 block from its two strips into sad8; returns their sum.
inline int Quarters(StripSad top, StripSad bottom, int sad8[4]) {
  sad8[0] = top.left;
  sad8[1] = top.right;
  sad8[2] = bottom.left;
  sad8[3] = bottom.right;
  return sad8[0] + sad8[1] + sad8[2] + sad8[3];
}

// SAD of the 16x16 block and its four 8x8 quarters (Y0 top-left, Y1 top-right,
// Y2 bottom-left, Y3 bottom-right). Both blocks use the same pitch.
int Sad16x16(const uint8_t* cur, const uint8_t* ref, int pitch, int sad8[4]);

}  // namespace osprel

#endif
