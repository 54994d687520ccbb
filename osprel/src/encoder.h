// The H.263 encoder object behind COsprel: one stream, all state in one block.
#ifndef OSPREL_ENCODER_H
#define OSPREL_ENCODER_H

#include "bit_writer.h"
#include "motion.h"
#include "osprel.h"
#include "picture_format.h"
#include "quantiser.h"

#include <cstdint>

namespace osprel {

// Reconstructed picture store, sized for the largest format; a smaller
// picture uses the front of each plane with a pitch equal to its width.
struct FrameStore {
  uint8_t y[kMaxWidth * kMaxHeight];
  uint8_t cb[kMaxWidth * kMaxHeight / 4];
  uint8_t cr[kMaxWidth * kMaxHeight / 4];
};

class Encoder final : public COsprel {
 public:
  Encoder();
  virtual ~Encoder();

  int IsSupportedSize(int width, int height) override;
  int Init(int width, int height, int quantiser) override;
  void SetGOP(int period) override;
  void EncodeToInternal(const unsigned char* frame, unsigned char** output, int* bytes, int* intra,
                        int forceIntra) override;
  void Encode(const unsigned char* frame, unsigned char* output, int* bytes, int* intra,
              int forceIntra) override;
  void Release() override;

  // The picture coded last, as a decoder reconstructs it (reference of the next P picture).
  const FrameStore& LastPicture() const { return stores_[ref_]; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Quantiser() const { return qp_; }
  int GopLength() const { return gop_; }
  int GopPosition() const { return gopPos_; }
  int TemporalReference() const { return tr_; }
  // OSPREL_SKIP_OWN_RESIDUAL or OSPREL_SKIP_LUMA_ONLY (see osprel.h).
  void SetSkipRule(int rule) { lumaOnlySkip_ = rule == OSPREL_SKIP_LUMA_ONLY; }

 private:
  void CodeMacroblock(int index, int x, int y);
  void PrefetchAhead(int x, int y) const;

  // Stream state.
  int gop_ = 30;
  int gopPos_ = 0;
  int tr_ = 0;
  int pictureType_ = 0;  // 0 intra, 1 inter
  int qp_ = 1;
  int width_ = 0, height_ = 0, mbCount_ = 0, mbPerRow_ = 0, formatCode_ = 0;
  bool ready_ = false;  // a successful Init has set a size
  bool lumaOnlySkip_ = false;
  int chromaSkipSad_ = 0;  // ChromaSkipSad(qp_)
  int ref_ = 1, cur_ = 0;

  // Planes of the frame in progress (the caller's, or the extended copy).
  const uint8_t* srcY_ = nullptr;
  const uint8_t* srcCb_ = nullptr;
  const uint8_t* srcCr_ = nullptr;

  BitWriter writer_;
  QuantTables quant_;
  int mvx_[kMaxMacroblocks] = {};
  int mvy_[kMaxMacroblocks] = {};
  FrameStore stores_[2] = {};
  // Source extended to whole macroblock rows for the 120-line sizes.
  uint8_t padded_[176 * 128 * 3 / 2] = {};
  uint8_t internal_[OSPREL_MAX_CODED_BYTES] = {};
};

}  // namespace osprel

#endif
