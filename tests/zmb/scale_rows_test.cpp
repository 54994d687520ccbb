// The vector row kernels of the cell scaling against the pair-by-pair
// reference, on random column tables, sources and both source formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "scale_rows.h"

namespace zmb {
namespace {

// The column table the renderer builds: nearest source column, clamped.
std::vector<int32_t> NearestColumns(int32_t sourceWidth, int32_t cellWidth) {
  std::vector<int32_t> columns(static_cast<size_t>(cellWidth));
  for (int32_t c = 0; c < cellWidth; ++c) {
    const int64_t n = (static_cast<int64_t>(c) * sourceWidth + cellWidth / 2) / cellWidth;
    columns[static_cast<size_t>(c)] = static_cast<int32_t>(std::min<int64_t>(n, sourceWidth - 1));
  }
  return columns;
}

// Runs every kernel this machine has on the same row against the reference.
void ExpectKernelsAgree(const std::vector<int32_t>& columns, int32_t sourceWidth, bool uyvy,
                                            std::mt19937& random, const std::string& what) {
  ScalePlan plan;
  BuildScalePlan(columns, sourceWidth, uyvy, plan);
  // Exactly the row (whole pixel pair words), so a read beyond it shows under ASan.
  std::vector<uint8_t> row(static_cast<size_t>((sourceWidth + 1) / 2) * 4);
  for (auto& byte : row) byte = static_cast<uint8_t>(random());
  const size_t outBytes = columns.size() / 2 * 4;
  // A guard byte pattern around the output shows writes beyond the pairs.
  std::vector<uint8_t> expected(outBytes + 128, 0xA5);
  ScaleRow(RowKernel::kPlain, plan, row.data(), expected.data() + 64);

  const std::pair<RowKernel, const char*> kernels[] = {{RowKernel::kGather, "gather"},
                                                       {RowKernel::kPermute, "permute"}};
  for (const auto& [kernel, name] : kernels) {
    if (!RowKernelRuns(kernel, plan)) continue;
    std::vector<uint8_t> got(outBytes + 128, 0xA5);
    ScaleRow(kernel, plan, row.data(), got.data() + 64);
    if (got != expected) {
      const auto at = std::mismatch(got.begin(), got.end(), expected.begin()).first - got.begin();
      ADD_FAILURE() << name << " differs from the reference at output byte " << at - 64 << " for " << what;
    }
  }
}

TEST(ScaleRows, ReferenceTakesChromaOfThePairHoldingTheFirstColumn) {
  // Source 8 pixels, columns {3, 6}: chroma of pair 1, luma of pixels 3 and 6.
  const std::vector<uint8_t> uyvy = {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33};
  const std::vector<uint8_t> yuy2 = {1, 0, 3, 2, 11, 10, 13, 12, 21, 20, 23, 22, 31, 30, 33, 32};
  for (const bool isUyvy : {true, false}) {
    ScalePlan plan;
    BuildScalePlan({3, 6}, 8, isUyvy, plan);
    uint8_t out[4] = {};
    ScaleRow(RowKernel::kPlain, plan, (isUyvy ? uyvy : yuy2).data(), out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{10, 13, 12, 31})) << isUyvy;
  }
}

TEST(ScaleRows, VectorKernelsMatchTheReferenceOnCameraLayouts) {
  std::mt19937 random(11);
  const int32_t layouts[][2] = {{704, 180}, {720, 180}, {704, 360}, {720, 120}, {720, 240}, {352, 720},
                                {720, 720}, {704, 88},  {720, 144}, {176, 242}, {64, 720},  {2, 8}};
  for (const auto& layout : layouts) {
    for (const bool uyvy : {true, false}) {
      const std::string what = std::to_string(layout[0]) + " -> " + std::to_string(layout[1]) +
                               (uyvy ? " UYVY" : " YUY2");
      ExpectKernelsAgree(NearestColumns(layout[0], layout[1]), layout[0], uyvy, random, what);
    }
  }
}

TEST(ScaleRows, VectorKernelsMatchTheReferenceOnRandomSizes) {
  std::mt19937 random(29);
  for (int trial = 0; trial < 300; ++trial) {
    const int32_t sourceWidth = 1 + static_cast<int32_t>(random() % 1024);
    const int32_t cellWidth = 2 * (1 + static_cast<int32_t>(random() % 360));
    const bool uyvy = random() % 2 == 0;
    ExpectKernelsAgree(NearestColumns(sourceWidth, cellWidth), sourceWidth, uyvy, random,
                       std::to_string(sourceWidth) + " -> " + std::to_string(cellWidth) +
                           (uyvy ? " UYVY" : " YUY2"));
  }
}

TEST(ScaleRows, VectorKernelsMatchTheReferenceOnUnorderedColumns) {
  // Tables the renderer never builds (jumps back and forth, far-apart pairs)
  // still sample exactly, window by window or pair by pair.
  std::mt19937 random(5);
  for (int trial = 0; trial < 100; ++trial) {
    const int32_t sourceWidth = 1 + static_cast<int32_t>(random() % 800);
    std::vector<int32_t> columns(2 * (1 + random() % 100));
    const int32_t spread = 1 + static_cast<int32_t>(random() % static_cast<uint32_t>(sourceWidth));
    int32_t at = static_cast<int32_t>(random() % static_cast<uint32_t>(sourceWidth));
    for (auto& column : columns) {
      at = std::clamp(at + static_cast<int32_t>(random() % (2 * spread + 1)) - spread, 0, sourceWidth - 1);
      column = at;
    }
    ExpectKernelsAgree(columns, sourceWidth, random() % 2 == 0, random, "unordered " + std::to_string(trial));
  }
}

}  // namespace
}  // namespace zmb
