// Pins the coded bytes of every benchmark content at both benchmark sizes,
// several quantisers, a still and a moving scene, under both skip rules, on
// the vector paths and on the plain ones: a faster path must give the same
// bits as the plain one, so any change of the transform, quantiser, search,
// decisions or bit writing that alters one output byte fails here. The
// luma-only hashes were taken from the coder before the own-residual rule
// and any later optimisation, and must never change: that rule's output is
// the coder's fixed reference. The others change only with a deliberate
// change of the default coding decisions.
#include "content.h"
#include "osprel.h"
#include "vector_paths.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using osprel_bench::Frame;

constexpr int kFrames = 7, kGop = 5;  // I P P P P I P

enum class Scene { kStill, kMoving };

// The still scene: the content's first picture with camera noise on the luma
// and a slow colour drift, the case where a quiet luma hides chroma changes.
Frame StillFrame(const Frame& first, int w, int h, int t) {
  Frame f = first;
  std::mt19937 rng(77u + unsigned(t));
  std::uniform_int_distribution<int> noise(-2, 2);
  const size_t luma = size_t(w) * h;
  for (size_t i = 0; i < luma; ++i) f[i] = osprel_bench::Clip(f[i] + noise(rng));
  for (size_t i = luma; i < f.size(); ++i) f[i] = osprel_bench::Clip(f[i] + (i < luma * 5 / 4 ? t : -t));
  return f;
}

std::vector<Frame> SceneFrames(const std::string& content, int w, int h, Scene scene) {
  std::vector<Frame> frames = osprel_bench::Frames(content, w, h, kFrames);
  if (scene == Scene::kStill)
    for (int t = 0; t < kFrames; ++t) frames[t] = StillFrame(frames[0], w, h, t);
  return frames;
}

struct Coded {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a over every coded byte
  size_t bytes = 0;
};

Coded Encode(const std::vector<Frame>& frames, int w, int h, int qp, int skipRule) {
  COsprel* e = CreateCOsprel();
  EXPECT_EQ(e->Init(w, h, qp), 1);
  EXPECT_EQ(OsprelSetSkipRule(e, skipRule), 1);
  e->SetGOP(kGop);
  std::vector<uint8_t> out(OSPREL_MAX_PICTURE_BYTES(w, h));
  Coded c;
  for (const Frame& f : frames) {
    int bytes = 0, intra = 0;
    e->Encode(f.data(), out.data(), &bytes, &intra, 0);
    c.bytes += size_t(bytes);
    for (int i = 0; i < bytes; ++i) c.hash = (c.hash ^ out[size_t(i)]) * 1099511628211ull;
  }
  e->Release();
  return c;
}

struct Pin {
  Scene scene;
  int qp;
  Coded lumaOnly, ownResidual;  // under OSPREL_SKIP_LUMA_ONLY, OSPREL_SKIP_OWN_RESIDUAL
};

struct ContentPins {
  const char* content;
  int w, h;
  Pin pins[8];
};

constexpr Scene S = Scene::kStill, M = Scene::kMoving;

// clang-format off
const ContentPins kPins[] = {
    {"pattern", 352, 288, {
        {S, 1, {0x15255bcd3330d8a4ull, 66988}, {0xadd1918fac231f93ull, 80651}},
        {S, 4, {0xc125d75a28920c51ull, 16388}, {0xbd1132173d7d87e2ull, 19410}},
        {S, 10, {0x98688c05520587deull, 11618}, {0x312f6c99b50f3787ull, 12613}},
        {S, 30, {0xdbe98fa4902ea6b5ull, 7596}, {0xdbe98fa4902ea6b5ull, 7596}},
        {M, 1, {0x8f52063b0546cdc2ull, 51420}, {0xd389446d0829f70full, 60285}},
        {M, 4, {0xb309bf161ff2acecull, 26113}, {0xbfa68d38993d05bbull, 28941}},
        {M, 10, {0xf9c3ee0ef677e3d3ull, 16750}, {0xc096e89095a2a077ull, 17235}},
        {M, 30, {0xe1e4d762a7287996ull, 9468}, {0x7847cf02680a399cull, 9476}}}},
    {"fractal", 352, 288, {
        {S, 1, {0x1188114aa459de7aull, 241246}, {0x656fd95fe831dfd1ull, 263541}},
        {S, 4, {0xceddae19a574c753ull, 78026}, {0xbb245d97798c1c0aull, 81962}},
        {S, 10, {0xb7ccd14169de775cull, 29161}, {0xb7ccd14169de775cull, 29161}},
        {S, 30, {0x7315db91c6108178ull, 10083}, {0x7315db91c6108178ull, 10083}},
        {M, 1, {0x46233adbf017dfccull, 437679}, {0x8606aad96a0ac8d4ull, 443113}},
        {M, 4, {0xa2f52e9f074f9a73ull, 108689}, {0xcd85c39967467a5eull, 108702}},
        {M, 10, {0x2091713af7ccffaeull, 33856}, {0x2091713af7ccffaeull, 33856}},
        {M, 30, {0x8f6640db6710dd64ull, 11291}, {0x8f6640db6710dd64ull, 11291}}}},
    {"pan", 352, 288, {
        {S, 1, {0x28612607bc37eca7ull, 134149}, {0x4ad7b2aacf2c72c7ull, 149260}},
        {S, 4, {0x459203add439f55cull, 37382}, {0x74498353e120ad9cull, 40807}},
        {S, 10, {0x6fd5541b766e95e3ull, 20080}, {0xb0eaa4e008cca5dbull, 20680}},
        {S, 30, {0xd2c2995277fe3f48ull, 9608}, {0xd2c2995277fe3f48ull, 9608}},
        {M, 1, {0x13853532b209e53aull, 159769}, {0x27b098bd75e59c67ull, 177269}},
        {M, 4, {0x8bcb9a3608eb6401ull, 43676}, {0x33e405cd8959030eull, 45654}},
        {M, 10, {0xdf36e59f550870acull, 22797}, {0xdf36e59f550870acull, 22797}},
        {M, 30, {0xff8ed182b7dc3adaull, 11361}, {0xff8ed182b7dc3adaull, 11361}}}},
    {"pattern", 704, 576, {
        {S, 1, {0x1351dd5b25c85b76ull, 219504}, {0x28cfaa7761cf85f9ull, 272873}},
        {S, 4, {0xc43ef5ab53b9967full, 30994}, {0xaba733b144bca963ull, 42938}},
        {S, 10, {0x82b183520b36a7d9ull, 27428}, {0x76642a1c32b98562ull, 31364}},
        {S, 30, {0x8ba65f52e6227675ull, 24235}, {0x8ba65f52e6227675ull, 24235}},
        {M, 1, {0x4895a8151df62085ull, 74755}, {0x2d11807a2aaaca00ull, 79728}},
        {M, 4, {0x7ca848d387515e1aull, 39076}, {0xc6f223d73a3bf118ull, 40245}},
        {M, 10, {0xd797507c386b2203ull, 32010}, {0xe3ca4f9c08fb3bf6ull, 32138}},
        {M, 30, {0x7abb46b348dd1903ull, 26148}, {0xad021947f2276699ull, 26156}}}},
    {"fractal", 704, 576, {
        {S, 1, {0xa265477dfba8b8b0ull, 965194}, {0x87af7a0f6a315d3cull, 1054349}},
        {S, 4, {0x1d5b09652131f14ull, 311759}, {0x733024a5e3ffec7full, 327313}},
        {S, 10, {0xdd8afe24e180520ull, 116214}, {0xdd8afe24e180520ull, 116214}},
        {S, 30, {0xbf3d4a66a1de09d9ull, 40202}, {0xbf3d4a66a1de09d9ull, 40202}},
        {M, 1, {0x673040597104893aull, 1750636}, {0xededb816c468283dull, 1774855}},
        {M, 4, {0x2ca7f2f77ba08447ull, 435385}, {0xccc3ef812c128ec6ull, 435524}},
        {M, 10, {0x9dccb604511203e9ull, 134640}, {0x9dccb604511203e9ull, 134640}},
        {M, 30, {0x228394199db475d7ull, 44010}, {0x228394199db475d7ull, 44010}}}},
    {"pan", 704, 576, {
        {S, 1, {0x7402c6805a604e94ull, 468063}, {0xf332213f609e24b6ull, 525381}},
        {S, 4, {0x5f818d45d0957889ull, 122171}, {0xf6867d3c21f22a8full, 136297}},
        {S, 10, {0x6931b50166740c3bull, 67606}, {0x12d2d71b519883b1ull, 70725}},
        {S, 30, {0xf4adf79ba0c253a4ull, 35382}, {0xf4adf79ba0c253a4ull, 35382}},
        {M, 1, {0xf1c891fd221f84b5ull, 492451}, {0xe3265eb1b32f80acull, 544878}},
        {M, 4, {0xc8f7693b36503d92ull, 137900}, {0x26947616ea93324aull, 143995}},
        {M, 10, {0x5ce3dfa32835bcf5ull, 77573}, {0x5ce3dfa32835bcf5ull, 77573}},
        {M, 30, {0xf79cfe31cb020edbull, 44857}, {0xf79cfe31cb020edbull, 44857}}}},
};
// clang-format on

void PrintTo(const ContentPins& c, std::ostream* os) { *os << c.content << " " << c.w << "x" << c.h; }

enum class Paths { kVector, kPlain };

class CodedBytes : public testing::TestWithParam<std::tuple<ContentPins, Paths>> {
 protected:
  void SetUp() override { osprel::SetVectorPaths(std::get<1>(GetParam()) == Paths::kVector); }
  void TearDown() override { osprel::SetVectorPaths(true); }
};

void ExpectPinned(const Coded& got, const Coded& pinned) {
  EXPECT_EQ(got.hash, pinned.hash) << std::hex << "{0x" << got.hash << "ull, " << std::dec << got.bytes << "}";
  EXPECT_EQ(got.bytes, pinned.bytes);
}

TEST_P(CodedBytes, AreUnchanged) {
  const ContentPins& c = std::get<0>(GetParam());
  std::map<Scene, std::vector<Frame>> scenes;
  for (const Pin& p : c.pins) {
    auto& frames = scenes[p.scene];
    if (frames.empty()) frames = SceneFrames(c.content, c.w, c.h, p.scene);
    SCOPED_TRACE(testing::Message() << (p.scene == S ? "still" : "moving") << " QP " << p.qp);
    {
      SCOPED_TRACE("luma-only skip rule");
      ExpectPinned(Encode(frames, c.w, c.h, p.qp, OSPREL_SKIP_LUMA_ONLY), p.lumaOnly);
    }
    {
      SCOPED_TRACE("own-residual skip rule");
      ExpectPinned(Encode(frames, c.w, c.h, p.qp, OSPREL_SKIP_OWN_RESIDUAL), p.ownResidual);
    }
  }
}

std::string Name(const testing::TestParamInfo<CodedBytes::ParamType>& info) {
  const ContentPins& c = std::get<0>(info.param);
  return std::string(c.content) + "_" + std::to_string(c.w) +
         (std::get<1>(info.param) == Paths::kVector ? "_vector" : "_plain");
}

INSTANTIATE_TEST_SUITE_P(Benchmark, CodedBytes,
                         testing::Combine(testing::ValuesIn(kPins), testing::Values(Paths::kVector, Paths::kPlain)),
                         Name);

}  // namespace
