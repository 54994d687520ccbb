// Allocation side of the memory blocks the codec hands out.
#pragma once

#include <cstddef>

#include "vfw.h"

namespace vfw {

// A new unlocked block of `bytes` bytes (16-byte aligned data); null when out of memory.
HANDLE AllocBlock(size_t bytes);

// The block's data without touching its lock count (for filling it before handing it out).
void* BlockData(HANDLE block);

}  // namespace vfw
