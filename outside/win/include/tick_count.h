// GetTickCount: monotonic milliseconds as a wrapping 32-bit value.
#pragma once

#include <cstdint>

namespace nuvix {

uint32_t GetTickCount();

}  // namespace nuvix
