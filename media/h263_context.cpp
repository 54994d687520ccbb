#include "h263_context.h"

#include <cstring>

#include "corvane_encoder.h"
#include "h263_decoder.h"
#include "image_info.h"

namespace nuvix {

// Sized from the encoder's worst case rather than a guess, so a picture full
// of escaped coefficients can never run past the end.
const uint32_t H263Context::kOutputBytes = sizeof(BITMAPINFOHEADER) + kCorvaneMaxCodedBytes;

void H263Context::CreateCodec(bool forEncoding) {
  if (forEncoding) {
    if (!encoder_) encoder_ = CreateCorvaneEncoder();
    return;
  }
  if (!decoder_) decoder_ = CreateCorvaneDecoder();
  if (decoder_) decoder_->Init(0);
}

void H263Context::Setup(int32_t width, int32_t height) {
  header_ = ImageInfo(width, height, 32, FOURCC_H263);
  quantiser_ = kSetupQuantiser;
  if (encoder_) {
    encoder_->Init(width, height, kSetupQuantiser, 1);
    encoder_->SetGOP(kGop);
  }
  yuv_.Free();
  output_.Free();
  yuv_.Allocate(static_cast<size_t>(width) * height * 3 / 2, 32);
  output_.Allocate(kOutputBytes, 32);
}

void H263Context::EncodeFrame(int32_t quantiser, int32_t* bytesOut) {
  *bytesOut = 0;
  if (!encoder_ || yuv_.empty() || output_.empty()) return;
  if (quantiser != quantiser_) {
    quantiser_ = quantiser;
    encoder_->Init(header_.bmiHeader.biWidth, header_.bmiHeader.biHeight, quantiser, 0);
  }
  int coded = 0;
  encoder_->Encode(yuv_.data(), output_.data() + sizeof(BITMAPINFOHEADER), &coded, &intra_, 0);
  header_.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  header_.bmiHeader.biSizeImage = static_cast<uint32_t>(coded);
  std::memcpy(output_.data(), &header_.bmiHeader, sizeof(BITMAPINFOHEADER));
  *bytesOut = coded + static_cast<int32_t>(sizeof(BITMAPINFOHEADER));
}

void H263Context::ReleaseCodec() {
  if (encoder_) encoder_->Release();
  if (decoder_) decoder_->Release();
  encoder_ = nullptr;
  decoder_ = nullptr;
  yuv_.Free();
  output_.Free();
}

}  // namespace nuvix
