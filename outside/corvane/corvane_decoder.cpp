#include "corvane_decoder.h"

#include "bit_reader.h"
#include "block_ops.h"
#include "block_transform.h"
#include "motion.h"
#include "picture_format.h"
#include "vlc_reader.h"

#include <emmintrin.h>

#include <cstring>
#include <new>

namespace corvane {

using namespace osprel;

int CorvaneDecoder::Init(int /*flags*/) {
  std::memset(stores_, 0, sizeof stores_);
  ref_ = 1;
  cur_ = 0;
  lastWidth_ = lastHeight_ = 0;
  return 1;
}

void CorvaneDecoder::Release() { delete this; }

int CorvaneDecoder::Decode(const unsigned char* payload, unsigned char* output, int size) {
  if (!payload || !output || size <= 0) return 0;
  BitReader in(payload, static_cast<size_t>(size));
  if (!DecodePicture(in) || in.Overrun()) return 0;

  ref_ = (ref_ + 1) % 2;
  cur_ = (cur_ + 1) % 2;
  const FrameStore& pic = stores_[ref_];
  const size_t luma = size_t(width_) * height_, chroma = luma / 4;
  std::memcpy(output, pic.y, luma);
  std::memcpy(output + luma, pic.cb, chroma);
  std::memcpy(output + luma + chroma, pic.cr, chroma);
  lastWidth_ = width_;
  lastHeight_ = height_;
  lastBits_ = in.Position();
  return 1;
}

bool CorvaneDecoder::DecodePicture(BitReader& in) {
  if (in.Get(17) != 1) return false;  // picture start code
  if (in.Get(5) != 0) return false;   // group number 0: the picture header
  in.Skip(8);                         // temporal reference
  if (in.Get(2) != 2) return false;   // PTYPE bits 1, 0
  in.Skip(3);                         // split screen, document camera, freeze release
  const uint32_t format = in.Get(5);
  if (format < 1 || format > 20) return false;
  const bool pPicture = in.Get(1) != 0;
  if (in.Get(4) != 0) return false;  // optional modes are not part of this syntax
  const int qp = static_cast<int>(in.Get(5));
  if (qp == 0) return false;
  if (in.Get(1) != 0) return false;  // CPM
  for (int spare = 0; in.Get(1); ++spare) {  // PEI + PSPARE
    if (spare > 256 || in.Overrun()) return false;
    in.Skip(8);
  }

  width_ = kFormats[format - 1].width;
  height_ = kFormats[format - 1].height;
  storeHeight_ = StoreHeight(height_);
  mbCount_ = width_ * height_ / 256;
  mbPerRow_ = width_ / 16;
  if (quant_.qp != qp) BuildQuantTables(qp, &quant_);
  lastIntra_ = !pPicture;

  for (int i = 0; i < mbCount_; ++i) {
    const int x = (16 * i) % width_, y = 16 * ((16 * i) / width_);
    if (!DecodeMacroblock(in, i, x, y, pPicture) || in.Overrun()) return false;
  }
  return true;
}

namespace {

// Eight vector stores (a memset of 128 bytes becomes a slow string store).
inline void ClearBlock(int16_t* levels) {
  for (int i = 0; i < 64; i += 8) _mm_store_si128(reinterpret_cast<__m128i*>(levels + i), _mm_setzero_si128());
}

}  // namespace

// Reading zeros past the end stops at an invalid code, and every event moves
// at least one position, so a block ends within 64 events.
static_assert(kTcoefEvents[0].last == kEventInvalid, "nine zero bits start no code");

namespace {

// The events of one block into scan; false for a block that is not valid.
// An event takes at most 13 bits, so two fit in the 56 bits a refill leaves;
// every event moves i on by at least one, so i > 63 ends a block of too many.
inline bool ReadLevels(BitReader& in, int start, int16_t* scan) {
  for (int i = start, n = 0;; ++n) {
    const TcoefEvent e = kTcoefEvents[in.Peek(kTcoefBits)];
    int level;
    bool last;
    if (e.last < kEventEscape) [[likely]] {
      in.Consume(e.len);
      const int negative = -static_cast<int>(in.Peek(1));  // the sign follows the code
      in.Consume(1);
      if (n & 1) in.Refill();
      level = (e.level ^ negative) - negative;
      last = e.last;
      i += e.run;
    } else {
      if (e.last == kEventInvalid) return false;
      const uint32_t escape = in.Get(22);  // 0000011, LAST, RUN (6 bits), LEVEL (8 bits)
      level = static_cast<int8_t>(escape & 255);
      if (level == 0 || level == -128) return false;
      last = (escape >> 14) & 1;
      i += static_cast<int>(escape >> 8) & 63;
    }
    if (i > 63) return false;
    scan[i++] = static_cast<int16_t>(level);
    if (last) {
      in.Refill();
      return !in.Overrun();
    }
  }
}

}  // namespace

// One macroblock's syntax as read from the stream.
struct MacroblockSyntax {
  bool notCoded = false;  // COD 1: a copy of the reference
  bool intra = false;
  int mvx = 0, mvy = 0;  // half-pels
  bool coded[6] = {};
  alignas(64) MacroblockBlocks levels;  // only the coded blocks' levels and the intra DCs are set
};

// All of the macroblock's bits, read on a local copy of the reader (kept in
// registers) that goes back to the stream once the macroblock is whole.
bool CorvaneDecoder::ReadMacroblock(BitReader& stream, int index, int x, int y, bool pPicture, MacroblockSyntax& mb) {
  BitReader in = stream;
  if (pPicture && in.Get(1)) {
    mvx_[index] = mvy_[index] = 0;
    mb.notCoded = true;
    stream = in;
    return true;
  }

  int type, cbpc;
  for (int stuffing = 0;; ++stuffing) {
    const VlcEntry e = (pPicture ? kMcbpcPRead : kMcbpcIRead)[in.Peek(kMcbpcBits)];
    if (!e.len || stuffing > 1024 || in.Overrun()) return false;
    in.Skip(e.len);
    if (pPicture) {
      type = e.symbol % 8;
      cbpc = e.symbol / 8;
      if (type == 5) continue;  // stuffing
    } else {
      type = e.symbol % 4;
      cbpc = e.symbol / 4;
      if (type == 0) continue;  // stuffing
      type = type == 1 ? kMbIntra : 4;
    }
    break;
  }
  if (type != kMbInter && type != kMbIntra) return false;  // no quantiser changes, no four vectors
  mb.intra = type == kMbIntra;

  const VlcEntry cb = kCbpyRead[in.Peek(kCbpyBits)];
  if (!cb.len) return false;
  in.Skip(cb.len);
  const int cbpy = mb.intra ? cb.symbol : (cb.symbol ^ 15);
  const int cbp = (cbpy << 2) | cbpc;

  if (!mb.intra) {
    int px, py;
    PredictVector(mvx_, mvy_, index, x / 16, y / 16, mbPerRow_, mbCount_, &px, &py);
    int v[2] = {px, py};
    for (int& c : v) {
      const VlcEntry e = kMvdRead[in.Peek(kMvdBits)];
      if (!e.len) return false;
      in.Skip(e.len);
      int d = e.symbol;
      if (d && in.Get(1)) d = -d;
      c += d;
      if (c < -32) c += 64;
      if (c > 31) c -= 64;
    }
    mb.mvx = v[0];
    mb.mvy = v[1];
  }
  mvx_[index] = mb.mvx;
  mvy_[index] = mb.mvy;

  static constexpr int kCbpBit[6] = {32, 16, 8, 4, 2, 1};
  for (int k = 0; k < 6; ++k) {
    mb.coded[k] = (cbp & kCbpBit[k]) != 0;
    if (mb.coded[k]) ClearBlock(mb.levels[k]);
    if (mb.intra) {
      const int dc = static_cast<int>(in.Get(8));
      if (dc == 0 || dc == 128) return false;
      mb.levels[k][0] = static_cast<int16_t>(dc == 255 ? 128 : dc);
    }
    if (mb.coded[k] && !ReadLevels(in, mb.intra ? 1 : 0, mb.levels[k])) return false;
  }
  stream = in;
  return true;
}

bool CorvaneDecoder::DecodeMacroblock(BitReader& in, int index, int x, int y, bool pPicture) {
  MacroblockSyntax mb;
  if (!ReadMacroblock(in, index, x, y, pPicture, mb)) return false;

  FrameStore& cur = stores_[cur_];
  const FrameStore& ref = stores_[ref_];
  const int w = width_, cw = width_ / 2, cx = x / 2, cy = y / 2;
  const uint8_t* const refPlanes[3] = {ref.y, ref.cb, ref.cr};
  uint8_t* const curPlanes[3] = {cur.y, cur.cb, cur.cr};
  if (mb.notCoded) {
    PredictMacroblock(refPlanes, curPlanes, w, x, y, 0, 0);
    return true;
  }
  if (!mb.intra) {
    if (!PredictionInside(x, y, mb.mvx, mb.mvy, 16, w, storeHeight_) ||
        !PredictionInside(cx, cy, ChromaVector(mb.mvx), ChromaVector(mb.mvy), 8, cw, storeHeight_ / 2))
      return false;  // vectors must stay inside the picture
    PredictMacroblock(refPlanes, curPlanes, w, x, y, mb.mvx, mb.mvy);  // the residuals are added in place
  }

  alignas(64) MacroblockBlocks samples;
  Reconstruct(quant_, mb.intra, mb.levels, mb.coded, samples);
  uint8_t* const dst[6] = {cur.y + y * w + x,           cur.y + y * w + x + 8,   cur.y + (y + 8) * w + x,
                           cur.y + (y + 8) * w + x + 8, cur.cb + cy * cw + cx, cur.cr + cy * cw + cx};
  const int pitch[6] = {w, w, w, w, cw, cw};
  StoreMacroblock(mb.intra, samples, mb.levels, mb.coded, dst, pitch);
  return true;
}

}  // namespace corvane

extern "C" CH263Decoder* CreateCorvaneDecoder(void) { return new (std::nothrow) corvane::CorvaneDecoder(); }
