// Splitting a packed studio-range 4:2:2 frame into full-range planes for JFIF.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vfw {

// Full-range value of a studio-range luma sample: 16..235 → 0..255 (× 255/219,
// rounded, clamped). Written as the vector code computes it.
inline uint8_t ExpandLuma(uint8_t y) {
  const int t = y > 16 ? y - 16 : 0;
  const int v = (2 * t * 19077 + 16384) >> 15;
  return static_cast<uint8_t>(v > 255 ? 255 : v);
}

// Full-range value of a studio-range chroma sample: 16..240 → 0..255 about
// 128 (× 255/224, rounded, clamped).
inline uint8_t ExpandChroma(uint8_t c) {
  const int d = c - 128;
  const int v = c + ((d * 4535 + 16384) >> 15);
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Splits height rows of width pixels (even width; rows of 2 × width bytes) of
// UYVY (uyvy) or YUY2 into a Y plane (stride width) and U, V planes (stride
// width / 2), expanding every sample to full range.
void SplitExpand422(const uint8_t* packed, int width, int height, bool uyvy, uint8_t* y, uint8_t* u,
                    uint8_t* v);

}  // namespace vfw
