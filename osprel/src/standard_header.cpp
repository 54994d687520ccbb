#include "standard_header.h"

#include "bit_writer.h"
#include "picture_format.h"

namespace osprel {
namespace {

inline constexpr int kFormatBit = 35;  // first bit of the format field

uint32_t GetBits(const uint8_t* in, size_t bit, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i, ++bit) v = (v << 1) | ((in[bit >> 3] >> (7 - (bit & 7))) & 1u);
  return v;
}

}  // namespace

size_t ToStandardHeader(const uint8_t* in, size_t size, uint8_t* out) {
  if (!in || !out || size * 8 < kPictureHeaderBits) return 0;
  if (GetBits(in, 0, 22) != 1u << 5) return 0;  // start code and group number 0
  const uint32_t code = GetBits(in, kFormatBit, 5);
  if (code < 1 || code > 20) return 0;
  const int standard = StandardSourceFormat(kFormats[code - 1].width, kFormats[code - 1].height);
  if (!standard) return 0;

  BitWriter w;
  w.Start(out);
  w.Put(16, GetBits(in, 0, 16));
  w.Put(16, GetBits(in, 16, 16));
  w.Put(3, GetBits(in, 32, 3));
  w.Put(3, static_cast<uint32_t>(standard));
  const size_t total = size * 8;
  size_t bit = kFormatBit + 5;
  for (; bit + 16 <= total; bit += 16) w.Put(16, GetBits(in, bit, 16));
  if (bit < total) w.Put(static_cast<int>(total - bit), GetBits(in, bit, static_cast<int>(total - bit)));
  w.AlignWithZeros();
  return w.Flush();
}

}  // namespace osprel
