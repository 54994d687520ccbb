// Figures of this process: resident memory, open file descriptors and threads
// from /proc/self, and the heap the program holds (allocated and not freed,
// against what the allocator keeps resident around it).
#pragma once

#include <cstdint>

struct ProcessFigures {
  uint64_t residentKb = 0;
  uint64_t heapInUseKb = 0;
  uint32_t openFds = 0;
  uint32_t threads = 0;
};

ProcessFigures ReadProcessFigures();
