// Pins the encoder's coded bytes for fixed synthetic sequences. Any change of
// the transform, quantiser, search or bit writing that alters a single output
// byte fails here; the hashes were taken from the reference coder and must
// only ever be updated for a deliberate change of the coded stream.
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
  uint64_t hash;
  size_t bytes;
};

// Moving scene with a little seeded noise (dense small residuals), one pure
// noise picture (large residuals, intra decisions) and a still stretch
// (skipped macroblocks), over two intra periods.
uint64_t EncodeSequence(int w, int h, int qp, size_t* totalBytes) {
  COsprel* e = CreateCOsprel();
  EXPECT_EQ(e->Init(w, h, qp), 1);
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
      {176, 144, 4, 0x7bfe3b3eef6ea637ull, 77454},   {176, 144, 1, 0x423f2bd981650e31ull, 194840},
      {176, 144, 7, 0xd1d0214f21c1bee4ull, 53272},   {176, 144, 31, 0x74dbb9250eb71f07ull, 16375},
      {352, 288, 4, 0x61a64c6d2de25434ull, 291070},  {160, 120, 10, 0xf73e0c4b95118a18ull, 31337},
  };
  for (const PinCase& c : cases) {
    size_t bytes = 0;
    const uint64_t hash = EncodeSequence(c.w, c.h, c.qp, &bytes);
    EXPECT_EQ(hash, c.hash) << c.w << "x" << c.h << " QP " << c.qp;
    EXPECT_EQ(bytes, c.bytes) << c.w << "x" << c.h << " QP " << c.qp;
  }
}

}  // namespace
