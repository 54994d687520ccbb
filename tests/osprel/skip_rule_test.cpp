// The skip rules: what each leaves uncoded, and that the own-residual rule's
// chroma limit never drops a block that would have been coded.
#include "encoder.h"
#include "quantiser.h"
#include "skip_rules.h"
#include "synthetic_frames.h"
#include "tovrik.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

namespace {

using osprel_test::FrameBytes;

// True when the residual block quantises to no nonzero inter level.
bool QuantisesToNothing(const osprel::QuantTables& t, std::array<int16_t, 64> residual) {
  ippiDCT8x8Fwd_16s_C1(residual.data(), residual.data());
  std::array<int16_t, 64> scan{};
  return !osprel::QuantiseInter(t, residual.data(), scan.data());
}

// Residual blocks with the given SAD whose largest coefficient comes closest
// to the limit: one sample at each position (a basis function's peak), two
// samples, and random blocks whose SAD is shifted into a few samples.
std::vector<std::array<int16_t, 64>> BlocksOfSad(int sad, std::mt19937& rng) {
  std::vector<std::array<int16_t, 64>> blocks;
  for (int at = 0; at < 64; ++at)
    for (int sign : {1, -1}) {
      std::array<int16_t, 64> b{};
      b[at] = int16_t(sign * sad);
      blocks.push_back(b);
      std::array<int16_t, 64> pair{};
      pair[at] = int16_t(sign * (sad - sad / 2));
      pair[63 - at] = int16_t(pair[63 - at] + sign * (sad / 2));
      blocks.push_back(pair);
    }
  std::uniform_int_distribution<int> position(0, 63), spread(1, 6);
  for (int i = 0; i < 400; ++i) {
    std::array<int16_t, 64> b{};
    const int parts = spread(rng);
    for (int p = 0, left = sad; p < parts; ++p) {
      const int share = p == parts - 1 ? left : left / (parts - p);
      b[position(rng)] += int16_t(rng() & 1 ? share : -share);
      left -= share;
    }
    int got = 0;
    for (int16_t v : b) got += std::abs(v);
    if (got == sad) blocks.push_back(b);  // opposite signs on one sample cancel: skip those
  }
  return blocks;
}

TEST(ChromaSkipLimit, BlocksBelowItQuantiseToNothingAtEveryQuantiser) {
  std::mt19937 rng(5);
  for (int qp = 1; qp <= 30; ++qp) {
    osprel::QuantTables t;
    osprel::BuildQuantTables(qp, &t);
    const int limit = osprel::ChromaSkipSad(qp);
    for (const auto& b : BlocksOfSad(limit - 1, rng))
      ASSERT_TRUE(QuantisesToNothing(t, b)) << "QP " << qp << ", SAD " << limit - 1;
    // Not needlessly low: a single sample at a basis peak codes a level soon above it.
    std::array<int16_t, 64> peak{};
    peak[0] = int16_t(limit + 2);
    EXPECT_FALSE(QuantisesToNothing(t, peak)) << "QP " << qp << ", SAD " << limit + 2;
  }
}

struct Reconstructed {
  int maxChromaError = 0;  // largest |reconstruction - source| over both chroma planes, last picture
  size_t bytes = 0;        // all P pictures
};

// A still, textured luma (camera noise of one level) under a colour that
// moves one level per picture, the case a luma-only rule cannot see.
Reconstructed CodeColourDrift(int skipRule, int qp) {
  const int w = 176, h = 144, pictures = 24;
  auto e = std::make_unique<osprel::Encoder>();
  EXPECT_EQ(e->Init(w, h, qp), 1);
  e->SetSkipRule(skipRule);
  std::vector<uint8_t> frame(FrameBytes(w, h)), out(OSPREL_MAX_PICTURE_BYTES(w, h));
  std::mt19937 rng(9);
  Reconstructed r;
  for (int t = 0; t < pictures; ++t) {
    osprel_test::MovingScene(w, h, 0, frame.data());
    for (int i = 0; i < w * h; ++i) frame[i] = uint8_t(std::clamp(int(frame[i]) + int(rng() % 3) - 1, 0, 255));
    for (size_t i = size_t(w) * h; i < frame.size(); ++i) frame[i] = uint8_t(frame[i] + (i < size_t(w) * h * 5 / 4 ? t : -t));
    int bytes = 0, intra = 0;
    e->Encode(frame.data(), out.data(), &bytes, &intra, 0);
    if (!intra) r.bytes += size_t(bytes);
  }
  const osprel::FrameStore& s = e->LastPicture();
  const uint8_t* cb = frame.data() + w * h;
  for (int i = 0; i < w * h / 4; ++i)
    r.maxChromaError = std::max({r.maxChromaError, std::abs(cb[i] - s.cb[i]), std::abs(cb[i + w * h / 4] - s.cr[i])});
  return r;
}

TEST(SkipRule, OwnResidualRuleCodesColourChangesUnderAStillLuma) {
  for (int qp : {2, 4, 12}) {
    SCOPED_TRACE(testing::Message() << "QP " << qp);
    const Reconstructed own = CodeColourDrift(OSPREL_SKIP_OWN_RESIDUAL, qp);
    const Reconstructed lumaOnly = CodeColourDrift(OSPREL_SKIP_LUMA_ONLY, qp);
    // The error left uncoded stays within what the quantiser itself leaves
    // (about one step of 2 QP); under the luma-only rule the colour stays as
    // the intra picture had it, 23 levels away.
    EXPECT_LE(own.maxChromaError, 2 * qp + 2);
    EXPECT_GE(lumaOnly.maxChromaError, 20);
    EXPECT_GT(own.bytes, lumaOnly.bytes);
  }
}

// The own-residual rule codes no more than the luma-only rule when nothing
// changes: an unchanged picture is all "not coded" under both.
TEST(SkipRule, UnchangedPicturesAreNotCodedUnderEitherRule) {
  const int w = 352, h = 288;
  std::vector<uint8_t> frame(FrameBytes(w, h)), out(OSPREL_MAX_PICTURE_BYTES(w, h));
  osprel_test::MovingScene(w, h, 3, frame.data());
  for (int rule : {OSPREL_SKIP_OWN_RESIDUAL, OSPREL_SKIP_LUMA_ONLY}) {
    auto e = std::make_unique<osprel::Encoder>();
    ASSERT_EQ(e->Init(w, h, 6), 1);
    e->SetSkipRule(rule);
    int bytes = 0, intra = 0;
    e->Encode(frame.data(), out.data(), &bytes, &intra, 0);
    ASSERT_EQ(intra, 1);
    // The intra picture's reconstruction as the next source: nothing left to code.
    const osprel::FrameStore& s = e->LastPicture();
    std::copy(s.y, s.y + w * h, frame.begin());
    std::copy(s.cb, s.cb + w * h / 4, frame.begin() + w * h);
    std::copy(s.cr, s.cr + w * h / 4, frame.begin() + w * h * 5 / 4);
    e->Encode(frame.data(), out.data(), &bytes, &intra, 0);
    EXPECT_EQ(bytes, (52 + 396 + 7) / 8) << "rule " << rule;
  }
}

}  // namespace
