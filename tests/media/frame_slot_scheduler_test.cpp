#include "frame_slot_scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "trace_lines.h"

namespace nuvix {
namespace {


std::vector<int32_t> Slots(const FrameSlotScheduler& s, const std::vector<int32_t>& requests) {
  std::vector<int32_t> req(requests);
  req.resize(FrameSlotScheduler::kMaxCameras, 0);
  std::vector<int32_t> slots(FrameSlotScheduler::kMaxSlots + 2, -7);  // sentinels past the end
  s.ComputeSlots(req.data(), slots.data());
  EXPECT_EQ(slots[s.slotCount()], -7) << "wrote past the slot list";
  slots.resize(s.slotCount());
  return slots;
}

std::vector<int> PositionsOf(const std::vector<int32_t>& slots, int32_t channel) {
  std::vector<int> at;
  for (size_t i = 0; i < slots.size(); ++i)
    if (slots[i] == channel) at.push_back(static_cast<int>(i));
  return at;
}

FrameSlotScheduler Ntsc() {
  FrameSlotScheduler s;
  s.SetupAttribute(30, 32, 99);
  return s;
}

TEST(FrameSlotScheduler, FourChannelGroupSpreadsSlotForSlot) {
  std::vector<int32_t> req(32, 0);
  req[0] = 8;
  req[4] = 7;
  req[8] = 8;
  req[12] = 7;
  const std::vector<int32_t> expected = {12, 4, 8, 0, 12, 4, 8, 0, 12, 8, 0, 4, 12, 8, 0,
                                         4,  12, 8, 0, 4, 12, 8, 0, 4,  8, 0, 12, 4, 8, 0};
  const auto slots = Slots(Ntsc(), req);
  EXPECT_EQ(slots, expected);
  EXPECT_EQ(PositionsOf(slots, 0), (std::vector<int>{3, 7, 10, 14, 18, 22, 25, 29}));
}

TEST(FrameSlotScheduler, SingleRequestAndEmptyGroup) {
  std::vector<int32_t> req(32, 0);
  auto slots = Slots(Ntsc(), req);
  EXPECT_EQ(slots, std::vector<int32_t>(30, 99));

  req[1] = 10;
  slots = Slots(Ntsc(), req);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(slots[i], i % 3 == 2 ? 1 : 99) << "slot " << i;
}

TEST(FrameSlotScheduler, EqualRequestsServeLowerChannelFirst) {
  std::vector<int32_t> req(32, 0);
  req[0] = 15;
  req[8] = 15;
  auto slots = Slots(Ntsc(), req);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(slots[i], i % 2 == 0 ? 8 : 0) << "slot " << i;

  // Channel 1 is served before channel 3, so it takes the positions spread
  // over the whole second and channel 3 fills the gaps.
  std::fill(req.begin(), req.end(), 0);
  req[3] = 5;
  req[1] = 5;
  slots = Slots(Ntsc(), req);
  EXPECT_EQ(PositionsOf(slots, 1), (std::vector<int>{5, 11, 17, 23, 29}));
  EXPECT_EQ(PositionsOf(slots, 3), (std::vector<int>{4, 10, 16, 22, 28}));
}

TEST(FrameSlotScheduler, RequestAboveSlotCountLeavesAllZero) {
  std::vector<int32_t> req(32, 0);
  req[2] = 31;
  EXPECT_EQ(Slots(Ntsc(), req), std::vector<int32_t>(30, 0));
  req[2] = -1;  // as an unsigned rate this is far too large
  EXPECT_EQ(Slots(Ntsc(), req), std::vector<int32_t>(30, 0));

  FrameSlotScheduler pal;
  pal.SetupAttribute(25, 32, 99);
  std::fill(req.begin(), req.end(), 0);
  req[5] = 26;
  EXPECT_EQ(Slots(pal, req), std::vector<int32_t>(25, 0));
}

TEST(FrameSlotScheduler, SetupAttributeReducesAndTracesArgumentsAsPassed) {
  TraceLines trace;
  FrameSlotScheduler s;
  s.SetupAttribute(31, 33, 77);
  EXPECT_EQ(s.slotCount(), 1u);
  EXPECT_EQ(s.cameraCount(), 1u);
  EXPECT_EQ(s.emptyMarker(), 77u);
  s.SetupAttribute(0, 0, 99);
  EXPECT_EQ(s.slotCount(), 1u);
  EXPECT_EQ(s.cameraCount(), 1u);
  s.SetupAttribute(45, 40, 99);
  EXPECT_EQ(s.slotCount(), 14u);
  EXPECT_EQ(s.cameraCount(), 7u);
  s.SetupAttribute(25, 16, 99);
  EXPECT_EQ(s.slotCount(), 25u);
  EXPECT_EQ(s.cameraCount(), 16u);
  const auto lines = trace.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "SetupAttribute::Max 31FPS, Max 33CAM \n");
  EXPECT_EQ(lines[2], "SetupAttribute::Max 45FPS, Max 40CAM \n");

  // Only cameraCount requests are read: a huge rate beyond them is ignored.
  std::vector<int32_t> req(32, 0);
  req[15] = 25;
  req[16] = 1000;
  EXPECT_EQ(Slots(s, req), std::vector<int32_t>(25, 15));
}

// Every request set within the budget gets exactly its count of distinct slots.
TEST(FrameSlotScheduler, RequestsWithinBudgetGetExactlyTheirSlots) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 3000; ++round) {
    const uint32_t slotCount = 1 + rng() % 30;
    const uint32_t cameras = 1 + rng() % 32;
    FrameSlotScheduler s;
    s.SetupAttribute(slotCount, cameras, 99);
    std::vector<int32_t> req(32, 0);
    uint32_t budget = rng() % (slotCount + 1);
    for (uint32_t tries = 0; tries < 8 && budget > 0; ++tries) {
      const uint32_t c = rng() % cameras;
      const uint32_t r = 1 + rng() % budget;
      req[c] += static_cast<int32_t>(r);
      budget -= r;
    }
    const auto slots = Slots(s, req);
    for (uint32_t c = 0; c < 32; ++c) {
      ASSERT_EQ(PositionsOf(slots, static_cast<int32_t>(c)).size(), static_cast<size_t>(c < cameras ? req[c] : 0))
          << "round " << round << " channel " << c << " of " << slotCount << " slots";
    }
    const int32_t used = std::accumulate(req.begin(), req.begin() + cameras, 0);
    ASSERT_EQ(std::count(slots.begin(), slots.end(), 99), static_cast<long>(slotCount) - used);
  }
}

TEST(FrameSlotScheduler, OverbookedRequestsStayInsideTheLists) {
  std::mt19937 rng(7);
  for (int round = 0; round < 500; ++round) {
    FrameSlotScheduler s = Ntsc();
    std::vector<int32_t> req(32, 0);
    for (int c = 0; c < 32; ++c) req[c] = static_cast<int32_t>(rng() % 31);
    for (int32_t v : Slots(s, req)) {
      ASSERT_TRUE(v == 99 || (v >= 0 && v < 32 && req[v] > 0)) << v;
    }
  }
}

TEST(FrameSlotScheduler, DefaultRowsFillTheBoardModelGroups) {
  int32_t row[32];
  for (int ntsc : {1, 0}) {
    const int32_t total = ntsc ? 30 : 25;
    FrameSlotScheduler s;
    s.SetupAttribute(total, 32, 99);
    for (uint32_t n : {1u, 2u, 4u, 8u}) {
      FrameSlotScheduler::DefaultRates(ntsc, n, row);
      EXPECT_EQ(std::accumulate(row, row + 32, 0), total) << "row " << n;
      EXPECT_EQ(std::count(row, row + 32, 0), 32 - static_cast<long>(n)) << "row " << n;
      // As a group of channels spaced one apart, the row leaves no slot empty.
      const auto slots = Slots(s, std::vector<int32_t>(row, row + 32));
      EXPECT_EQ(std::count(slots.begin(), slots.end(), 99), 0) << "row " << n;
    }
  }
  const auto sum = [&](int ntsc, uint32_t n) {
    FrameSlotScheduler::DefaultRates(ntsc, n, row);
    return std::accumulate(row, row + 32, 0);
  };
  EXPECT_EQ(sum(1, 5), 35);
  EXPECT_EQ(sum(1, 6), 36);
  EXPECT_EQ(sum(0, 16), 26);
  EXPECT_EQ(sum(1, 17), 120);
  EXPECT_EQ(sum(1, 19), 480);
  EXPECT_EQ(sum(0, 17) + sum(0, 18) + sum(0, 19), 0);
  FrameSlotScheduler::DefaultRates(1, 4, row);
  EXPECT_EQ((std::vector<int32_t>(row, row + 5)), (std::vector<int32_t>{8, 7, 8, 7, 0}));
  FrameSlotScheduler::DefaultRates(0, 3, row);
  EXPECT_EQ((std::vector<int32_t>(row, row + 4)), (std::vector<int32_t>{8, 8, 9, 0}));
  std::fill_n(row, 32, 5);
  FrameSlotScheduler::DefaultRates(1, 20, row);
  EXPECT_EQ(std::count(row, row + 32, 0), 32);
}

}  // namespace
}  // namespace nuvix
