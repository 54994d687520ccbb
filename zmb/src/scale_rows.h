// Row kernels of the cell scaling: one output row of a cell from one source
// row, following a per-cell plan derived from the column table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zmb {

// Where each output pixel pair takes its bytes from, relative to the source
// row, one array per field so the pairs can be gathered eight at a time: the
// byte offsets of the source pixel pairs (32-bit words) holding columns o and
// t, and 16 where that column is the second pixel of its pair, else 0.
struct PairTable {
  std::vector<int32_t> firstWord;
  std::vector<int32_t> secondWord;
  std::vector<int32_t> firstShift;
  std::vector<int32_t> secondShift;
  size_t Size() const { return firstWord.size(); }
};

// Up to sixteen consecutive output pairs whose source bytes all lie in one
// 128-byte window of the source row: one byte index into the window per
// output byte. A block with an empty store mask is one pair whose bytes are
// too far apart for a window; it is sampled pair by pair.
struct alignas(64) PermuteBlock {
  uint8_t index[64];
  int32_t windowStart;  // byte offset of the window in the source row
  int32_t firstPair;
  uint64_t storeMask;  // one bit per output byte written
};

struct ScalePlan {
  bool uyvy = true;
  PairTable pairs;
  std::vector<PermuteBlock> blocks;  // empty when the source row is shorter than a window
};

// Builds the plan for a column table (one source column per output column)
// over source rows of `sourceWidth` pixels.
void BuildScalePlan(const std::vector<int32_t>& columns, int32_t sourceWidth, bool uyvy, ScalePlan& plan);

enum class RowKernel { kPlain, kGather, kPermute };

// Whether this processor runs the kernel (and the plan suits it for kPermute).
bool RowKernelRuns(RowKernel kernel, const ScalePlan& plan);

// The fastest kernel this processor runs for plans that have permute blocks.
RowKernel FastestRowKernel();

// Writes the plan's output pairs (four bytes each, UYVY) for one source row.
void ScaleRow(RowKernel kernel, const ScalePlan& plan, const uint8_t* src, uint8_t* dst);

}  // namespace zmb
