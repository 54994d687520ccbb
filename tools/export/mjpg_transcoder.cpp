#include "mjpg_transcoder.h"

#include <turbojpeg.h>

#include <cstddef>

#include "h263_decoder.h"

namespace nuvix {

MjpgTranscoder::MjpgTranscoder()
    : decoder_(CreateCorvaneDecoder()), compressor_(tjInitCompress()), planes_(kH263MaxPictureBytes) {
  if (decoder_) decoder_->Init(0);
}

MjpgTranscoder::~MjpgTranscoder() {
  if (decoder_) decoder_->Release();
  if (compressor_) tjDestroy(compressor_);
}

bool MjpgTranscoder::Transcode(const uint8_t* picture, uint32_t size, int width, int height,
                               std::vector<uint8_t>& jpeg) {
  if (!decoder_ || !compressor_ || width <= 0 || height <= 0 ||
      static_cast<std::size_t>(width) * height * 3 / 2 > planes_.size())
    return false;
  if (!decoder_->Decode(picture, planes_.data(), static_cast<int>(size))) return false;
  const int lumaBytes = width * height;
  const unsigned char* planes[3] = {planes_.data(), planes_.data() + lumaBytes,
                                    planes_.data() + lumaBytes + lumaBytes / 4};
  const int strides[3] = {width, width / 2, width / 2};
  jpeg.resize(tjBufSize(width, height, TJSAMP_420));
  unsigned char* out = jpeg.data();
  unsigned long bytes = jpeg.size();
  if (tjCompressFromYUVPlanes(compressor_, planes, width, strides, height, TJSAMP_420, &out, &bytes, kQuality,
                              TJFLAG_NOREALLOC) != 0)
    return false;
  jpeg.resize(bytes);
  return true;
}

}  // namespace nuvix
