// Nearest-neighbour scaling of a camera image into its cell on the image surface.
#include <cstring>

#include "board.h"
#include "nuvix_trace.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the pixel pair words are composed in little-endian order");

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

  // UYVY: U, Y0, V, Y1; YUY2: Y0, U, Y1, V. The chroma pair is the one of the
  // source pixel pair holding column o; the luma bytes are those of o and t.
  const int32_t lumaByte = board.sourceIsUyvy ? 1 : 0;
  cell.pairs.resize(static_cast<size_t>(cellWidth / 2));
  for (int32_t c = 0; c + 1 < cellWidth; c += 2) {
    const int32_t o = cell.columns[static_cast<size_t>(c)];
    const int32_t t = cell.columns[static_cast<size_t>(c) + 1];
    cell.pairs[static_cast<size_t>(c / 2)] = PairSource{4 * (o / 2), 2 * o + lumaByte, 2 * t + lumaByte};
  }
  cell.straightCopy = IsStraightCopy(board, cell);
}

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

  const size_t pairCount = cell.pairs.size();
  const PairSource* pairs = cell.pairs.data();
  const unsigned chromaShift = board.sourceIsUyvy ? 0 : 8;
  const bool straight = cell.straightCopy;
  uint8_t* dstRow = board.image + static_cast<size_t>(cell.rect.top) * kPitch +
                    static_cast<size_t>(cell.rect.left) * 2;
  for (int32_t r = 0; r < cellHeight; ++r, dstRow += kPitch) {
    const uint8_t* src = image + cell.rowOffsets[static_cast<size_t>(r)];
    if (straight) {
      std::memcpy(dstRow, src, pairCount * 4);
      continue;
    }
    uint8_t* dst = dstRow;
    for (size_t p = 0; p < pairCount; ++p, dst += 4) {
      const PairSource& from = pairs[p];
      uint32_t word;
      std::memcpy(&word, src + from.chroma, 4);
      word = ((word >> chromaShift) & 0x00FF00FFu) | (static_cast<uint32_t>(src[from.luma0]) << 8) |
             (static_cast<uint32_t>(src[from.luma1]) << 24);
      std::memcpy(dst, &word, 4);
    }
  }
}

}  // namespace zmb
