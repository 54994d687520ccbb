// Rewriting of a coded picture's header to the standard 3-bit H.263 source
// format, so that standard players can decode the sizes that have one.
#ifndef OSPREL_STANDARD_HEADER_H
#define OSPREL_STANDARD_HEADER_H

#include <cstddef>
#include <cstdint>

namespace osprel {

// Copies the picture of size bytes to out (at least size bytes), with the
// 5-bit format code replaced by the 3-bit source format (QCIF, CIF, 4CIF) and
// the rest shifted up by two bits. Returns the new size, or 0 when the input
// is not a picture header of this syntax or its size has no standard format.
size_t ToStandardHeader(const uint8_t* in, size_t size, uint8_t* out);

}  // namespace osprel

#endif
