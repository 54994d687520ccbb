// Nearest-neighbour scaling of a camera image into its cell on the image surface.
#include <cstring>

#include "board.h"
#include "nuvix_trace.h"

namespace zmb {
namespace {

uint32_t FirstEntry(const std::vector<int32_t>& table, size_t i) {
  return i < table.size() ? static_cast<uint32_t>(table[i]) : 0u;
}

bool IsStraightCopy(const Board& board, const Cell& cell) {
  if (!board.sourceIsUyvy) return false;
  for (size_t c = 0; c < cell.columns.size(); ++c) {
    if (cell.columns[c] != static_cast<int32_t>(c)) return false;
  }
  return true;
}

// Both tables follow MulDiv, so the scaling is nearest-neighbour; a position
// that rounds to the source size (cell larger than the source) stays on the
// last column or row.
void RebuildScaleTables(Board& board, int32_t cellNumber, Cell& cell, int32_t sourceWidth,
                        int32_t sourceHeight, int32_t cellWidth, int32_t cellHeight) {
  cell.rowOffsets.resize(static_cast<size_t>(cellHeight));
  for (int32_t r = 0; r < cellHeight; ++r) {
    int32_t row = MulDiv(r, sourceHeight, cellHeight);
    if (row > sourceHeight - 1) row = sourceHeight - 1;
    cell.rowOffsets[static_cast<size_t>(r)] = sourceWidth * 2 * row;
  }
  cell.ySourceHeight = sourceHeight;
  cell.yCellHeight = cellHeight;
  NuvixTraceF("INX:%X, YYSCALE TABLE MADE:[%X,%X..] \r\n", static_cast<unsigned>(cellNumber),
              FirstEntry(cell.rowOffsets, 0), FirstEntry(cell.rowOffsets, 1));

  cell.columns.resize(static_cast<size_t>(cellWidth));
  for (int32_t c = 0; c < cellWidth; ++c) {
    int32_t column = MulDiv(c, sourceWidth, cellWidth);
    if (column > sourceWidth - 1) column = sourceWidth - 1;
    cell.columns[static_cast<size_t>(c)] = column;
  }
  cell.xSourceWidth = sourceWidth;
  cell.xCellWidth = cellWidth;
  NuvixTraceF("INX:%X, XXSCALE TABLE MADE:[%X,%X..] \r\n", static_cast<unsigned>(cellNumber),
              FirstEntry(cell.columns, 0), FirstEntry(cell.columns, 1));

  BuildScalePlan(cell.columns, sourceWidth, board.sourceIsUyvy != 0, cell.plan);
  cell.straightCopy = IsStraightCopy(board, cell);
}

constexpr int32_t kPrefetchRows = 3;

}  // namespace

void RenderImageIntoCell(Board& board, int32_t cellNumber, const uint8_t* image,
                         int32_t sourceWidth, int32_t sourceHeight) {
  Cell& cell = board.cells[static_cast<size_t>(cellNumber)];
  if (!cell.enabled || cell.hold) return;
  const int32_t cellWidth = cell.rect.right - cell.rect.left;
  const int32_t cellHeight = cell.rect.bottom - cell.rect.top;
  if (cellWidth <= 0 || cellHeight <= 0) return;  // never registered

  if (cell.xSourceWidth != sourceWidth || cell.ySourceHeight != sourceHeight ||
      cell.xCellWidth != cellWidth || cell.yCellHeight != cellHeight) {
    RebuildScaleTables(board, cellNumber, cell, sourceWidth, sourceHeight, cellWidth, cellHeight);
  }

  static const RowKernel fastest = FastestRowKernel();
  const ScalePlan& plan = cell.plan;
  const RowKernel kernel = RowKernelRuns(fastest, plan) ? fastest
                           : RowKernelRuns(RowKernel::kGather, plan) ? RowKernel::kGather
                                                                     : RowKernel::kPlain;
  const size_t pairCount = plan.pairs.Size();
  // The bytes of a source row that the pairs touch, fetched a few rows ahead:
  // the rows are far apart, beyond what the hardware prefetcher follows.
  const int32_t spanStart = plan.pairs.firstWord[0] & ~63;
  const int32_t spanEnd = plan.pairs.secondWord[pairCount - 1] + 4;
  uint8_t* dstRow = board.image + static_cast<size_t>(cell.rect.top) * kPitch +
                    static_cast<size_t>(cell.rect.left) * 2;
  for (int32_t r = 0; r < cellHeight; ++r, dstRow += kPitch) {
    const uint8_t* src = image + cell.rowOffsets[static_cast<size_t>(r)];
    if (r + kPrefetchRows < cellHeight) {
      const uint8_t* next = image + cell.rowOffsets[static_cast<size_t>(r + kPrefetchRows)];
      for (int32_t at = spanStart; at < spanEnd; at += 64) __builtin_prefetch(next + at);
    }
    if (cell.straightCopy) {
      std::memcpy(dstRow, src, pairCount * 4);
    } else {
      ScaleRow(kernel, plan, src, dstRow);
    }
  }
}

}  // namespace zmb
