// CorvaneDec's decoder object: baseline H.263 with the 5-bit picture format
// code and no GOB headers, reconstructed exactly as the Osprel encoder does.
#ifndef CORVANE_DECODER_H
#define CORVANE_DECODER_H

#include "encoder.h"
#include "h263_decoder.h"

#include <cstddef>
#include <cstdint>

namespace corvane {

class BitReader;
struct MacroblockSyntax;

class CorvaneDecoder final : public CH263Decoder {
 public:
  CorvaneDecoder() = default;
  virtual ~CorvaneDecoder() = default;

  int Init(int flags) override;
  int Decode(const unsigned char* payload, unsigned char* output, int size) override;
  void Release() override;

  // Size and type of the picture decoded last (0 before the first success).
  int Width() const { return lastWidth_; }
  int Height() const { return lastHeight_; }
  bool LastWasIntra() const { return lastIntra_; }
  // Bits of the last successful picture up to the end of its last macroblock.
  size_t LastBitCount() const { return lastBits_; }

 private:
  bool DecodePicture(BitReader& in);
  bool DecodeMacroblock(BitReader& in, int index, int x, int y, bool pPicture);
  bool ReadMacroblock(BitReader& in, int index, int x, int y, bool pPicture, MacroblockSyntax& mb);

  int width_ = 0, height_ = 0, storeHeight_ = 0, mbCount_ = 0, mbPerRow_ = 0;
  int lastWidth_ = 0, lastHeight_ = 0;
  bool lastIntra_ = false;
  size_t lastBits_ = 0;
  int ref_ = 1, cur_ = 0;
  osprel::QuantTables quant_{};
  int mvx_[osprel::kMaxMacroblocks] = {};
  int mvy_[osprel::kMaxMacroblocks] = {};
  osprel::FrameStore stores_[2] = {};
};

}  // namespace corvane

#endif
