#include "mjpg_context.h"

#include <cstdlib>
#include <cstring>

#include "image_info.h"

namespace nuvix {

MjpgContext::MjpgContext() { std::memset(&input_, 0, sizeof input_); }

void MjpgContext::OpenCodec(int channel) {
  CloseCodec();
  codec_ = ICOpen(FOURCC_VIDC, FOURCC_MJPG, channel == kPlayChannel ? ICMODE_FASTDECOMPRESS : ICMODE_FASTCOMPRESS);
}

void MjpgContext::SetInput(int32_t width, int32_t height, uint32_t fourcc) {
  input_ = ImageInfo(width, height, 16, fourcc);
  input_.bmiHeader.biSizeImage = static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
}

HANDLE MjpgContext::Compress(const void* frame, int32_t quality, int32_t* sizeOut) {
  if (!codec_) return nullptr;
  return ICImageCompress(codec_, 0, &input_, frame, nullptr, quality, sizeOut);
}

HANDLE MjpgContext::Decompress(const BITMAPINFOHEADER* recordHeader, const void* payload) {
  if (!codec_ || !recordHeader) return nullptr;
  // Only the header part of the BITMAPINFO is read.
  BITMAPINFO info{};
  info.bmiHeader = *recordHeader;
  return ICImageDecompress(codec_, 0, &info, payload, nullptr);
}

bool MjpgContext::DecompressInto(const BITMAPINFOHEADER& recordHeader, const void* payload, void* picture,
                                 uint32_t capacity, BITMAPINFOHEADER* shown) {
  HANDLE block = Decompress(&recordHeader, payload);
  if (!block) return false;
  const auto* packed = static_cast<const uint8_t*>(GlobalLock(block));
  bool ok = false;
  if (packed) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, packed, sizeof h);
    const int64_t rowBytes = (static_cast<int64_t>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
    const int64_t needed = rowBytes * std::abs(static_cast<int64_t>(h.biHeight));
    // A picture larger than the caller's buffer (a record claiming a huge frame) is refused.
    if (h.biSize >= sizeof h && h.biWidth > 0 && h.biSizeImage <= capacity && needed <= h.biSizeImage) {
      *shown = h;
      std::memcpy(picture, packed + h.biSize, h.biSizeImage);
      ok = true;
    }
    GlobalUnlock(block);
  }
  GlobalFree(block);
  return ok;
}

void MjpgContext::CloseCodec() {
  if (codec_) ICClose(codec_);
  codec_ = nullptr;
}

}  // namespace nuvix
