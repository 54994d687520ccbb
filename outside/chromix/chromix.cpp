// Conversions on libyuv where it has them; Y41P is unpacked here into 4:2:2
// strips that libyuv then converts, so all formats share one set of coefficients.
#include "chromix.h"

#include <algorithm>
#include <cstddef>

#include "libyuv/convert.h"
#include "libyuv/convert_argb.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CHROMIX_HAVE_AVX2_KERNEL 1
#endif

namespace {

bool Packed422Ok(const void* src, int width, int height, const void* dst) {
  return src && dst && width > 0 && height > 0 && width % 2 == 0;
}

bool Planar420Ok(int width, int height) { return width > 0 && height > 0 && width % 2 == 0 && height % 2 == 0; }

constexpr int kGroupPixels = 8;
constexpr int kGroupBytes = 12;
constexpr int kStripPixels = 16384;  // luma samples per strip: 16 KiB + 16 KiB chroma, stays in cache
constexpr int kMaxChunkWidth = 4096;

// Groups g0..g1 of one row into Y (8 per group) and 4:2:2 chroma (4 per group).
void UnpackY41PScalar(const uint8_t* __restrict src, int g0, int g1, uint8_t* __restrict y,
                      uint8_t* __restrict u, uint8_t* __restrict v) {
  for (int g = g0; g < g1; ++g) {
    const uint8_t* p = src + kGroupBytes * g;
    uint8_t* yg = y + kGroupPixels * g;
    uint8_t* ug = u + 4 * g;
    uint8_t* vg = v + 4 * g;
    yg[0] = p[1];
    yg[1] = p[3];
    yg[2] = p[5];
    yg[3] = p[7];
    yg[4] = p[8];
    yg[5] = p[9];
    yg[6] = p[10];
    yg[7] = p[11];
    ug[0] = ug[1] = p[0];
    ug[2] = ug[3] = p[4];
    vg[0] = vg[1] = p[2];
    vg[2] = vg[3] = p[6];
  }
}

#ifdef CHROMIX_HAVE_AVX2_KERNEL
// Four groups (32 pixels) per step, one group per 16-byte load: each load is
// reordered to [Y0..Y7 | U0 U0 U4 U4 | V0 V0 V4 V4] and the halves gathered.
// A load reads 4 bytes past its group, so the last group of the row is left
// to the scalar code. Returns the groups done.
__attribute__((target("avx2"))) int UnpackY41PAvx2(const uint8_t* src, int groups, uint8_t* y, uint8_t* u,
                                                   uint8_t* v) {
  const __m256i order = _mm256_setr_epi8(1, 3, 5, 7, 8, 9, 10, 11, 0, 0, 4, 4, 2, 2, 6, 6,  //
                                         1, 3, 5, 7, 8, 9, 10, 11, 0, 0, 4, 4, 2, 2, 6, 6);
  int g = 0;
  for (; g + 5 <= groups; g += 4) {
    const uint8_t* p = src + kGroupBytes * g;
    const __m256i a = _mm256_shuffle_epi8(
        _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + 24), reinterpret_cast<const __m128i*>(p)), order);
    const __m256i b = _mm256_shuffle_epi8(
        _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + 36), reinterpret_cast<const __m128i*>(p + 12)),
        order);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + kGroupPixels * g), _mm256_unpacklo_epi64(a, b));
    // Per half: U(g) V(g) U(g+1) V(g+1) as 32-bit words → U U V V → all U, then all V.
    const __m256i chroma = _mm256_permute4x64_epi64(
        _mm256_shuffle_epi32(_mm256_unpackhi_epi64(a, b), _MM_SHUFFLE(3, 1, 2, 0)), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(u + 4 * g), _mm256_castsi256_si128(chroma));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(v + 4 * g), _mm256_extracti128_si256(chroma, 1));
  }
  return g;
}

bool HaveAvx2() {
  static const bool have = __builtin_cpu_supports("avx2");
  return have;
}
#endif

void UnpackY41PRow(const uint8_t* src, int groups, uint8_t* y, uint8_t* u, uint8_t* v) {
  int done = 0;
#ifdef CHROMIX_HAVE_AVX2_KERNEL
  if (HaveAvx2()) done = UnpackY41PAvx2(src, groups, y, u, v);
#endif
  UnpackY41PScalar(src, done, groups, y, u, v);
}

}  // namespace

extern "C" {

int CHROMIX_YUY2_TO_Y420(const uint8_t* yuy2, int width, int height, uint8_t* y, uint8_t* u, uint8_t* v,
                         int /*flags*/) {
  if (!yuy2 || !y || !u || !v || !Planar420Ok(width, height)) return -1;
  return libyuv::YUY2ToI420(yuy2, width * 2, y, width, u, width / 2, v, width / 2, width, height) == 0 ? 0 : -1;
}

int CHROMIX_Y420_TO_RGB32(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, int height,
                          uint8_t* rgb32, int /*flags*/) {
  if (!y || !u || !v || !rgb32 || !Planar420Ok(width, height)) return -1;
  return libyuv::I420ToARGB(y, width, u, width / 2, v, width / 2, rgb32, width * 4, width, height) == 0 ? 0 : -1;
}

int CHROMIX_UYVY_TO_RGB32(const uint8_t* uyvy, int width, int height, uint8_t* rgb32, int /*flags*/) {
  if (!Packed422Ok(uyvy, width, height, rgb32)) return -1;
  return libyuv::UYVYToARGB(uyvy, width * 2, rgb32, width * 4, width, height) == 0 ? 0 : -1;
}

int CHROMIX_YUY2_TO_RGB32(const uint8_t* yuy2, int width, int height, uint8_t* rgb32, int /*flags*/) {
  if (!Packed422Ok(yuy2, width, height, rgb32)) return -1;
  return libyuv::YUY2ToARGB(yuy2, width * 2, rgb32, width * 4, width, height) == 0 ? 0 : -1;
}

int CHROMIX_Y41P_TO_RGB32(const uint8_t* y41p, int width, int height, uint8_t* rgb32, int /*flags*/) {
  if (!y41p || !rgb32 || width <= 0 || height <= 0) return -1;
  const int groupsPerRow = (width + kGroupPixels - 1) / kGroupPixels;
  const ptrdiff_t srcStride = static_cast<ptrdiff_t>(groupsPerRow) * kGroupBytes;
  const ptrdiff_t dstStride = static_cast<ptrdiff_t>(width) * 4;

  alignas(64) uint8_t yStrip[kStripPixels];
  alignas(64) uint8_t uStrip[kStripPixels / 2];
  alignas(64) uint8_t vStrip[kStripPixels / 2];

  for (int x0 = 0; x0 < width; x0 += kMaxChunkWidth) {
    const int chunkWidth = std::min(kMaxChunkWidth, width - x0);
    const int chunkGroups = (chunkWidth + kGroupPixels - 1) / kGroupPixels;
    const int pitch = chunkGroups * kGroupPixels;
    const int stripRows = kStripPixels / pitch;
    const uint8_t* srcChunk = y41p + static_cast<ptrdiff_t>(x0 / kGroupPixels) * kGroupBytes;
    for (int y0 = 0; y0 < height; y0 += stripRows) {
      const int rows = std::min(stripRows, height - y0);
      for (int r = 0; r < rows; ++r) {
        UnpackY41PRow(srcChunk + (y0 + r) * srcStride, chunkGroups, yStrip + r * pitch, uStrip + r * pitch / 2,
                      vStrip + r * pitch / 2);
      }
      libyuv::I422ToARGB(yStrip, pitch, uStrip, pitch / 2, vStrip, pitch / 2, rgb32 + y0 * dstStride + x0 * 4,
                         static_cast<int>(dstStride), chunkWidth, rows);
    }
  }
  return 0;
}

}  // extern "C"
