#include "encoder.h"

#include "block_ops.h"
#include "block_transform.h"
#include "nuvix_trace.h"
#include "skip_rules.h"
#include "syntax_writer.h"
#include "vlc_tables.h"

#include <climits>
#include <cstring>
#include <new>

namespace osprel {
namespace {

inline constexpr int kCbpBit[6] = {32, 16, 8, 4, 2, 1};

// Every macroblock of an I picture: intra, zero vector, no usable SADs.
SearchResult IntraPictureResult() {
  SearchResult s;
  s.type = kMbIntra;
  s.sad16 = INT_MAX;
  for (int& v : s.sad8) v = INT_MAX;
  return s;
}

}  // namespace

Encoder::Encoder() { BuildQuantTables(qp_, &quant_); }

Encoder::~Encoder() = default;

int Encoder::IsSupportedSize(int width, int height) { return FormatCode(width, height) != 0; }

int Encoder::Init(int width, int height, int quantiser) {
  const int qp = quantiser <= 0 ? 1 : (quantiser > 30 ? 30 : quantiser);
  const int code = FormatCode(width, height);
  if (!code) {
    ready_ = false;  // an unknown size must never reach the frame loop
    return 0;
  }
  qp_ = qp;
  width_ = width;
  height_ = height;
  mbCount_ = width * height / 256;
  mbPerRow_ = width / 16;
  formatCode_ = code;
  if (quant_.qp != qp) BuildQuantTables(qp, &quant_);
  chromaSkipSad_ = ChromaSkipSad(qp);
  pictureType_ = 0;
  std::memset(mvx_, 0, sizeof(int) * mbCount_);
  std::memset(mvy_, 0, sizeof(int) * mbCount_);
  ready_ = true;
  return 1;
}

void Encoder::SetGOP(int period) {
  // A library must not end its host process over a bad argument, and a
  // period of zero would divide by zero in the frame loop: refuse it.
  if (period <= 0) {
    NuvixTrace("GOP must be more than 1\n");
    return;
  }
  gop_ = period;
  gopPos_ = 0;
}

void Encoder::EncodeToInternal(const unsigned char* frame, unsigned char** output, int* bytes,
                               int* intra, int forceIntra) {
  Encode(frame, internal_, bytes, intra, forceIntra);
  if (output) *output = internal_;
}

void Encoder::Release() { delete this; }

void Encoder::Encode(const unsigned char* frame, unsigned char* output, int* bytes, int* intra,
                     int forceIntra) {
  if (!ready_ || !frame || !output || !bytes || !intra) {
    if (bytes) *bytes = 0;
    if (intra) *intra = 0;
    return;
  }
  const int lumaSize = width_ * height_, chromaSize = lumaSize / 4;
  if (StoreHeight(height_) != height_) {
    // Extend the last line of each plane down to the whole macroblock row.
    const int h = StoreHeight(height_), cw = width_ / 2;
    uint8_t* y = padded_;
    uint8_t* cb = y + width_ * h;
    uint8_t* cr = cb + cw * (h / 2);
    std::memcpy(y, frame, lumaSize);
    std::memcpy(cb, frame + lumaSize, chromaSize);
    std::memcpy(cr, frame + lumaSize + chromaSize, chromaSize);
    for (int r = height_; r < h; ++r) std::memcpy(y + r * width_, y + (height_ - 1) * width_, width_);
    for (int r = height_ / 2; r < h / 2; ++r) {
      std::memcpy(cb + r * cw, cb + (height_ / 2 - 1) * cw, cw);
      std::memcpy(cr + r * cw, cr + (height_ / 2 - 1) * cw, cw);
    }
    srcY_ = y;
    srcCb_ = cb;
    srcCr_ = cr;
  } else {
    srcY_ = frame;
    srcCb_ = frame + lumaSize;
    srcCr_ = frame + lumaSize + chromaSize;
  }

  if (forceIntra || gopPos_ == 0) {
    pictureType_ = 0;
    gopPos_ = 0;
    *intra = 1;
  } else {
    pictureType_ = 1;
    *intra = 0;
  }
  gopPos_ = (gopPos_ + 1) % gop_;

  // Coded into the object's own buffer, whose spare room the writer may use
  // ahead of the bits; the caller's gets exactly the picture's bytes.
  writer_.Start(internal_, sizeof internal_);
  WritePictureHeader(writer_, tr_, formatCode_, pictureType_, qp_);
  tr_ = (tr_ + 1) % 256;

  for (int i = 0; i < mbCount_; ++i) {
    const int x = (16 * i) % width_, y = 16 * ((16 * i) / width_);
    if ((x & 63) == 0) PrefetchAhead(x, y);  // each 64-byte line holds four macroblocks' rows
    CodeMacroblock(i, x, y);
  }
  writer_.AlignWithZeros();

  ref_ = (ref_ + 1) % 2;
  cur_ = (cur_ + 1) % 2;
  *bytes = static_cast<int>(writer_.Flush());
  if (output != internal_) std::memcpy(output, internal_, static_cast<size_t>(*bytes));
}

// The source lines of the next 64 columns (the next row's first ones at the
// end of a row), well before the search and the residuals need them: a new
// source picture comes from memory, in more streams (one per line) than the
// processor's own prefetching follows.
void Encoder::PrefetchAhead(int x, int y) const {
  const bool nextRow = x + 64 >= width_;
  const int ax = nextRow ? 0 : x + 64, ay = nextRow ? y + 16 : y, cw = width_ / 2;
  if (ay >= StoreHeight(height_)) return;
  for (int r = 0; r < 16; ++r) __builtin_prefetch(srcY_ + (ay + r) * width_ + ax);
  for (int r = 0; r < 8; ++r) {
    __builtin_prefetch(srcCb_ + (ay / 2 + r) * cw + ax / 2);
    __builtin_prefetch(srcCr_ + (ay / 2 + r) * cw + ax / 2);
  }
}

void Encoder::CodeMacroblock(int index, int x, int y) {
  const FrameStore& ref = stores_[ref_];
  FrameStore& cur = stores_[cur_];
  const bool pPicture = pictureType_ == 1;

  // Built in place: copying the search result back costs a stalled reload.
  SearchResult s = pPicture ? MotionSearch(srcY_, ref.y, width_, height_, x, y) : IntraPictureResult();
  if (pPicture && !s.isStatic) {
    s.type = IntraDecision(s.deviation, s.sad16);
    if (s.type == kMbIntra) s.dx = s.dy = 0;
  }
  mvx_[index] = 2 * s.dx;
  mvy_[index] = 2 * s.dy;

  // Inter macroblocks are predicted in place in the current store; under the
  // own-residual rule with the chroma residuals' SADs. A static macroblock is
  // a copy by the zero vector, and stays one (not coded) unless the rule
  // finds its chroma changed: then it goes on as an inter macroblock with the
  // zero vector whose luma blocks are all skipped (each 8x8 SAD is below the
  // static limit).
  const uint8_t* const refPlanes[3] = {ref.y, ref.cb, ref.cr};
  uint8_t* const curPlanes[3] = {cur.y, cur.cb, cur.cr};
  const uint8_t* const srcPlanes[3] = {srcY_, srcCb_, srcCr_};
  const bool intra = s.type == kMbIntra;
  int chromaSad[2] = {};
  if (!intra && lumaOnlySkip_)
    PredictMacroblock(refPlanes, curPlanes, width_, x, y, 2 * s.dx, 2 * s.dy);
  else if (!intra)
    PredictMacroblock(refPlanes, curPlanes, width_, x, y, 2 * s.dx, 2 * s.dy, srcPlanes, chromaSad);
  if (s.isStatic && (lumaOnlySkip_ || (chromaSad[0] < chromaSkipSad_ && chromaSad[1] < chromaSkipSad_))) {
    writer_.Put(1, 1);  // COD: not coded
    return;
  }

  const int w = width_, cw = width_ / 2, cx = x / 2, cy = y / 2;

  // The blocks (Y0..Y3, Cb, Cr), their predictions, and which of them are
  // transformed: every intra block, and each inter block whose prediction
  // misses by enough under the skip rule (skip_rules.h).
  const uint8_t* const srcLuma = srcY_ + y * w + x;
  uint8_t* const curLuma = cur.y + y * w + x;
  uint8_t* const dst[6] = {curLuma, curLuma + 8, curLuma + 8 * w, curLuma + 8 * w + 8, cur.cb + cy * cw + cx,
                           cur.cr + cy * cw + cx};
  const int pitch[6] = {w, w, w, w, cw, cw};
  const BlockSources in = {
      {srcLuma, srcLuma + 8, srcLuma + 8 * w, srcLuma + 8 * w + 8, srcCb_ + cy * cw + cx, srcCr_ + cy * cw + cx},
      {w, w, w, w, cw, cw},
      {dst[0], dst[1], dst[2], dst[3], dst[4], dst[5]},
      {w, w, w, w, cw, cw}};
  unsigned take = intra ? 63u : 0u;
  for (int k = 0; k < 6 && !intra; ++k) {
    const bool send = k < 4 ? s.sad8[k] >= kSkipSad8
                            : (lumaOnlySkip_ ? s.sad16 >= kSkipSad16 : chromaSad[k - 4] >= chromaSkipSad_);
    if (send) take |= 1u << k;
  }

  alignas(64) MacroblockBlocks levels;
  bool coded[6];
  TransformQuantise(quant_, intra, take, in, levels, coded);
  int cbp = 0;
  for (int k = 0; k < 6; ++k)
    if (coded[k]) cbp |= kCbpBit[k];

  // Reconstruction, exactly as the decoder will do it.
  alignas(64) MacroblockBlocks samples;
  Reconstruct(quant_, intra, levels, coded, samples);
  StoreMacroblock(intra, samples, levels, coded, dst, pitch);

  // Macroblock layer.
  if (!intra && cbp == 0 && s.dx == 0 && s.dy == 0) {
    writer_.Put(1, 1);
    return;
  }
  WriteMacroblockHeader(writer_, s.type, cbp, pPicture);
  if (!intra) {
    int px, py;
    PredictVector(mvx_, mvy_, index, x / 16, y / 16, mbPerRow_, mbCount_, &px, &py);
    WriteVectorDifference(writer_, mvx_[index] - px);
    WriteVectorDifference(writer_, mvy_[index] - py);
  }
  for (int k = 0; k < 6; ++k) {
    if (intra) {
      WriteIntraDc(writer_, levels[k][0]);
      if (coded[k]) WriteBlockEvents(writer_, levels[k], 1);
    } else if (coded[k]) {
      WriteBlockEvents(writer_, levels[k], 0);
    }
  }
}

}  // namespace osprel
