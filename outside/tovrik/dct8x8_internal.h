// The kernels behind the exported DCT functions, visible to the tests so that
// the vector kernels can be held against the plain one.
#ifndef TOVRIK_DCT8X8_INTERNAL_H
#define TOVRIK_DCT8X8_INTERNAL_H

#include <cstdint>

namespace tovrik {

// Plain C++ kernels. Each output lane of the vector kernels performs the same
// double-precision operations in the same order, so all kernels agree bit for bit.
void ForwardPlain(const int16_t* src, int16_t* dst);
void InversePlain(const int16_t* src, int16_t* dst);

// AVX2 kernels; only to be called when HasAvx2() is true.
bool HasAvx2();
void ForwardAvx2(const int16_t* src, int16_t* dst);
void InverseAvx2(const int16_t* src, int16_t* dst);

}  // namespace tovrik

#endif
