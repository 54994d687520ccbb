// Figures of this process read from /proc/self: resident memory, open file
// descriptors and threads.
#pragma once

#include <cstdint>

struct ProcessFigures {
  uint64_t residentKb = 0;
  uint32_t openFds = 0;
  uint32_t threads = 0;
};

ProcessFigures ReadProcessFigures();
