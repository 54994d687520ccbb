// The monkey's own promises: a seed repeats its actions, and the board lists
// of its command line parse as documented. Seeds that once found a fault are
// pinned here and replayed.
#include "monkey.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

MonkeyOptions ShortRun(uint64_t seed, uint64_t actions) {
  MonkeyOptions options;
  options.seed = seed;
  options.actions = actions;
  options.scratch = std::filesystem::temp_directory_path() / ("nuvix-monkey-test-" + std::to_string(::getpid()));
  options.driverHeader = NUVIX_DRIVER_HEADER;
  return options;
}

// The choices depend on the seed and the program's state, not on the clock:
// two runs of one seed take the same actions, another seed others.
TEST(Monkey, SameSeedTakesTheSameActions) {
  const MonkeyReport first = RunMonkey(ShortRun(20261215, 80));
  const MonkeyReport again = RunMonkey(ShortRun(20261215, 80));
  const MonkeyReport other = RunMonkey(ShortRun(20261216, 80));
  EXPECT_EQ(first.failures, std::vector<std::string>{});
  EXPECT_EQ(first.actionList.size(), 80u);
  EXPECT_EQ(first.actionList, again.actionList);
  EXPECT_NE(first.actionList, other.actionList);
  EXPECT_GT(first.boardOpens, 0u) << "80 actions never opened a board";
}

TEST(Monkey, BoardListsParseAsTheCommandLineSays) {
  struct Case {
    const char* text;
    std::optional<std::vector<std::string>> lists;
  };
  const Case cases[] = {
      {"QCA08", std::vector<std::string>{"QCA08"}},
      {"QCA08;QLA16,QCA08", std::vector<std::string>{"QCA08", "QLA16,QCA08"}},
      {"", std::nullopt},
      {";", std::nullopt},
      {"QCA08;;QLA16", std::nullopt},
      {"QCA08;", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseBoardLists(c.text), c.lists) << c.text;
}

TEST(Monkey, ReplayCommandNamesEverythingTheRunDependsOn) {
  MonkeyOptions options = ShortRun(42, 0);
  options.boardLists = {"QCA08", "QLA16,QCA08"};
  EXPECT_EQ(ReplayCommand(options, 17), "monkey --seed 42 --boards 'QCA08;QLA16,QCA08' --actions 17");
  options.faults = false;
  EXPECT_EQ(ReplayCommand(options, 3), "monkey --seed 42 --boards 'QCA08;QLA16,QCA08' --no-faults --actions 3");
}

}  // namespace
