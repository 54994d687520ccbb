// Fuzz target for the H.263 encoder: a sequence of Init (supported or
// arbitrary sizes, any quantiser), SetGOP (any period), skip rule changes
// (any value) and encodes of generated pictures, into a caller's buffer of
// exactly the documented size or the internal one. Every coded picture goes
// through the decoder: a picture the decoder can follow (intra, or inter on a
// reference of the same size) must decode to exactly the encoder's own
// reconstruction.
#include <cstring>
#include <memory>
#include <vector>

#include "encoder.h"
#include "fuzz_input.h"
#include "h263_decoder.h"
#include "osprel.h"

namespace {

constexpr int kMaxFrames = 4;  // coded pictures per input, to keep each input quick

struct Release {
  template <typename T>
  void operator()(T* object) const { object->Release(); }
};

// A frame of the size in use: a repeated byte pattern from the input, with
// pseudo-random noise added when asked (noise codes into the longest pictures).
std::vector<uint8_t> Frame(FuzzInput& in, int width, int height) {
  std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 3 / 2);
  size_t taken;
  const uint8_t* pattern = in.Bytes(in.U8(), &taken);
  const uint8_t noise = in.U8();
  uint32_t state = in.U32() | 1;
  for (size_t i = 0; i < frame.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    const uint8_t base = taken ? pattern[i % taken] : 128;
    frame[i] = static_cast<uint8_t>(base + ((state >> 24) & noise));
  }
  return frame;
}

// The decoder's picture equals the encoder's reconstruction, plane by plane.
void RequireReconstruction(const osprel::Encoder& encoder, const uint8_t* decoded) {
  const size_t luma = static_cast<size_t>(encoder.Width()) * encoder.Height();
  const osprel::FrameStore& s = encoder.LastPicture();
  FUZZ_REQUIRE(std::memcmp(decoded, s.y, luma) == 0);
  FUZZ_REQUIRE(std::memcmp(decoded + luma, s.cb, luma / 4) == 0);
  FUZZ_REQUIRE(std::memcmp(decoded + luma + luma / 4, s.cr, luma / 4) == 0);
}

class Session {
 public:
  Session() : encoder_(static_cast<osprel::Encoder*>(CreateCOsprel())), decoder_(CreateCorvaneDecoder()) {
    FUZZ_REQUIRE(encoder_ && decoder_ && decoder_->Init(0) == 1);
  }

  void Init(FuzzInput& in) {
    int width, height;
    if (in.Bool()) {
      const osprel::PictureSize& size = osprel::kFormats[in.U8() % 20];
      width = size.width;
      height = size.height;
    } else {
      width = in.I32();
      height = in.I32();
    }
    const int supported = osprel::FormatCode(width, height) != 0;
    FUZZ_REQUIRE(encoder_->Init(width, height, in.I32()) == supported);
    FUZZ_REQUIRE(encoder_->Quantiser() >= 1 && encoder_->Quantiser() <= 30);
    ready_ = supported;
    // A new size keeps the stale reference: the decoder can only follow
    // again from the next intra picture.
    if (supported && (width != width_ || height != height_)) inStep_ = false;
    if (supported) width_ = width, height_ = height;
  }

  void Encode(FuzzInput& in, bool internal) {
    const bool forceIntra = in.Bool();
    const std::vector<uint8_t> frame = ready_ ? Frame(in, width_, height_) : std::vector<uint8_t>(16, 0);
    int bytes = -1, intra = -1;
    const uint8_t* coded;
    std::unique_ptr<uint8_t[]> output;
    if (internal) {
      unsigned char* out = nullptr;
      encoder_->EncodeToInternal(frame.data(), &out, &bytes, &intra, forceIntra);
      coded = out;
    } else {
      const size_t capacity = ready_ ? OSPREL_MAX_PICTURE_BYTES(width_, height_) : 1;
      output.reset(new uint8_t[capacity]);
      encoder_->Encode(frame.data(), output.get(), &bytes, &intra, forceIntra);
      coded = output.get();
    }
    if (!ready_) {
      FUZZ_REQUIRE(bytes == 0 && intra == 0);
      return;
    }
    FUZZ_REQUIRE(bytes > 0 && bytes <= OSPREL_MAX_PICTURE_BYTES(width_, height_));
    FUZZ_REQUIRE(intra == 1 || (intra == 0 && !forceIntra));
    Decode(coded, bytes, intra);
  }

  void SetGop(FuzzInput& in) { encoder_->SetGOP(static_cast<int8_t>(in.U8())); }

  // Either skip rule from any picture on; anything else is refused.
  void SetSkipRule(FuzzInput& in) {
    const int rule = static_cast<int8_t>(in.U8());
    const bool known = rule == OSPREL_SKIP_OWN_RESIDUAL || rule == OSPREL_SKIP_LUMA_ONLY;
    FUZZ_REQUIRE(OsprelSetSkipRule(encoder_.get(), rule) == (known ? 1 : 0));
  }

 private:
  void Decode(const uint8_t* coded, int bytes, bool intra) {
    // Exactly the coded bytes, so the decoder cannot read past them unseen.
    const std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes]);
    std::memcpy(copy.get(), coded, bytes);
    const std::unique_ptr<uint8_t[]> picture(new uint8_t[kH263MaxPictureBytes]);
    const bool decoded = decoder_->Decode(copy.get(), picture.get(), bytes) == 1;
    if (intra || inStep_) {
      FUZZ_REQUIRE(decoded);
      RequireReconstruction(*encoder_, picture.get());
      inStep_ = true;
    }
  }

  std::unique_ptr<osprel::Encoder, Release> encoder_;
  std::unique_ptr<CH263Decoder, Release> decoder_;
  bool ready_ = false;
  bool inStep_ = false;  // the decoder holds the encoder's reference picture
  int width_ = 0, height_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  Session session;
  int frames = 0;
  while (!in.empty() && frames < kMaxFrames) {
    switch (in.U8() % 5) {
      case 0: session.Init(in); break;
      case 1: session.SetGop(in); break;
      case 2: session.Encode(in, false), ++frames; break;
      case 3: session.Encode(in, true), ++frames; break;
      case 4: session.SetSkipRule(in); break;
    }
  }
  return 0;
}
