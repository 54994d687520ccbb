// What a board can do, from its model's row and the capture channels it reports:
// the groups the frame-rate budgets are shared in, and the image sizes.
#include <gtest/gtest.h>

#include <vector>

#include "board_tables.h"

namespace {

std::vector<uint32_t> Group(const BoardCaps& caps, uint32_t channel) {
  const GroupChannelList list = caps.GroupChannels(channel);
  return {list.begin(), list.end()};
}

TEST(BoardCaps, GroupsFollowTheChannelsTheBoardReports) {
  struct Case {
    BoardCaps caps;
    uint32_t capture, perGroup, channel;
    std::vector<uint32_t> group;
    const char* why;
  } const cases[] = {
      {BoardCaps(QCA08), 32, 4, 13, {5, 13, 21, 29}, "the model's own channels, four a group"},
      {BoardCaps(QCA08, 32), 32, 4, 13, {5, 13, 21, 29}, "eight groups of four"},
      {BoardCaps(QCA04, 24), 24, 6, 2, {2, 6, 10, 14, 18, 22}, "four groups of six"},
      {BoardCaps(QCA08, 5), 5, 1, 6, {}, "fewer channels than groups: the later groups are empty"},
      {BoardCaps(QCA08, 12), 12, 2, 11, {3, 11}, "rounded up: a short last round"},
      {BoardCaps(QCA08, 12), 12, 2, 5, {5}, "a group cut short by the board's last channel"},
      {BoardCaps(QCA02, 99), 32, 16, 1, {1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31}, "capped at 32"},
      {BoardCaps(QLA16), 16, 1, 7, {7}, "one channel a group"},
      {BoardCaps(7, 16), 0, 0, 3, {}, "an unknown model has nothing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(c.caps.CaptureChannels(), c.capture);
    EXPECT_EQ(c.caps.ChannelsPerGroup(), c.perGroup);
    EXPECT_EQ(Group(c.caps, c.channel), c.group);
  }
}

TEST(BoardCaps, GroupSumsAndTheModelsRows) {
  const BoardCaps caps(QCA08, 32);
  uint32_t values[kMaxChannels] = {};
  values[5] = 10;
  values[21] = 5;
  values[6] = 100;
  EXPECT_EQ(caps.GroupPosition(13), 5u);
  EXPECT_EQ(caps.GroupSum(13, values), 15u);
  EXPECT_EQ(caps.GroupNonZeroCount(29, values), 2u);
  EXPECT_EQ(BoardCaps(QCA04).AudioChannels(), 8u);
  EXPECT_EQ(BoardCaps(QLA08).LiveShapeModes(), 10u);
  EXPECT_EQ(BoardCaps(QCA04).LiveShapeModes(), 0u);
  EXPECT_EQ(BoardCaps(QLA04).MultiplexerCount(), 2u);
  EXPECT_EQ(BoardCaps(-1).MultiplexerCount(), 1u);
  EXPECT_EQ(ColumnRange(0, 16), (std::pair<uint32_t, uint32_t>{0, 15}));
  EXPECT_EQ(ColumnRange(3, 16), (std::pair<uint32_t, uint32_t>{2, 2}));
  EXPECT_EQ(ImageHeight(4, 1), 240u);
  EXPECT_EQ(ImageWidth(2), 704u);
  EXPECT_EQ(ImageHeight(12, 0), 144u);
  EXPECT_EQ(ImageWidth(13), 0u);
}

}  // namespace
