// Conversions on libyuv where it has them; Y41P is unpacked here into 4:2:2
// strips that libyuv then converts, so all formats share one set of coefficients.
#include "chromix.h"

#include <algorithm>
#include <cstddef>

#include "libyuv/convert.h"
#include "libyuv/convert_argb.h"

namespace {

bool Packed422Ok(const void* src, int width, int height, const void* dst) {
  return src && dst && width > 0 && height > 0 && width % 2 == 0;
}

bool Planar420Ok(int width, int height) { return width > 0 && height > 0 && width % 2 == 0 && height % 2 == 0; }

constexpr int kGroupPixels = 8;
constexpr int kGroupBytes = 12;
constexpr int kStripPixels = 16384;  // luma samples per strip: 16 KiB + 16 KiB chroma, stays in cache
constexpr int kMaxChunkWidth = 4096;

// One row of `groups` Y41P groups into Y (8 per group) and 4:2:2 chroma (4 per group).
void UnpackY41PRow(const uint8_t* __restrict src, int groups, uint8_t* __restrict y, uint8_t* __restrict u,
                   uint8_t* __restrict v) {
  for (int g = 0; g < groups; ++g) {
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
    ug[0] = p[0];
    ug[1] = p[0];
    ug[2] = p[4];
    ug[3] = p[4];
    vg[0] = p[2];
    vg[1] = p[2];
    vg[2] = p[6];
    vg[3] = p[6];
  }
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
