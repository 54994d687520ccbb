// Pins the encoder's coded bytes for fixed synthetic sequences under both skip
// rules, through the shared library. Any change of the transform, quantiser,
// search or bit writing that alters a single output byte fails here; the
// luma-only hashes were taken from the reference coder and never change, the
// others only with a deliberate change of the default coding decisions.
#include "osprel.h"
#include "synthetic_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using osprel_test::FrameBytes;

struct PinCase {
  int w, h, qp;
  uint64_t lumaOnlyHash;
  size_t lumaOnlyBytes;
  uint64_t hash;  // the default rule
  size_t bytes;
};

// Moving scene with a little seeded noise (dense small residuals), one pure
// noise picture (large residuals, intra decisions) and a still stretch
// (skipped macroblocks), over two intra periods.
uint64_t EncodeSequence(int w, int h, int qp, int skipRule, size_t* totalBytes) {
  COsprel* e = CreateCOsprel();
  EXPECT_EQ(e->Init(w, h, qp), 1);
  if (skipRule != OSPREL_SKIP_OWN_RESIDUAL) {
    EXPECT_EQ(OsprelSetSkipRule(e, skipRule), 1);
  }
  e->SetGOP(6);
  std::vector<uint8_t> frame(FrameBytes(w, h)), out(OSPREL_MAX_PICTURE_BYTES(w, h));
  std::mt19937 rng(1234u + unsigned(qp));
  uint64_t hash = 1469598103934665603ull;
  *totalBytes = 0;
  for (int t = 0; t < 10; ++t) {
    if (t == 4) {
      osprel_test::NoiseFrame(w, h, 99u, frame.data());
    } else {
      osprel_test::MovingScene(w, h, t < 7 ? t : 7, frame.data());
      for (auto& v : frame) v = uint8_t(std::clamp(int(v) + int(rng() % 7) - 3, 0, 255));
    }
    int bytes = 0, intra = 0;
    e->Encode(frame.data(), out.data(), &bytes, &intra, 0);
    *totalBytes += size_t(bytes);
    for (int i = 0; i < bytes; ++i) hash = (hash ^ out[size_t(i)]) * 1099511628211ull;
  }
  e->Release();
  return hash;
}

TEST(OsprelOutputPin, CodedBytesAreUnchanged) {
  const PinCase cases[] = {
      {176, 144, 4, 0x7bfe3b3eef6ea637ull, 77454, 0x618ad8dab5369eedull, 77734},
      {176, 144, 1, 0x423f2bd981650e31ull, 194840, 0x0e8acdcb16eef2e9ull, 204560},
      {176, 144, 7, 0xd1d0214f21c1bee4ull, 53272, 0x1dfb8cf244905671ull, 53282},
      {176, 144, 31, 0x74dbb9250eb71f07ull, 16375, 0x74dbb9250eb71f07ull, 16375},
      {352, 288, 4, 0x61a64c6d2de25434ull, 291070, 0x6b14fbfb61566081ull, 292604},
      {160, 120, 10, 0xf73e0c4b95118a18ull, 31337, 0xf73e0c4b95118a18ull, 31337},
  };
  for (const PinCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " QP " << c.qp);
    size_t bytes = 0;
    EXPECT_EQ(EncodeSequence(c.w, c.h, c.qp, OSPREL_SKIP_LUMA_ONLY, &bytes), c.lumaOnlyHash);
    EXPECT_EQ(bytes, c.lumaOnlyBytes);
    const uint64_t hash = EncodeSequence(c.w, c.h, c.qp, OSPREL_SKIP_OWN_RESIDUAL, &bytes);
    EXPECT_EQ(hash, c.hash) << std::hex << "0x" << hash << "ull, " << std::dec << bytes;
    EXPECT_EQ(bytes, c.bytes);
  }
}

}  // namespace
