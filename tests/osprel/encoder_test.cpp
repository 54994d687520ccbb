// The library through its exported interface only, as a client program sees it.
#include "bit_strings.h"
#include "nuvix_trace.h"
#include "osprel.h"
#include "synthetic_frames.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using osprel_test::Bits;
using osprel_test::FrameBytes;

struct Releaser {
  void operator()(COsprel* e) const { e->Release(); }
};
using Osprel = std::unique_ptr<COsprel, Releaser>;

Osprel Create() {
  Osprel e(CreateCOsprel());
  EXPECT_NE(e, nullptr);
  return e;
}

struct Coded {
  std::vector<uint8_t> bytes;
  int intra;
};

Coded EncodeOne(COsprel& e, const std::vector<uint8_t>& frame, int force = 0) {
  std::vector<uint8_t> out(OSPREL_MAX_CODED_BYTES);
  int bytes = -1, intra = -1;
  e.Encode(frame.data(), out.data(), &bytes, &intra, force);
  out.resize(size_t(std::max(bytes, 0)));
  return {out, intra};
}

std::vector<std::string>* g_lines = nullptr;
void Capture(const char* text) { g_lines->push_back(text); }

class TraceCapture {
 public:
  TraceCapture() {
    g_lines = &lines;
    NuvixSetTraceSink(Capture);
  }
  ~TraceCapture() { NuvixSetTraceSink(nullptr); }
  std::vector<std::string> lines;
};

TEST(OsprelInterface, SupportedSizes) {
  auto e = Create();
  EXPECT_TRUE(e->IsSupportedSize(352, 288));
  EXPECT_FALSE(e->IsSupportedSize(352, 576));
  EXPECT_FALSE(e->IsSupportedSize(176, 240));
  EXPECT_FALSE(e->IsSupportedSize(0, 0));
  const int sizes[][2] = {{160, 120}, {160, 144}, {176, 120}, {176, 144}, {320, 240},
                          {320, 288}, {352, 240}, {352, 288}, {640, 240}, {640, 288},
                          {704, 240}, {704, 288}, {720, 240}, {720, 288}, {640, 480},
                          {640, 576}, {704, 480}, {704, 576}, {720, 480}, {720, 576}};
  std::vector<uint8_t> frame(FrameBytes(720, 576), 128);
  for (int i = 0; i < 20; ++i) {
    EXPECT_TRUE(e->IsSupportedSize(sizes[i][0], sizes[i][1]));
    ASSERT_EQ(e->Init(sizes[i][0], sizes[i][1], 5), 1);
    const Coded c = EncodeOne(*e, frame, 1);
    ASSERT_GE(c.bytes.size(), 7u);
    EXPECT_EQ(Bits(c.bytes.data() + 4, 8).substr(3, 5), Bits(std::vector<uint8_t>{uint8_t((i + 1) << 3)}.data(), 5))
        << "format code of " << sizes[i][0] << "x" << sizes[i][1];
  }
}

int HeaderQuant(const Coded& c) { return std::stoi(Bits(c.bytes.data(), 52).substr(45, 5), nullptr, 2); }
int HeaderTr(const Coded& c) { return std::stoi(Bits(c.bytes.data(), 52).substr(22, 8), nullptr, 2); }

// A client's own implementation of the interface, which the setting must refuse.
class ClientCoder final : public COsprel {
 public:
  int IsSupportedSize(int, int) override { return 0; }
  int Init(int, int, int) override { return 0; }
  void SetGOP(int) override {}
  void EncodeToInternal(const unsigned char*, unsigned char**, int*, int*, int) override {}
  void Encode(const unsigned char*, unsigned char*, int*, int*, int) override {}
  void Release() override {}
};

TEST(OsprelInterface, SkipRuleSetting) {
  auto e = Create();
  EXPECT_EQ(OsprelSetSkipRule(e.get(), OSPREL_SKIP_LUMA_ONLY), 1);
  EXPECT_EQ(OsprelSetSkipRule(e.get(), OSPREL_SKIP_OWN_RESIDUAL), 1);
  EXPECT_EQ(OsprelSetSkipRule(e.get(), 2), 0);
  EXPECT_EQ(OsprelSetSkipRule(e.get(), -1), 0);
  EXPECT_EQ(OsprelSetSkipRule(nullptr, OSPREL_SKIP_LUMA_ONLY), 0);
  ClientCoder client;
  EXPECT_EQ(OsprelSetSkipRule(&client, OSPREL_SKIP_LUMA_ONLY), 0);

  // Either rule from any picture on; a refused call changes nothing.
  std::vector<uint8_t> frame(FrameBytes(176, 144));
  auto stream = [&](int firstRule, int laterRule, int refusedRule) {
    auto c = Create();
    EXPECT_EQ(c->Init(176, 144, 3), 1);
    EXPECT_EQ(OsprelSetSkipRule(c.get(), firstRule), 1);
    std::vector<uint8_t> all;
    for (int t = 0; t < 6; ++t) {
      if (t == 3) {
        EXPECT_EQ(OsprelSetSkipRule(c.get(), laterRule), 1);
      }
      EXPECT_EQ(OsprelSetSkipRule(c.get(), refusedRule), 0);
      osprel_test::MovingScene(176, 144, 0, frame.data());
      for (size_t i = 176 * 144; i < frame.size(); ++i) frame[i] = uint8_t(frame[i] + 2 * t);  // colour drift
      const Coded p = EncodeOne(*c, frame);
      all.insert(all.end(), p.bytes.begin(), p.bytes.end());
    }
    return all;
  };
  const auto own = stream(OSPREL_SKIP_OWN_RESIDUAL, OSPREL_SKIP_OWN_RESIDUAL, 7);
  const auto lumaOnly = stream(OSPREL_SKIP_LUMA_ONLY, OSPREL_SKIP_LUMA_ONLY, 7);
  const auto switched = stream(OSPREL_SKIP_LUMA_ONLY, OSPREL_SKIP_OWN_RESIDUAL, -5);
  EXPECT_NE(own, lumaOnly);
  EXPECT_NE(switched, own);
  EXPECT_NE(switched, lumaOnly);
}

TEST(OsprelInterface, InitClampsTheQuantiser) {
  auto e = Create();
  std::vector<uint8_t> frame(FrameBytes(176, 144), 90);
  ASSERT_EQ(e->Init(176, 144, 0), 1);
  EXPECT_EQ(HeaderQuant(EncodeOne(*e, frame)), 1);
  ASSERT_EQ(e->Init(176, 144, -7), 1);
  EXPECT_EQ(HeaderQuant(EncodeOne(*e, frame)), 1);
  ASSERT_EQ(e->Init(176, 144, 31), 1);
  EXPECT_EQ(HeaderQuant(EncodeOne(*e, frame)), 30);
  ASSERT_EQ(e->Init(176, 144, 17), 1);
  EXPECT_EQ(HeaderQuant(EncodeOne(*e, frame)), 17);
}

TEST(OsprelInterface, NothingIsEncodedWithoutASuccessfulInit) {
  auto e = Create();
  std::vector<uint8_t> frame(FrameBytes(720, 576), 50), out(64, 0xCC);
  int bytes = -1, intra = -1;
  e->Encode(frame.data(), out.data(), &bytes, &intra, 0);  // before any Init
  EXPECT_EQ(bytes, 0);
  EXPECT_EQ(intra, 0);
  EXPECT_EQ(out[0], 0xCC);
  ASSERT_EQ(e->Init(176, 144, 4), 1);
  EXPECT_EQ(e->Init(1000, 1000, 4), 0);  // an unknown size disables the object
  e->Encode(frame.data(), out.data(), &bytes, &intra, 0);
  EXPECT_EQ(bytes, 0);
  EXPECT_EQ(out[0], 0xCC);
  unsigned char* internal = nullptr;
  e->EncodeToInternal(frame.data(), &internal, &bytes, &intra, 0);
  EXPECT_EQ(bytes, 0);
  ASSERT_EQ(e->Init(176, 144, 4), 1);
  e->Encode(frame.data(), nullptr, &bytes, &intra, 0);
  EXPECT_EQ(bytes, 0);
  EXPECT_GT(EncodeOne(*e, frame).bytes.size(), 0u);
}

std::vector<int> IntraPattern(COsprel& e, int frames, int forceAt, const std::vector<uint8_t>& frame) {
  std::vector<int> intraFrames;
  for (int t = 0; t < frames; ++t)
    if (EncodeOne(e, frame, t == forceAt).intra) intraFrames.push_back(t);
  return intraFrames;
}

TEST(OsprelInterface, IntraPeriodAndForcedIntra) {
  std::vector<uint8_t> frame(FrameBytes(176, 144), 128);
  auto e = Create();
  ASSERT_EQ(e->Init(176, 144, 8), 1);
  EXPECT_EQ(IntraPattern(*e, 70, -1, frame), (std::vector<int>{0, 30, 60}));
  auto f = Create();
  ASSERT_EQ(f->Init(176, 144, 8), 1);
  EXPECT_EQ(IntraPattern(*f, 70, 5, frame), (std::vector<int>{0, 5, 35, 65}));
  auto g = Create();
  ASSERT_EQ(g->Init(176, 144, 8), 1);
  g->SetGOP(1);
  EXPECT_EQ(IntraPattern(*g, 4, -1, frame), (std::vector<int>{0, 1, 2, 3}));
  g->SetGOP(3);  // restarts the period: the next frame is intra
  EXPECT_EQ(IntraPattern(*g, 7, -1, frame), (std::vector<int>{0, 3, 6}));
}

TEST(OsprelInterface, NonPositivePeriodIsRefusedWithATraceLine) {
  std::vector<uint8_t> frame(FrameBytes(176, 144), 128);
  auto e = Create();
  ASSERT_EQ(e->Init(176, 144, 8), 1);
  e->SetGOP(4);
  EXPECT_EQ(IntraPattern(*e, 2, -1, frame), (std::vector<int>{0}));
  TraceCapture trace;
  e->SetGOP(0);
  e->SetGOP(-3);
  ASSERT_EQ(trace.lines.size(), 2u) << "the library's trace must reach the program's sink";
  EXPECT_EQ(trace.lines[0], "GOP must be more than 1\n");
  // Period and position unchanged: frames 2, 3 are P, frame 4 is intra.
  EXPECT_EQ(IntraPattern(*e, 5, -1, frame), (std::vector<int>{2}));
}

TEST(OsprelInterface, TemporalReferenceWrapsAndSurvivesInit) {
  std::vector<uint8_t> frame(FrameBytes(176, 144), 60);
  auto e = Create();
  ASSERT_EQ(e->Init(176, 144, 8), 1);
  for (int t = 0; t < 258; ++t) {
    if (t == 100) {
      ASSERT_EQ(e->Init(176, 144, 9), 1);
    }
    ASSERT_EQ(HeaderTr(EncodeOne(*e, frame)), t % 256) << "frame " << t;
  }
}

TEST(OsprelInterface, AllStaticPPictureIs151Bits) {
  std::vector<uint8_t> frame(FrameBytes(176, 144), 128);
  auto e = Create();
  ASSERT_EQ(e->Init(176, 144, 10), 1);
  const Coded i = EncodeOne(*e, frame);
  ASSERT_EQ(i.intra, 1);
  const Coded p = EncodeOne(*e, frame);
  ASSERT_EQ(p.intra, 0);
  ASSERT_EQ(p.bytes.size(), 19u);
  const std::string expected = osprel_test::Squeeze(
      "0000 0000 0000 0000 1 00000 00000001 1 0 0 0 0 00100 1 0 0 0 0 01010 0 0");
  EXPECT_EQ(Bits(p.bytes.data(), 152), expected + std::string(99, '1') + "0");
  // The intra picture of a flat 128 frame: every block writes DC 128 as 11111111.
  const std::string ibits = Bits(i.bytes.data(), 52 + 5 + 48);
  EXPECT_EQ(ibits.substr(52), "1" "0011" + std::string(48, '1'));
}

// The coded size is not bounded by the 720 x 576 x 3 / 2 frame size: noise at
// QP 1 escapes almost every coefficient. The output buffers are exactly the
// published bound, so AddressSanitizer sees any write past it.
TEST(OsprelInterface, NoiseAtQp1StaysWithinThePublishedBound) {
  const int w = 720, h = 576;
  static_assert(OSPREL_MAX_CODED_BYTES == 1718624);
  auto e = Create();
  ASSERT_EQ(e->Init(w, h, 1), 1);
  std::unique_ptr<uint8_t[]> frame(new uint8_t[FrameBytes(w, h)]);
  std::unique_ptr<uint8_t[]> out(new uint8_t[OSPREL_MAX_PICTURE_BYTES(w, h)]);
  int largest = 0;
  for (int t = 0; t < 3; ++t) {
    osprel_test::NoiseFrame(w, h, 7 + t, frame.get());
    int bytes = 0, intra = 0;
    if (t < 2) {
      e->Encode(frame.get(), out.get(), &bytes, &intra, 0);
    } else {
      unsigned char* internal = nullptr;
      e->EncodeToInternal(frame.get(), &internal, &bytes, &intra, 0);
      EXPECT_NE(internal, nullptr);
    }
    EXPECT_LE(bytes, OSPREL_MAX_CODED_BYTES);
    largest = std::max(largest, bytes);
  }
  std::printf("largest coded noise picture at QP 1: %d bytes (bound %d)\n", largest, OSPREL_MAX_CODED_BYTES);
  EXPECT_GT(largest, 720 * 576 * 3 / 2);
}

// The 120-line sizes code a half macroblock row below the picture; input and
// output buffers of exactly the picture's size must suffice.
TEST(OsprelInterface, HalfRowSizesStayInsideTheirPlanes) {
  for (const auto& [w, h] : {std::pair{160, 120}, std::pair{176, 120}}) {
    auto e = Create();
    ASSERT_EQ(e->Init(w, h, 2), 1);
    e->SetGOP(3);
    for (int t = 0; t < 5; ++t) {
      std::unique_ptr<uint8_t[]> frame(new uint8_t[FrameBytes(w, h)]);
      osprel_test::MovingScene(w, h, t, frame.get());
      std::unique_ptr<uint8_t[]> out(new uint8_t[OSPREL_MAX_PICTURE_BYTES(w, h)]);
      int bytes = 0, intra = 0;
      e->Encode(frame.get(), out.get(), &bytes, &intra, 0);
      EXPECT_GT(bytes, 7);
      EXPECT_LE(bytes, OSPREL_MAX_PICTURE_BYTES(w, h));
    }
  }
}

}  // namespace
