// Sums of absolute differences of 16x16 luma blocks, with SSE2 and AVX2 kernels.
#ifndef OSPREL_SAD_H
#define OSPREL_SAD_H

#include <cstdint>

namespace osprel {

// SAD of the 16x16 block and its four 8x8 quarters (Y0 top-left, Y1 top-right,
// Y2 bottom-left, Y3 bottom-right). Both blocks use the same pitch.
int Sad16x16(const uint8_t* cur, const uint8_t* ref, int pitch, int sad8[4]);

// The same, but it may give up once the sum reaches limit: the result is then
// some value >= limit and sad8 is not written. Below limit it is exact.
int Sad16x16Below(const uint8_t* cur, const uint8_t* ref, int pitch, int limit, int sad8[4]);

namespace sad_detail {
bool HasAvx2();
int Sad16x16Sse2(const uint8_t* cur, const uint8_t* ref, int pitch, int limit, int sad8[4]);
int Sad16x16Avx2(const uint8_t* cur, const uint8_t* ref, int pitch, int limit, int sad8[4]);
}  // namespace sad_detail

}  // namespace osprel

#endif
