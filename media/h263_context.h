// One channel's H.263 coder: the encoder (or decoder) object, its planar input
// and record buffers, and the record header written before each picture.
#pragma once

#include <cstdint>

#include "aligned_buffer.h"
#include "nuvix_wintypes.h"

class COsprel;
class CH263Decoder;

namespace nuvix {

class H263Context {
 public:
  // Coded record: the 40-byte header and the largest picture the encoder writes.
  static const uint32_t kOutputBytes;
  static constexpr int32_t kSetupQuantiser = 128;
  static constexpr int32_t kGop = 30;

  H263Context() = default;
  ~H263Context() { ReleaseCodec(); }
  H263Context(const H263Context&) = delete;
  H263Context& operator=(const H263Context&) = delete;

  // Makes the encoder, or the decoder (and starts it) when forEncoding is false.
  void CreateCodec(bool forEncoding);
  // Encoder side: header, Init(width, height, 128, 1), GOP 30, both buffers.
  void Setup(int32_t width, int32_t height);
  // Codes the YUV buffer into a record at the start of the output buffer;
  // *bytesOut is the record length (header included), 0 without an encoder.
  void EncodeFrame(int32_t quantiser, int32_t* bytesOut);
  void ReleaseCodec();

  uint8_t* YuvBuffer() const { return yuv_.data(); }
  const uint8_t* Record() const { return output_.data(); }
  CH263Decoder* Decoder() const { return decoder_; }
  COsprel* Encoder() const { return encoder_; }
  int32_t Quantiser() const { return quantiser_; }
  int32_t Intra() const { return intra_; }
  const BITMAPINFOHEADER& Header() const { return header_.bmiHeader; }

 private:
  BITMAPINFO header_{};
  COsprel* encoder_ = nullptr;
  CH263Decoder* decoder_ = nullptr;
  AlignedBuffer yuv_;
  AlignedBuffer output_;
  int32_t quantiser_ = kSetupQuantiser;
  int32_t intra_ = 0;
};

}  // namespace nuvix
