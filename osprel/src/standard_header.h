// Rewriting of a coded picture's header to standard H.263 syntax, so that
// standard players can decode every size the encoder codes.
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

// Bytes a custom-format header adds to a picture at most.
inline constexpr size_t kCustomHeaderGrowth = 8;

// Copies the picture to out (at least size + kCustomHeaderGrowth bytes) with
// the header rewritten to the extended (PLUSPTYPE) header with a custom
// picture format of the coded size and no optional modes. Returns the new
// size, or 0 when the input is not a picture header of this syntax.
size_t ToCustomFormatHeader(const uint8_t* in, size_t size, uint8_t* out);

// ToStandardHeader for the sizes that have a standard format, otherwise
// ToCustomFormatHeader.
size_t ToPlayableHeader(const uint8_t* in, size_t size, uint8_t* out);

}  // namespace osprel

#endif
