#include "bit_strings.h"
#include "syntax_writer.h"
#include "vlc_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <utility>
#include <vector>

namespace {

using osprel::BitWriter;
using osprel_test::Bits;
using osprel_test::Squeeze;
using osprel_test::Written;

TEST(BitWriter, FullWordsPartialFlushAndAlignment) {
  std::array<uint8_t, 16> buf;
  buf.fill(0xEE);
  BitWriter w;
  w.Start(buf.data(), 5);  // exactly the bytes it needs
  w.Put(20, 0xABCDE);
  w.Put(12, 0x123);  // exactly fills the first word
  EXPECT_EQ(w.BitCount(), 32u);
  w.Put(3, 5);
  w.AlignWithZeros();
  EXPECT_EQ(w.BitCount(), 40u);
  w.AlignWithZeros();  // already aligned: nothing more
  EXPECT_EQ(w.Flush(), 5u);
  EXPECT_EQ(buf[0], 0xAB);
  EXPECT_EQ(buf[1], 0xCD);
  EXPECT_EQ(buf[2], 0xE1);
  EXPECT_EQ(buf[3], 0x23);
  EXPECT_EQ(buf[4], 0xA0);
  EXPECT_EQ(buf[5], 0xEE) << "wrote past the buffer";

  // Long runs across many words keep their order.
  w.Start(buf.data(), buf.size());
  for (int i = 0; i < 16; ++i) w.Put(7, uint32_t(i * 9 % 128));
  w.Put(16, 0xFFFF);
  EXPECT_EQ(w.Flush(), 16u);
  std::string expected;
  for (int i = 0; i < 16; ++i)
    for (int b = 6; b >= 0; --b) expected += ((i * 9 % 128) >> b) & 1 ? '1' : '0';
  expected += std::string(16, '1');
  EXPECT_EQ(Bits(buf.data(), 128), expected);
}

// Whatever the room left after them, the same bits come out, and nothing is
// written past the buffer: random codes of 1..32 bits into buffers of exactly
// the bytes they need and of many more, each followed by guard bytes.
TEST(BitWriter, SameBitsWhateverTheRoomAndNothingPastTheBuffer) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<std::pair<int, uint32_t>> codes(1 + rng() % 60);
    size_t bits = 0;
    for (auto& [n, v] : codes) {
      n = 1 + int(rng() % 32);
      v = n == 32 ? uint32_t(rng()) : uint32_t(rng()) & ((1u << n) - 1);
      bits += size_t(n);
    }
    const size_t bytes = (bits + 7) / 8;
    std::string written[2];
    for (int room = 0; room < 2; ++room) {
      const size_t capacity = bytes + (room ? 64 : 0);
      std::vector<uint8_t> buf(capacity + 8, 0xA5);
      BitWriter w;
      w.Start(buf.data(), capacity);
      for (const auto& [n, v] : codes) w.Put(n, v);
      w.AlignWithZeros();
      ASSERT_EQ(w.Flush(), bytes);
      written[room] = Bits(buf.data(), bits);
      for (size_t i = capacity; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xA5) << "trial " << trial << " room " << room;
    }
    ASSERT_EQ(written[0], written[1]) << "trial " << trial;
    std::string expected;
    for (const auto& [n, v] : codes)
      for (int b = n - 1; b >= 0; --b) expected += (v >> b) & 1 ? '1' : '0';
    ASSERT_EQ(written[0], expected) << "trial " << trial;
  }
}

TEST(PictureHeader, IntraQcifAtQp10) {
  const std::string bits = Written([](BitWriter& w) { osprel::WritePictureHeader(w, 0, 4, 0, 10); });
  EXPECT_EQ(bits, Squeeze("0000 0000 0000 0000 1 00000 00000000 1 0 0 0 0 00100 0 0 0 0 0 01010 0 0"));
  const std::string p = Written([](BitWriter& w) { osprel::WritePictureHeader(w, 255, 20, 1, 30); });
  EXPECT_EQ(p, Squeeze("0000 0000 0000 0000 1 00000 11111111 1 0 0 0 0 10100 1 0 0 0 0 11110 0 0"));
}

TEST(MacroblockHeader, McbpcAndCbpyCodes) {
  auto header = [](int type, int cbp, bool p) {
    return Written([&](BitWriter& w) { osprel::WriteMacroblockHeader(w, type, cbp, p); });
  };
  // P pictures, INTER: COD 0, MCBPC by chroma pattern, CBPY of the inverted luma pattern.
  EXPECT_EQ(header(0, 0, true), "0" "1" "11");
  EXPECT_EQ(header(0, 1, true), "0" "0011" "11");   // Cr only
  EXPECT_EQ(header(0, 2, true), "0" "0010" "11");   // Cb only
  EXPECT_EQ(header(0, 3, true), "0" "000101" "11");
  EXPECT_EQ(header(0, 60, true), "0" "1" "0011");   // all four luma blocks
  EXPECT_EQ(header(0, 32, true), "0" "1" "1011");   // Y0 only: 1000 ^ 1111 = 0111
  // P pictures, INTRA: CBPY of the pattern itself.
  EXPECT_EQ(header(3, 0, true), "0" "00011" "0011");
  EXPECT_EQ(header(3, 1, true), "0" "00000100" "0011");
  EXPECT_EQ(header(3, 2, true), "0" "00000011" "0011");
  EXPECT_EQ(header(3, 63, true), "0" "0000011" "11");
  // I pictures: no COD.
  EXPECT_EQ(header(3, 0, false), "1" "0011");
  EXPECT_EQ(header(3, 1, false), "001" "0011");
  EXPECT_EQ(header(3, 2, false), "010" "0011");
  EXPECT_EQ(header(3, 3 | 4, false), "011" "00101");  // Y3 only: pattern 0001
}

TEST(VectorDifference, CodesSignsAndWrap) {
  auto mvd = [](int d) { return Written([&](BitWriter& w) { osprel::WriteVectorDifference(w, d); }); };
  EXPECT_EQ(mvd(0), "1");
  EXPECT_EQ(mvd(-2), "001" "1");
  EXPECT_EQ(mvd(2), "001" "0");
  EXPECT_EQ(mvd(1), "01" "0");
  EXPECT_EQ(mvd(30 - (-30)), "000011" "1");  // 60 wraps to -4
  EXPECT_EQ(mvd(-60), "000011" "0");         // wraps to +4
  EXPECT_EQ(mvd(-32), "000000000010" "1");
  EXPECT_EQ(mvd(32), "000000000010" "1");  // +32 is -32 after the wrap
  EXPECT_EQ(mvd(31), "000000000011" "0");
  EXPECT_EQ(mvd(16), "0000001100" "0");
}

TEST(BlockLayer, IntraDcAndLastEvents) {
  EXPECT_EQ(Written([](BitWriter& w) { osprel::WriteIntraDc(w, 128); }), "11111111");
  EXPECT_EQ(Written([](BitWriter& w) { osprel::WriteIntraDc(w, 127); }), "01111111");
  EXPECT_EQ(Written([](BitWriter& w) { osprel::WriteIntraDc(w, 1); }), "00000001");

  auto events = [](std::initializer_list<std::pair<int, int>> at, int start) {
    int16_t scan[64] = {};
    for (auto [pos, level] : at) scan[pos] = int16_t(level);
    return Written([&](BitWriter& w) { osprel::WriteBlockEvents(w, scan, start); });
  };
  EXPECT_EQ(events({{0, 1}}, 0), "0111" "0");   // LAST 1, run 0, +1
  EXPECT_EQ(events({{0, -1}}, 0), "0111" "1");
  EXPECT_EQ(events({{0, 5}}, 1), "");           // position 0 is the intra DC
  // Two events: the first has LAST 0, the run counts zeros since the previous level.
  EXPECT_EQ(events({{1, 1}, {4, -3}}, 1), "10" "0" "0000011" "1" "000010" "11111101");
  EXPECT_EQ(events({{63, 1}}, 0), "0000011" "1" "111111" "00000001");
}

TEST(BlockLayer, EscapesForLargeLevelsAndMissingCodes) {
  auto events = [](std::initializer_list<std::pair<int, int>> at) {
    int16_t scan[64] = {};
    for (auto [pos, level] : at) scan[pos] = int16_t(level);
    return Written([&](BitWriter& w) { osprel::WriteBlockEvents(w, scan, 0); });
  };
  EXPECT_EQ(events({{0, 12}}), "0000011" "1" "000000" "00001100");  // LAST 1 has no level 12
  EXPECT_EQ(events({{0, 12}, {1, 1}}), "00000100000" "0" "0111" "0");  // LAST 0 run 0 level 12 has a code
  EXPECT_EQ(events({{0, 13}, {1, 1}}), "0000011" "0" "000000" "00001101" "0111" "0");
  EXPECT_EQ(events({{0, -127}}), "0000011" "1" "000000" "10000001");
  EXPECT_EQ(events({{3, 3}}), "0000011" "1" "000011" "00000011");  // LAST 1 run 3 only has level 1
  EXPECT_EQ(events({{41, 1}}), "0000011" "1" "101001" "00000001");  // run 41 has no code
  EXPECT_EQ(events({{40, 1}}), "000001011111" "0");                 // run 40 does
  EXPECT_EQ(events({{27, 1}, {63, 1}}), "0000011" "0" "011011" "00000001" "000001011010" "0");
}

// Every level at every run, as the only event (LAST 1) and before a last
// event (LAST 0): the table's code and a sign bit where the standard has a
// code for the combination, else the 22-bit escape.
TEST(BlockLayer, EveryLevelAtEveryRunTakesItsCodeOrTheEscape) {
  const auto fixed = [](uint32_t v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += (v >> i) & 1 ? '1' : '0';
    return s;
  };
  const auto expected = [&](int last, int run, int level) {
    const int a = level < 0 ? -level : level;
    if (a <= osprel::kMaxCodedLevel && osprel::kTcoef.v[last][run][a].len) {
      const osprel::Vlc v = osprel::kTcoef.v[last][run][a];
      return fixed(v.code, v.len) + (level < 0 ? "1" : "0");
    }
    return "0000011" + fixed(uint32_t(last), 1) + fixed(uint32_t(run), 6) + fixed(uint32_t(level) & 255u, 8);
  };
  for (int run = 0; run < 63; ++run)
    for (int level = -127; level <= 127; ++level) {
      if (level == 0) continue;
      int16_t scan[64] = {};
      scan[run] = int16_t(level);
      ASSERT_EQ(Written([&](BitWriter& w) { osprel::WriteBlockEvents(w, scan, 0); }), expected(1, run, level))
          << "LAST 1 RUN " << run << " LEVEL " << level;
      scan[63] = 1;
      ASSERT_EQ(Written([&](BitWriter& w) { osprel::WriteBlockEvents(w, scan, 0); }),
                expected(0, run, level) + expected(1, 62 - run, 1))
          << "LAST 0 RUN " << run << " LEVEL " << level;
    }
}

TEST(VlcTables, CodedCombinationsAreExactlyTheStandardOnes) {
  const int maxLevel0[27] = {12, 6, 4, 3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  int codes = 0;
  for (int last = 0; last < 2; ++last)
    for (int run = 0; run < 64; ++run)
      for (int level = 1; level <= 12; ++level) {
        int limit = 0;
        if (last == 0 && run < 27) limit = maxLevel0[run];
        if (last == 1) limit = run == 0 ? 3 : run == 1 ? 2 : run <= 40 ? 1 : 0;
        const bool has = osprel::kTcoef.v[last][run][level].len != 0;
        EXPECT_EQ(has, level <= limit) << "LAST " << last << " RUN " << run << " LEVEL " << level;
        codes += has;
      }
  EXPECT_EQ(codes, 102);
  // Zigzag: raster -> scan position.
  EXPECT_EQ(osprel::kZigzag[0], 0);
  EXPECT_EQ(osprel::kZigzag[1], 1);
  EXPECT_EQ(osprel::kZigzag[8], 2);
  EXPECT_EQ(osprel::kZigzag[16], 3);
  EXPECT_EQ(osprel::kZigzag[9], 4);
  EXPECT_EQ(osprel::kZigzag[63], 63);
  EXPECT_EQ(osprel::kZigzag[56], 35);
}

}  // namespace
