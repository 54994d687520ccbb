#include "mjpg_context.h"

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

void MjpgContext::CloseCodec() {
  if (codec_) ICClose(codec_);
  codec_ = nullptr;
}

}  // namespace nuvix
