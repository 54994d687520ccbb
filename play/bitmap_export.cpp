#include "bitmap_export.h"

#include <cstdlib>

#include "recorded_file.h"

namespace nuvix {
namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

}  // namespace

bool WriteBitmap(RecordedFile& file, const BITMAPINFOHEADER& header, const uint8_t* pixels, bool topRowFirst) {
  // The header written is always the 40-byte one, whatever size the decoder
  // reported, so the pixel offset always points at the pixels.
  uint8_t head[kFileHeaderBytes + kInfoHeaderBytes] = {};
  const uint32_t imageBytes = header.biSizeImage;
  Put16(head, 0x4D42);
  Put32(head + 2, imageBytes + kInfoHeaderBytes + kFileHeaderBytes);
  Put32(head + 10, kInfoHeaderBytes + kFileHeaderBytes);
  uint8_t* info = head + kFileHeaderBytes;
  Put32(info, kInfoHeaderBytes);
  Put32(info + 4, static_cast<uint32_t>(header.biWidth));
  Put32(info + 8, static_cast<uint32_t>(header.biHeight));
  Put16(info + 12, header.biPlanes);
  Put16(info + 14, header.biBitCount);
  Put32(info + 16, 0);  // uncompressed RGB
  Put32(info + 20, imageBytes);
  Put32(info + 24, static_cast<uint32_t>(header.biXPelsPerMeter));
  Put32(info + 28, static_cast<uint32_t>(header.biYPelsPerMeter));
  Put32(info + 32, header.biClrUsed);
  Put32(info + 36, header.biClrImportant);
  if (file.Transfer(static_cast<const void*>(head), sizeof head) != sizeof head) return false;

  const uint32_t rows = static_cast<uint32_t>(std::abs(header.biHeight));
  if (!topRowFirst || rows == 0) return file.Transfer(static_cast<const void*>(pixels), imageBytes) == imageBytes;
  const uint32_t rowBytes = imageBytes / rows;
  for (uint32_t r = rows; r-- > 0;) {
    if (file.Transfer(static_cast<const void*>(pixels + static_cast<size_t>(r) * rowBytes), rowBytes) != rowBytes)
      return false;
  }
  return true;
}

}  // namespace nuvix
