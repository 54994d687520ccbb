#include "scale_rows.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZMB_X86 1
#endif

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the pixel pair words are read and composed in little-endian order");

namespace zmb {
namespace {

constexpr int64_t kWindowBytes = 128;
constexpr size_t kBlockPairs = 16;

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

// The reference sampling, one output pair at a time.
void ScalePairsPlain(const PairTable& pairs, const PairLayout& layout, const uint8_t* src, uint8_t* dst,
                     size_t from, size_t to) {
  for (size_t p = from; p < to; ++p) {
    const uint32_t first = LoadWord(src + pairs.firstWord[p]);
    const uint32_t second = LoadWord(src + pairs.secondWord[p]);
    const uint32_t word = ((first >> layout.chromaRight) & 0x00FF00FFu) |
                          (((first >> pairs.firstShift[p]) << layout.firstLumaLeft) & 0x0000FF00u) |
                          (((second >> pairs.secondShift[p]) << layout.secondLumaLeft) & 0xFF000000u);
    std::memcpy(dst + 4 * p, &word, 4);
  }
}

// The four source bytes of output pair (o, t), in output order U, Y, V, Y.
void PairBytes(int32_t o, int32_t t, bool uyvy, int64_t bytes[4]) {
  const int64_t word = 4 * static_cast<int64_t>(o / 2);
  if (uyvy) {
    bytes[0] = word, bytes[1] = 2 * static_cast<int64_t>(o) + 1, bytes[2] = word + 2,
    bytes[3] = 2 * static_cast<int64_t>(t) + 1;
  } else {
    bytes[0] = word + 1, bytes[1] = 2 * static_cast<int64_t>(o), bytes[2] = word + 3,
    bytes[3] = 2 * static_cast<int64_t>(t);
  }
}

#ifdef ZMB_X86
// Eight output pairs per step, gathered straight from the source row.
__attribute__((target("avx2"))) void ScaleRowGather(const PairTable& pairs, const PairLayout& layout,
                                                    const uint8_t* src, uint8_t* dst) {
  const size_t count = pairs.Size();
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

// One byte permute per block: two 64-byte loads of the window, one vpermt2b,
// one masked store of up to sixteen output pairs.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void ScaleRowPermute(const ScalePlan& plan,
                                                                          const PairLayout& layout,
                                                                          const uint8_t* src, uint8_t* dst) {
  for (const PermuteBlock& block : plan.blocks) {
    if (block.storeMask == 0) {
      const size_t p = static_cast<size_t>(block.firstPair);
      ScalePairsPlain(plan.pairs, layout, src, dst, p, p + 1);
      continue;
    }
    const uint8_t* window = src + block.windowStart;
    const __m512i low = _mm512_loadu_si512(window);
    const __m512i high = _mm512_loadu_si512(window + 64);
    const __m512i index = _mm512_load_si512(block.index);
    _mm512_mask_storeu_epi8(dst + 4 * static_cast<size_t>(block.firstPair), block.storeMask,
                            _mm512_permutex2var_epi8(low, index, high));
  }
}

bool CpuHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

bool CpuHasPermute() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vbmi");
}
#endif

}  // namespace

void BuildScalePlan(const std::vector<int32_t>& columns, int32_t sourceWidth, bool uyvy, ScalePlan& plan) {
  plan.uyvy = uyvy;
  // The chroma pair is the one of the source pixel pair holding column o; the
  // luma samples are those of columns o and t, each found in its pixel pair.
  PairTable& pairs = plan.pairs;
  const size_t pairCount = columns.size() / 2;
  pairs.firstWord.resize(pairCount);
  pairs.secondWord.resize(pairCount);
  pairs.firstShift.resize(pairCount);
  pairs.secondShift.resize(pairCount);
  for (size_t p = 0; p < pairCount; ++p) {
    const int32_t o = columns[2 * p];
    const int32_t t = columns[2 * p + 1];
    pairs.firstWord[p] = 4 * (o / 2);
    pairs.secondWord[p] = 4 * (t / 2);
    pairs.firstShift[p] = 16 * (o % 2);
    pairs.secondShift[p] = 16 * (t % 2);
  }

  // Windows never reach beyond the row, nor beyond the bytes the pair by
  // pair sampling reads itself.
  std::vector<int64_t> lowest(pairCount), highest(pairCount);
  std::vector<std::array<int64_t, 4>> bytes(pairCount);
  int64_t limit = 2 * static_cast<int64_t>(sourceWidth);
  for (size_t p = 0; p < pairCount; ++p) {
    PairBytes(columns[2 * p], columns[2 * p + 1], uyvy, bytes[p].data());
    lowest[p] = *std::min_element(bytes[p].begin(), bytes[p].end());
    highest[p] = *std::max_element(bytes[p].begin(), bytes[p].end());
    // The plain path reads the whole words.
    limit = std::max({limit, 4 * (bytes[p][0] / 4) + 4, 4 * (bytes[p][3] / 4) + 4});
  }
  plan.blocks.clear();
  if (limit < kWindowBytes) return;
  for (size_t p = 0; p < pairCount;) {
    PermuteBlock block{};
    block.firstPair = static_cast<int32_t>(p);
    if (highest[p] - lowest[p] >= kWindowBytes) {
      block.storeMask = 0;
      plan.blocks.push_back(block);
      ++p;
      continue;
    }
    int64_t low = lowest[p], high = highest[p];
    size_t end = p + 1;
    while (end < pairCount && end - p < kBlockPairs &&
           std::max(high, highest[end]) - std::min(low, lowest[end]) < kWindowBytes) {
      low = std::min(low, lowest[end]);
      high = std::max(high, highest[end]);
      ++end;
    }
    const int64_t start = std::min(low, limit - kWindowBytes);
    block.windowStart = static_cast<int32_t>(start);
    for (size_t q = p; q < end; ++q) {
      for (size_t j = 0; j < 4; ++j) block.index[4 * (q - p) + j] = static_cast<uint8_t>(bytes[q][j] - start);
    }
    const size_t outBytes = 4 * (end - p);
    block.storeMask = outBytes == 64 ? ~uint64_t{0} : (uint64_t{1} << outBytes) - 1;
    plan.blocks.push_back(block);
    p = end;
  }
}

bool RowKernelRuns(RowKernel kernel, const ScalePlan& plan) {
  switch (kernel) {
    case RowKernel::kPlain:
      return true;
#ifdef ZMB_X86
    case RowKernel::kGather:
      return CpuHasAvx2();
    case RowKernel::kPermute:
      return !plan.blocks.empty() && CpuHasPermute();
#endif
    default:
      return false;
  }
}

RowKernel FastestRowKernel() {
#ifdef ZMB_X86
  if (CpuHasPermute()) return RowKernel::kPermute;
  if (CpuHasAvx2()) return RowKernel::kGather;
#endif
  return RowKernel::kPlain;
}

void ScaleRow(RowKernel kernel, const ScalePlan& plan, const uint8_t* src, uint8_t* dst) {
  const PairLayout& layout = plan.uyvy ? kUyvyLayout : kYuy2Layout;
  switch (kernel) {
#ifdef ZMB_X86
    case RowKernel::kPermute:
      ScaleRowPermute(plan, layout, src, dst);
      return;
    case RowKernel::kGather:
      ScaleRowGather(plan.pairs, layout, src, dst);
      return;
#endif
    default:
      ScalePairsPlain(plan.pairs, layout, src, dst, 0, plan.pairs.Size());
      return;
  }
}

}  // namespace zmb
