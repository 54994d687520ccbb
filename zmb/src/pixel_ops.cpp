#include "pixel_ops.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZMB_X86 1
#endif

namespace zmb {
namespace {

// High half of the signed 16 x 16-bit product of (c x 128) and k, as the
// packed multiply computes it.
inline int HighProduct(int c, int k) { return (c * 128 * k) >> 16; }

inline uint8_t Saturate(int v) {
  return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void MergeRowPlain(const uint8_t* osd, const uint8_t* image, uint8_t* out, int pixels) {
  for (int j = 0; j < pixels; ++j, osd += 2, image += 2, out += 2) {
    const bool see = osd[0] == 0x80 && osd[1] == 0x10;
    out[0] = see ? image[0] : osd[0];
    out[1] = see ? image[1] : osd[1];
  }
}

inline uint8_t Luma(const uint8_t* px) {
  return Saturate(((HighProduct(px[2], 2104) + HighProduct(px[1], 4128) + HighProduct(px[0], 800)) >> 4) +
                  16);
}

#ifdef ZMB_X86
// Eight pixels (four pairs) in, sixteen 16-bit results in the order U, Y0, V, Y1
// per pair. pshufb works within each 128-bit half, which holds two whole pairs.
__attribute__((target("avx2"))) inline __m256i ConvertEight(__m256i px) {
  const __m256i pickB = _mm256_setr_epi8(0, -1, 0, -1, 0, -1, 4, -1, 8, -1, 8, -1, 8, -1, 12, -1,  //
                                         0, -1, 0, -1, 0, -1, 4, -1, 8, -1, 8, -1, 8, -1, 12, -1);
  const __m256i pickG = _mm256_add_epi8(pickB, _mm256_setr_epi8(1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0,  //
                                                                1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0));
  const __m256i pickR = _mm256_add_epi8(pickG, _mm256_setr_epi8(1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0,  //
                                                                1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0));
  const __m256i kB = _mm256_setr_epi16(3592, 800, -576, 800, 3592, 800, -576, 800,  //
                                       3592, 800, -576, 800, 3592, 800, -576, 800);
  const __m256i kG = _mm256_setr_epi16(-2376, 4128, -3008, 4128, -2376, 4128, -3008, 4128,  //
                                       -2376, 4128, -3008, 4128, -2376, 4128, -3008, 4128);
  const __m256i kR = _mm256_setr_epi16(-1208, 2104, 3592, 2104, -1208, 2104, 3592, 2104,  //
                                       -1208, 2104, 3592, 2104, -1208, 2104, 3592, 2104);
  const __m256i offset = _mm256_setr_epi16(128, 16, 128, 16, 128, 16, 128, 16,  //
                                           128, 16, 128, 16, 128, 16, 128, 16);
  // pshufb yields 0 for the -1 (high bit set) indices, so each lane is one component.
  const __m256i b = _mm256_slli_epi16(_mm256_shuffle_epi8(px, pickB), 7);
  const __m256i g = _mm256_slli_epi16(_mm256_shuffle_epi8(px, pickG), 7);
  const __m256i r = _mm256_slli_epi16(_mm256_shuffle_epi8(px, pickR), 7);
  __m256i sum = _mm256_add_epi16(_mm256_mulhi_epi16(b, kB), _mm256_mulhi_epi16(g, kG));
  sum = _mm256_add_epi16(sum, _mm256_mulhi_epi16(r, kR));
  return _mm256_add_epi16(_mm256_srai_epi16(sum, 4), offset);
}

__attribute__((target("avx2"))) void ConvertRowAvx2(const uint8_t* rgb, uint8_t* uyvy, int pairs) {
  int done = 0;
  for (; done + 8 <= pairs; done += 8) {
    const __m256i lo = ConvertEight(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(rgb)));
    const __m256i hi = ConvertEight(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(rgb + 32)));
    // packus interleaves the 128-bit halves; the permute restores pixel order.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(uyvy), packed);
    rgb += 64;
    uyvy += 32;
  }
  ConvertRgbRowToUyvyPlain(rgb, uyvy, pairs - done);
}

void MergeRowSse2(const uint8_t* osd, const uint8_t* image, uint8_t* out, int pixels) {
  const __m128i key = _mm_set1_epi16(static_cast<short>(0x1080));
  int j = 0;
  for (; j + 8 <= pixels; j += 8) {
    const __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(osd + 2 * j));
    const __m128i i = _mm_loadu_si128(reinterpret_cast<const __m128i*>(image + 2 * j));
    const __m128i see = _mm_cmpeq_epi16(o, key);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j),
                     _mm_or_si128(_mm_and_si128(see, i), _mm_andnot_si128(see, o)));
  }
  MergeRowPlain(osd + 2 * j, image + 2 * j, out + 2 * j, pixels - j);
}

__attribute__((target("avx2"))) void MergeRowAvx2(const uint8_t* osd, const uint8_t* image, uint8_t* out,
                                                  int pixels) {
  const __m256i key = _mm256_set1_epi16(static_cast<short>(0x1080));
  int j = 0;
  for (; j + 16 <= pixels; j += 16) {
    const __m256i o = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(osd + 2 * j));
    const __m256i i = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(image + 2 * j));
    const __m256i see = _mm256_cmpeq_epi16(o, key);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * j), _mm256_blendv_epi8(o, i, see));
  }
  MergeRowPlain(osd + 2 * j, image + 2 * j, out + 2 * j, pixels - j);
}

using ConvertFn = void (*)(const uint8_t*, uint8_t*, int);
using MergeFn = void (*)(const uint8_t*, const uint8_t*, uint8_t*, int);

MergeFn PickMerge() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? MergeRowAvx2 : MergeRowSse2;
}

ConvertFn PickConvert() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? ConvertRowAvx2 : ConvertRgbRowToUyvyPlain;
}
#endif

}  // namespace

void ConvertRgbRowToUyvyPlain(const uint8_t* rgb, uint8_t* uyvy, int pairs) {
  for (int p = 0; p < pairs; ++p, rgb += 8, uyvy += 4) {
    const int b = rgb[0], g = rgb[1], r = rgb[2];
    uyvy[0] = Saturate(((HighProduct(b, 3592) + HighProduct(g, -2376) + HighProduct(r, -1208)) >> 4) + 128);
    uyvy[1] = Luma(rgb);
    uyvy[2] = Saturate(((HighProduct(r, 3592) + HighProduct(g, -3008) + HighProduct(b, -576)) >> 4) + 128);
    uyvy[3] = Luma(rgb + 4);
  }
}

void ConvertRgbRowToUyvy(const uint8_t* rgb, uint8_t* uyvy, int pairs) {
#ifdef ZMB_X86
  static const ConvertFn convert = PickConvert();
  convert(rgb, uyvy, pairs);
#else
  ConvertRgbRowToUyvyPlain(rgb, uyvy, pairs);
#endif
}

void MergeRow(const uint8_t* osd, const uint8_t* image, uint8_t* out, int pixels) {
#ifdef ZMB_X86
  static const MergeFn merge = PickMerge();
  merge(osd, image, out, pixels);
#else
  MergeRowPlain(osd, image, out, pixels);
#endif
}

}  // namespace zmb
