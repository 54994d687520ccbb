// The 44-byte image description both codec contexts start from.
#pragma once

#include <cstdint>

#include "nuvix_wintypes.h"

namespace nuvix {

// Header size 44, the size, planes 1, the bit count and compression; all else 0.
inline BITMAPINFO ImageInfo(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression) {
  BITMAPINFO info{};
  BITMAPINFOHEADER& h = info.bmiHeader;
  h.biSize = sizeof(BITMAPINFO);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bitCount;
  h.biCompression = compression;
  return info;
}

}  // namespace nuvix
