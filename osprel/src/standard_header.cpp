#include "standard_header.h"

#include "bit_writer.h"
#include "picture_format.h"

namespace osprel {
namespace {

inline constexpr int kFormatBit = 35;   // first bit of the format field
inline constexpr int kTypeBit = 40;     // picture coding type
inline constexpr int kQuantBit = 45;    // PQUANT

uint32_t GetBits(const uint8_t* in, size_t bit, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i, ++bit) v = (v << 1) | ((in[bit >> 3] >> (7 - (bit & 7))) & 1u);
  return v;
}

// Format code 1..20 of a picture header of this syntax, or 0.
uint32_t FormatCodeOf(const uint8_t* in, size_t size) {
  if (!in || size * 8 < kPictureHeaderBits) return 0;
  if (GetBits(in, 0, 22) != 1u << 5) return 0;  // start code and group number 0
  const uint32_t code = GetBits(in, kFormatBit, 5);
  return code >= 1 && code <= 20 ? code : 0;
}

// Appends the input's bits from bit on, then aligns and flushes.
size_t CopyTail(const uint8_t* in, size_t size, size_t bit, BitWriter& w) {
  const size_t total = size * 8;
  for (; bit + 16 <= total; bit += 16) w.Put(16, GetBits(in, bit, 16));
  if (bit < total) w.Put(static_cast<int>(total - bit), GetBits(in, bit, static_cast<int>(total - bit)));
  w.AlignWithZeros();
  return w.Flush();
}

}  // namespace

size_t ToStandardHeader(const uint8_t* in, size_t size, uint8_t* out) {
  const uint32_t code = FormatCodeOf(in, size);
  if (!code || !out) return 0;
  const int standard = StandardSourceFormat(kFormats[code - 1].width, kFormats[code - 1].height);
  if (!standard) return 0;

  BitWriter w;
  w.Start(out, size);  // the picture loses two bits
  w.Put(16, GetBits(in, 0, 16));
  w.Put(16, GetBits(in, 16, 16));
  w.Put(3, GetBits(in, 32, 3));
  w.Put(3, static_cast<uint32_t>(standard));
  return CopyTail(in, size, kFormatBit + 5, w);
}

size_t ToCustomFormatHeader(const uint8_t* in, size_t size, uint8_t* out) {
  const uint32_t code = FormatCodeOf(in, size);
  if (!code || !out) return 0;
  const PictureSize picture = kFormats[code - 1];

  BitWriter w;
  w.Start(out, size + kCustomHeaderGrowth);
  w.Put(22, GetBits(in, 0, 22));              // start code, group number 0
  w.Put(8, GetBits(in, 22, 8));               // temporal reference
  w.Put(5, 0b10000);                          // PTYPE bits 1-5
  w.Put(3, 0b111);                            // extended PTYPE follows
  w.Put(3, 0b001);                            // UFEP: the optional part is present
  w.Put(3, 0b110);                            // custom source format
  w.Put(11, 0);                               // no optional modes
  w.Put(4, 0b1000);
  w.Put(3, GetBits(in, kTypeBit, 1));         // 000 I, 001 P
  w.Put(3, 0);                                // no resampling, no reduced resolution, rounding 0
  w.Put(3, 0b001);
  w.Put(1, 0);                                // CPM
  w.Put(4, 0b0001);                           // square pixels
  w.Put(9, static_cast<uint32_t>(picture.width / 4 - 1));
  w.Put(1, 1);
  w.Put(9, static_cast<uint32_t>(picture.height / 4));
  w.Put(5, GetBits(in, kQuantBit, 5));        // PQUANT
  w.Put(1, 0);                                // PEI
  return CopyTail(in, size, kPictureHeaderBits, w);
}

size_t ToPlayableHeader(const uint8_t* in, size_t size, uint8_t* out) {
  const size_t standard = ToStandardHeader(in, size, out);
  return standard ? standard : ToCustomFormatHeader(in, size, out);
}

}  // namespace osprel
