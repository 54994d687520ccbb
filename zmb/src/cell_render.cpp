// Nearest-neighbour scaling of a camera image into its cell on the image surface.
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "board.h"
#include "nuvix_trace.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the pixel pair words are read and composed in little-endian order");

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

  // The chroma pair is the one of the source pixel pair holding column o; the
  // luma samples are those of columns o and t, each found in its pixel pair.
  PairTable& pairs = cell.pairs;
  const size_t pairCount = static_cast<size_t>(cellWidth / 2);
  pairs.firstWord.resize(pairCount);
  pairs.secondWord.resize(pairCount);
  pairs.firstShift.resize(pairCount);
  pairs.secondShift.resize(pairCount);
  for (size_t p = 0; p < pairCount; ++p) {
    const int32_t o = cell.columns[2 * p];
    const int32_t t = cell.columns[2 * p + 1];
    pairs.firstWord[p] = 4 * (o / 2);
    pairs.secondWord[p] = 4 * (t / 2);
    pairs.firstShift[p] = 16 * (o % 2);
    pairs.secondShift[p] = 16 * (t % 2);
  }
  cell.straightCopy = IsStraightCopy(board, cell);
}

// Where the bytes of a source pixel pair word sit, as shifts that bring the
// chroma bytes to bits 0-7 and 16-23 and a luma byte (bits 0-7 of the word
// once shifted by the pair table's 0 or 16) to bits 8-15 and 24-31.
struct PairLayout {
  uint32_t chromaRight;
  uint32_t firstLumaLeft;
  uint32_t secondLumaLeft;
};
// UYVY words: U, Y0, V, Y1 (the luma of a pixel sits at bits 8 or 24).
constexpr PairLayout kUyvyLayout{0, 0, 16};
// YUY2 words: Y0, U, Y1, V (the luma of a pixel sits at bits 0 or 16).
constexpr PairLayout kYuy2Layout{8, 8, 24};

inline uint32_t LoadWord(const uint8_t* p) {
  uint32_t word;
  std::memcpy(&word, p, 4);
  return word;
}

void ScalePairsPlain(const PairTable& pairs, const PairLayout& layout, const uint8_t* src, uint8_t* dst,
                     size_t from, size_t count) {
  for (size_t p = from; p < count; ++p) {
    const uint32_t first = LoadWord(src + pairs.firstWord[p]);
    const uint32_t second = LoadWord(src + pairs.secondWord[p]);
    const uint32_t word = ((first >> layout.chromaRight) & 0x00FF00FFu) |
                          (((first >> pairs.firstShift[p]) << layout.firstLumaLeft) & 0x0000FF00u) |
                          (((second >> pairs.secondShift[p]) << layout.secondLumaLeft) & 0xFF000000u);
    std::memcpy(dst + 4 * p, &word, 4);
  }
}

constexpr int32_t kPrefetchRows = 3;

using PairRowFn = void (*)(const PairTable&, const PairLayout&, const uint8_t*, uint8_t*, size_t);

void ScaleRowPlain(const PairTable& pairs, const PairLayout& layout, const uint8_t* src, uint8_t* dst,
                   size_t count) {
  ScalePairsPlain(pairs, layout, src, dst, 0, count);
}

#if defined(__x86_64__) || defined(__i386__)
// Eight output pairs per step, gathered straight from the source row.
__attribute__((target("avx2"))) void ScaleRowAvx2(const PairTable& pairs, const PairLayout& layout,
                                                  const uint8_t* src, uint8_t* dst, size_t count) {
  const __m128i chromaRight = _mm_cvtsi32_si128(static_cast<int>(layout.chromaRight));
  const __m128i firstLeft = _mm_cvtsi32_si128(static_cast<int>(layout.firstLumaLeft));
  const __m128i secondLeft = _mm_cvtsi32_si128(static_cast<int>(layout.secondLumaLeft));
  const __m256i chromaMask = _mm256_set1_epi32(0x00FF00FF);
  const __m256i firstMask = _mm256_set1_epi32(0x0000FF00);
  const __m256i secondMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const int* base = reinterpret_cast<const int*>(src);
  size_t p = 0;
  for (; p + 8 <= count; p += 8) {
    const __m256i firstAt = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&pairs.firstWord[p]));
    const __m256i secondAt = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&pairs.secondWord[p]));
    const __m256i firstShift = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&pairs.firstShift[p]));
    const __m256i secondShift = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&pairs.secondShift[p]));
    const __m256i first = _mm256_i32gather_epi32(base, firstAt, 1);
    const __m256i second = _mm256_i32gather_epi32(base, secondAt, 1);
    const __m256i chroma = _mm256_and_si256(_mm256_srl_epi32(first, chromaRight), chromaMask);
    const __m256i luma0 =
        _mm256_and_si256(_mm256_sll_epi32(_mm256_srlv_epi32(first, firstShift), firstLeft), firstMask);
    const __m256i luma1 =
        _mm256_and_si256(_mm256_sll_epi32(_mm256_srlv_epi32(second, secondShift), secondLeft), secondMask);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 4 * p),
                        _mm256_or_si256(chroma, _mm256_or_si256(luma0, luma1)));
  }
  ScalePairsPlain(pairs, layout, src, dst, p, count);
}
#endif

PairRowFn PickPairRow() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return ScaleRowAvx2;
#endif
  return ScaleRowPlain;
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

  static const PairRowFn scaleRow = PickPairRow();
  const PairLayout layout = board.sourceIsUyvy ? kUyvyLayout : kYuy2Layout;
  const size_t pairCount = cell.pairs.Size();
  // The bytes of a source row that the pairs touch, fetched a few rows ahead:
  // the rows are far apart, beyond what the hardware prefetcher follows.
  const int32_t spanStart = cell.pairs.firstWord[0] & ~63;
  const int32_t spanEnd = cell.pairs.secondWord[pairCount - 1] + 4;
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
      scaleRow(cell.pairs, layout, src, dstRow, pairCount);
    }
  }
}

}  // namespace zmb
