#include "bit_reader.h"
#include "corvane_decoder.h"
#include "encoder.h"
#include "synthetic_frames.h"
#include "vector_paths.h"
#include "vlc_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

using osprel_test::FrameBytes;

struct EncoderDeleter {
  void operator()(osprel::Encoder* e) const { e->Release(); }
};
struct DecoderDeleter {
  void operator()(CH263Decoder* d) const { d->Release(); }
};
using EncoderPtr = std::unique_ptr<osprel::Encoder, EncoderDeleter>;
using DecoderPtr = std::unique_ptr<CH263Decoder, DecoderDeleter>;

EncoderPtr NewEncoder() { return EncoderPtr(new osprel::Encoder()); }
DecoderPtr NewDecoder() {
  DecoderPtr d(CreateCorvaneDecoder());
  EXPECT_EQ(d->Init(0), 1);
  return d;
}

// The picture an encoder reconstructed, as one planar 4:2:0 frame.
std::vector<uint8_t> Reconstruction(const osprel::Encoder& e) {
  const int w = e.Width(), h = e.Height();
  std::vector<uint8_t> out(FrameBytes(w, h));
  const osprel::FrameStore& s = e.LastPicture();
  std::memcpy(out.data(), s.y, size_t(w) * h);
  std::memcpy(out.data() + w * h, s.cb, size_t(w) * h / 4);
  std::memcpy(out.data() + w * h + w * h / 4, s.cr, size_t(w) * h / 4);
  return out;
}

struct Picture {
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> reconstruction;
  bool intra;
};

std::vector<Picture> EncodeScene(int w, int h, int qp, int frames, int gop, bool noise = false) {
  auto enc = NewEncoder();
  EXPECT_EQ(enc->Init(w, h, qp), 1);
  enc->SetGOP(gop);
  std::vector<uint8_t> frame(FrameBytes(w, h));
  std::vector<Picture> out;
  for (int t = 0; t < frames; ++t) {
    if (noise)
      osprel_test::NoiseFrame(w, h, 100 + t, frame.data());
    else
      osprel_test::MovingScene(w, h, t, frame.data());
    unsigned char* data = nullptr;
    int bytes = 0, intra = -1;
    enc->EncodeToInternal(frame.data(), &data, &bytes, &intra, 0);
    out.push_back({std::vector<uint8_t>(data, data + bytes), Reconstruction(*enc), intra == 1});
  }
  return out;
}

void ExpectRoundTrip(int w, int h, int qp, int frames, int gop, bool noise = false) {
  SCOPED_TRACE(testing::Message() << w << "x" << h << " QP " << qp);
  const auto pictures = EncodeScene(w, h, qp, frames, gop, noise);
  auto dec = NewDecoder();
  std::vector<uint8_t> out(kH263MaxPictureBytes);
  int inter = 0;
  for (size_t i = 0; i < pictures.size(); ++i) {
    const auto& p = pictures[i];
    ASSERT_EQ(dec->Decode(p.bytes.data(), out.data(), int(p.bytes.size())), 1) << "picture " << i;
    ASSERT_EQ(std::memcmp(out.data(), p.reconstruction.data(), p.reconstruction.size()), 0)
        << "picture " << i << " differs from the encoder's reconstruction";
    // Whole bytes, padded with fewer than eight zero bits after the last macroblock.
    const size_t used = static_cast<corvane::CorvaneDecoder*>(dec.get())->LastBitCount();
    const size_t total = p.bytes.size() * 8;
    ASSERT_LE(used, total);
    ASSERT_LT(total - used, 8u);
    EXPECT_EQ(p.bytes.back() & ((1u << (total - used)) - 1), 0u) << "padding of picture " << i;
    inter += !p.intra;
  }
  EXPECT_GT(inter, 0);
}

TEST(CorvaneRoundTrip, DecodesTheEncodersPicturesBitForBit) {
  ExpectRoundTrip(176, 144, 4, 12, 10);
  ExpectRoundTrip(352, 288, 1, 4, 30);
  ExpectRoundTrip(352, 288, 30, 6, 30);
  ExpectRoundTrip(720, 576, 8, 3, 30);
  ExpectRoundTrip(640, 240, 13, 4, 2);
}

// The decoder's plain paths (exact transforms only) on streams the vector
// paths coded, and the other way round: the same pictures.
TEST(CorvaneRoundTrip, VectorAndPlainPathsDecodeAlike) {
  for (const bool encodeVector : {true, false}) {
    osprel::SetVectorPaths(encodeVector);
    const auto pictures = EncodeScene(352, 288, 3, 7, 5);
    const auto noise = EncodeScene(176, 144, 1, 3, 30, true);
    osprel::SetVectorPaths(!encodeVector);
    for (const auto* scene : {&pictures, &noise}) {
      auto dec = NewDecoder();
      std::vector<uint8_t> out(kH263MaxPictureBytes);
      for (size_t i = 0; i < scene->size(); ++i) {
        const auto& p = (*scene)[i];
        ASSERT_EQ(dec->Decode(p.bytes.data(), out.data(), int(p.bytes.size())), 1) << "picture " << i;
        ASSERT_EQ(std::memcmp(out.data(), p.reconstruction.data(), p.reconstruction.size()), 0)
            << "picture " << i << (encodeVector ? ", coded on the vector paths" : ", coded on the plain paths");
      }
    }
  }
  osprel::SetVectorPaths(true);
}

TEST(CorvaneRoundTrip, HalfMacroblockRowSizesAndNoise) {
  ExpectRoundTrip(160, 120, 3, 6, 30);
  ExpectRoundTrip(176, 120, 6, 6, 30);
  ExpectRoundTrip(176, 144, 1, 3, 30, true);
}

TEST(CorvaneRoundTrip, SizeChangesMidStreamStayInStep) {
  // The stores keep their contents across a size change on both sides.
  auto enc = NewEncoder();
  auto dec = NewDecoder();
  std::vector<uint8_t> frame(FrameBytes(352, 288)), out(kH263MaxPictureBytes);
  const int sizes[][2] = {{352, 288}, {352, 288}, {176, 144}, {176, 144}, {320, 240}};
  for (int t = 0; t < 5; ++t) {
    ASSERT_EQ(enc->Init(sizes[t][0], sizes[t][1], 5), 1);
    osprel_test::MovingScene(sizes[t][0], sizes[t][1], t, frame.data());
    unsigned char* data;
    int bytes, intra;
    enc->EncodeToInternal(frame.data(), &data, &bytes, &intra, 0);
    ASSERT_EQ(intra, t == 0);
    ASSERT_EQ(dec->Decode(data, out.data(), bytes), 1);
    const auto rec = Reconstruction(*enc);
    ASSERT_EQ(std::memcmp(out.data(), rec.data(), rec.size()), 0) << "frame " << t;
  }
}

// ---- hostile input ----

class BadInput : public testing::Test {
 protected:
  void SetUp() override {
    pictures_ = EncodeScene(176, 144, 3, 3, 30);
    dec_ = NewDecoder();
    out_.assign(kH263MaxPictureBytes, 0xA5);
  }
  // Decodes and checks that a failure leaves the output as it was.
  int DecodeChecked(const std::vector<uint8_t>& bytes, int size) {
    const int ok = dec_->Decode(bytes.data(), out_.data(), size);
    if (ok) {
      snapshot_ = out_;
    } else {
      EXPECT_TRUE(std::memcmp(out_.data(), snapshot_.data(), out_.size()) == 0)
          << "a failed decode wrote to the output";
    }
    return ok;
  }
  std::vector<uint8_t> snapshot_ = std::vector<uint8_t>(kH263MaxPictureBytes, 0xA5);
  std::vector<Picture> pictures_;
  DecoderPtr dec_;
  std::vector<uint8_t> out_;
};

TEST_F(BadInput, TruncatedPicturesFailAndLeaveOutputAndReferenceAlone) {
  ASSERT_EQ(DecodeChecked(pictures_[0].bytes, int(pictures_[0].bytes.size())), 1);
  const auto& p = pictures_[1];
  // Every cut shorter than the picture (the last byte may be padding only).
  for (size_t cut = 1; cut + 1 < p.bytes.size(); ++cut) {
    std::vector<uint8_t> part(p.bytes.begin(), p.bytes.begin() + cut);
    ASSERT_EQ(DecodeChecked(part, int(cut)), 0) << "cut at " << cut;
  }
  // The reference survived: the full P picture still decodes exactly.
  ASSERT_EQ(DecodeChecked(p.bytes, int(p.bytes.size())), 1);
  EXPECT_EQ(std::memcmp(out_.data(), p.reconstruction.data(), p.reconstruction.size()), 0);
}

TEST_F(BadInput, CorruptedAndRandomPayloadsNeverCrash) {
  std::mt19937 rng(5);
  int failures = 0;
  for (int n = 0; n < 300; ++n) {
    std::vector<uint8_t> b = pictures_[n % 3].bytes;
    for (int flips = 1 + n % 4; flips > 0; --flips) b[rng() % b.size()] ^= uint8_t(1u << (rng() % 8));
    failures += !DecodeChecked(b, int(b.size()));
  }
  for (int n = 0; n < 200; ++n) {
    std::vector<uint8_t> b(1 + rng() % 3000);
    for (auto& v : b) v = uint8_t(rng());
    if (n % 2) {  // a valid header in front of garbage gets deeper into the decoder
      b.resize(std::max<size_t>(b.size(), 8));
      std::copy(pictures_[0].bytes.begin(), pictures_[0].bytes.begin() + 7, b.begin());
    }
    failures += !DecodeChecked(b, int(b.size()));
  }
  EXPECT_GT(failures, 300);
}

TEST_F(BadInput, RefusesWrongSizesAndForeignSyntax) {
  const auto& i0 = pictures_[0].bytes;
  EXPECT_EQ(DecodeChecked(i0, 0), 0);
  EXPECT_EQ(DecodeChecked(i0, -5), 0);
  EXPECT_EQ(dec_->Decode(nullptr, out_.data(), 10), 0);
  EXPECT_EQ(dec_->Decode(i0.data(), nullptr, int(i0.size())), 0);
  auto withBits = [&](int bit, int n, uint32_t value) {
    std::vector<uint8_t> b = i0;
    for (int i = 0; i < n; ++i) {
      const int pos = bit + i, v = (value >> (n - 1 - i)) & 1;
      b[pos / 8] = uint8_t((b[pos / 8] & ~(0x80 >> (pos % 8))) | (v << (7 - pos % 8)));
    }
    return b;
  };
  EXPECT_EQ(DecodeChecked(withBits(35, 5, 0), int(i0.size())), 0);   // format code 0
  EXPECT_EQ(DecodeChecked(withBits(35, 5, 21), int(i0.size())), 0);  // format code 21
  EXPECT_EQ(DecodeChecked(withBits(41, 1, 1), int(i0.size())), 0);   // unrestricted vectors
  EXPECT_EQ(DecodeChecked(withBits(16, 1, 0), int(i0.size())), 0);   // no start code
  EXPECT_EQ(DecodeChecked(withBits(45, 5, 0), int(i0.size())), 0);   // PQUANT 0
  EXPECT_EQ(DecodeChecked(i0, int(i0.size())), 1);
}

TEST(CorvaneVlc, EveryCodeReadsBackAsItsOwnSymbol) {
  using namespace corvane;
  auto check = [](const auto& lookup, int bits, const osprel::Vlc* codes, int n) {
    for (int s = 0; s < n; ++s) {
      if (!codes[s].len) continue;
      const VlcEntry e = lookup[uint32_t(codes[s].code) << (bits - codes[s].len)];
      EXPECT_EQ(e.symbol, s);
      EXPECT_EQ(e.len, codes[s].len);
    }
  };
  check(kMcbpcIRead, kMcbpcBits, osprel::kMcbpcI, 16);
  check(kMcbpcPRead, kMcbpcBits, osprel::kMcbpcP, 32);
  check(kCbpyRead, kCbpyBits, osprel::kCbpy, 16);
  check(kMvdRead, kMvdBits, osprel::kMvd, 33);
  int codes = 0;
  for (int last = 0; last < 2; ++last)
    for (int run = 0; run < 64; ++run)
      for (int level = 1; level <= osprel::kMaxCodedLevel; ++level) {
        const osprel::Vlc v = osprel::kTcoef.v[last][run][level];
        if (!v.len) continue;
        ++codes;
        const TcoefEvent e = kTcoefEvents[uint32_t(v.code) << (kTcoefBits - v.len)];
        EXPECT_EQ(e.last, last);
        EXPECT_EQ(e.run, run);
        EXPECT_EQ(e.level, level);
        EXPECT_EQ(e.len, v.len);
      }
  EXPECT_EQ(codes, 102);
  EXPECT_EQ(kTcoefEvents[3u << 5].last, kEventEscape);  // 0000011
  EXPECT_EQ(kTcoefEvents[3u << 5].len, 7);
  int invalid = 0;
  for (const TcoefEvent& e : kTcoefEvents) invalid += e.last == kEventInvalid;
  EXPECT_EQ(invalid, 8);  // 0000 0000 0xxx: nine zeros start no code, every other prefix one
}

}  // namespace

namespace {

// Reads of 1..32 bits in random order from payloads of every length up to 40
// bytes, against the bits taken one by one: past the end they read as zeros,
// and Overrun says so exactly when more bits were taken than the payload holds.
TEST(CorvaneBitReader, ReadsEveryBitInOrderAndZerosPastTheEnd) {
  std::mt19937 rng(3);
  for (size_t size = 0; size <= 40; ++size) {
    for (int trial = 0; trial < 20; ++trial) {
      std::vector<uint8_t> data(size);
      for (auto& b : data) b = uint8_t(rng());
      auto bit = [&](size_t at) { return at / 8 < size ? (data[at / 8] >> (7 - at % 8)) & 1u : 0u; };
      corvane::BitReader in(data.data(), data.size());
      size_t at = 0;
      while (at < size * 8 + 64) {
        const int n = 1 + int(rng() % 32);
        uint32_t expected = 0;
        for (int i = 0; i < n; ++i) expected = (expected << 1) | bit(at + size_t(i));
        ASSERT_EQ(in.Peek(n), expected) << "size " << size << " at " << at << " n " << n;
        ASSERT_EQ(rng() & 1 ? in.Get(n) : (in.Skip(n), expected), expected);
        at += size_t(n);
        ASSERT_EQ(in.Position(), at);
        ASSERT_EQ(in.Overrun(), at > size * 8);
      }
    }
  }
}

}  // namespace
