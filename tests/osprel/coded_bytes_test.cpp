// Pins the coded bytes of every benchmark content at both benchmark sizes,
// several quantisers, a still and a moving scene. A faster path must give the
// same bits as the plain one, so any change of the transform, quantiser,
// search, decisions or bit writing that alters one output byte fails here.
// The hashes were taken from the coder before it was optimised and must only
// ever change for a deliberate change of the coded stream.
#include "content.h"
#include "osprel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
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

std::vector<Frame> MovingFrames(const std::string& content, int w, int h) {
  std::vector<Frame> frames;
  if (content == "pan") {
    const osprel_bench::Still still = osprel_bench::MakeStill(w + 3 * kFrames + 16, h + kFrames + 16);
    for (int t = 0; t < kFrames; ++t) frames.push_back(osprel_bench::Pan(still, w, h, t));
  } else {
    for (int t = 0; t < kFrames; ++t)
      frames.push_back(content == "pattern" ? osprel_bench::TestPattern(w, h, t)
                                            : osprel_bench::FractalTexture(w, h, t));
  }
  return frames;
}

std::vector<Frame> SceneFrames(const std::string& content, int w, int h, Scene scene) {
  std::vector<Frame> frames = MovingFrames(content, w, h);
  if (scene == Scene::kStill)
    for (int t = 0; t < kFrames; ++t) frames[t] = StillFrame(frames[0], w, h, t);
  return frames;
}

struct Coded {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a over every coded byte
  size_t bytes = 0;
};

Coded Encode(const std::vector<Frame>& frames, int w, int h, int qp) {
  COsprel* e = CreateCOsprel();
  EXPECT_EQ(e->Init(w, h, qp), 1);
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
  uint64_t hash;
  size_t bytes;
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
        {S, 1, 0x15255bcd3330d8a4ull, 66988}, {S, 4, 0xc125d75a28920c51ull, 16388},
        {S, 10, 0x98688c05520587deull, 11618}, {S, 30, 0xdbe98fa4902ea6b5ull, 7596},
        {M, 1, 0x8f52063b0546cdc2ull, 51420}, {M, 4, 0xb309bf161ff2acecull, 26113},
        {M, 10, 0xf9c3ee0ef677e3d3ull, 16750}, {M, 30, 0xe1e4d762a7287996ull, 9468}}},
    {"fractal", 352, 288, {
        {S, 1, 0x1188114aa459de7aull, 241246}, {S, 4, 0xceddae19a574c753ull, 78026},
        {S, 10, 0xb7ccd14169de775cull, 29161}, {S, 30, 0x7315db91c6108178ull, 10083},
        {M, 1, 0x46233adbf017dfccull, 437679}, {M, 4, 0xa2f52e9f074f9a73ull, 108689},
        {M, 10, 0x2091713af7ccffaeull, 33856}, {M, 30, 0x8f6640db6710dd64ull, 11291}}},
    {"pan", 352, 288, {
        {S, 1, 0x28612607bc37eca7ull, 134149}, {S, 4, 0x459203add439f55cull, 37382},
        {S, 10, 0x6fd5541b766e95e3ull, 20080}, {S, 30, 0xd2c2995277fe3f48ull, 9608},
        {M, 1, 0x13853532b209e53aull, 159769}, {M, 4, 0x8bcb9a3608eb6401ull, 43676},
        {M, 10, 0xdf36e59f550870acull, 22797}, {M, 30, 0xff8ed182b7dc3adaull, 11361}}},
    {"pattern", 704, 576, {
        {S, 1, 0x1351dd5b25c85b76ull, 219504}, {S, 4, 0xc43ef5ab53b9967full, 30994},
        {S, 10, 0x82b183520b36a7d9ull, 27428}, {S, 30, 0x8ba65f52e6227675ull, 24235},
        {M, 1, 0x4895a8151df62085ull, 74755}, {M, 4, 0x7ca848d387515e1aull, 39076},
        {M, 10, 0xd797507c386b2203ull, 32010}, {M, 30, 0x7abb46b348dd1903ull, 26148}}},
    {"fractal", 704, 576, {
        {S, 1, 0xa265477dfba8b8b0ull, 965194}, {S, 4, 0x1d5b09652131f14ull, 311759},
        {S, 10, 0xdd8afe24e180520ull, 116214}, {S, 30, 0xbf3d4a66a1de09d9ull, 40202},
        {M, 1, 0x673040597104893aull, 1750636}, {M, 4, 0x2ca7f2f77ba08447ull, 435385},
        {M, 10, 0x9dccb604511203e9ull, 134640}, {M, 30, 0x228394199db475d7ull, 44010}}},
    {"pan", 704, 576, {
        {S, 1, 0x7402c6805a604e94ull, 468063}, {S, 4, 0x5f818d45d0957889ull, 122171},
        {S, 10, 0x6931b50166740c3bull, 67606}, {S, 30, 0xf4adf79ba0c253a4ull, 35382},
        {M, 1, 0xf1c891fd221f84b5ull, 492451}, {M, 4, 0xc8f7693b36503d92ull, 137900},
        {M, 10, 0x5ce3dfa32835bcf5ull, 77573}, {M, 30, 0xf79cfe31cb020edbull, 44857}}},
};
// clang-format on

class CodedBytes : public testing::TestWithParam<ContentPins> {};

TEST_P(CodedBytes, AreUnchanged) {
  const ContentPins& c = GetParam();
  std::map<Scene, std::vector<Frame>> scenes;
  for (const Pin& p : c.pins) {
    auto& frames = scenes[p.scene];
    if (frames.empty()) frames = SceneFrames(c.content, c.w, c.h, p.scene);
    const Coded got = Encode(frames, c.w, c.h, p.qp);
    SCOPED_TRACE(testing::Message() << (p.scene == S ? "still" : "moving") << " QP " << p.qp);
    EXPECT_EQ(got.hash, p.hash) << std::hex << "0x" << got.hash << "ull, " << std::dec << got.bytes;
    EXPECT_EQ(got.bytes, p.bytes);
  }
}

std::string Name(const testing::TestParamInfo<ContentPins>& info) {
  return std::string(info.param.content) + "_" + std::to_string(info.param.w);
}

INSTANTIATE_TEST_SUITE_P(Benchmark, CodedBytes, testing::ValuesIn(kPins), Name);

}  // namespace
