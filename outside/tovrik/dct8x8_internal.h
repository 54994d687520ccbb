// The kernels behind the exported DCT functions, visible to the tests so that
// the vector kernels can be held against the plain one.
#ifndef TOVRIK_DCT8X8_INTERNAL_H
#define TOVRIK_DCT8X8_INTERNAL_H

#include <cstdint>

namespace tovrik {

// Plain C++ kernels. The vector kernels run the same double-precision
// operations in the same order (dct8x8_kernel.h), so all agree bit for bit.
void ForwardPlain(const int16_t* src, int16_t* dst);
void InversePlain(const int16_t* src, int16_t* dst);

// Nearest integer, halves away from zero, saturated to 16 bits (all kernels' last step).
int16_t RoundSaturate(double x);
// True when every coefficient but the DC is zero.
bool OnlyDc(const int16_t* src);

// Only to be called when the processor has the instruction set.
bool HasAvx2();
bool HasAvx512();
void ForwardAvx2(const int16_t* src, int16_t* dst);
void InverseAvx2(const int16_t* src, int16_t* dst);
void ForwardAvx512(const int16_t* src, int16_t* dst);
void InverseAvx512(const int16_t* src, int16_t* dst);

}  // namespace tovrik

#endif
