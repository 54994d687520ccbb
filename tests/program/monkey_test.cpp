// The monkey's own promises: a seed repeats its actions, the board lists of
// its command line parse as documented, its replay command names the whole
// run, and what it calls a broken recording is one.
#include "monkey.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <algorithm>
#include <cstring>

#include "broken_recordings.h"
#include "recorded_file.h"

namespace {

namespace fs = std::filesystem;

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

// What the monkey counts as a recording left broken. Audio files carry no
// framing: a QLA board's 16384-byte deliveries are whole at any rate, a tail
// that is neither that nor the reader's block is not.
TEST(Monkey, BrokenRecordingsAreHalfRecordsAndPartialDeliveries) {
  struct Case {
    const char* name;
    bool video;
    uint32_t parameter;
    std::vector<uint32_t> records;  // bytes of each record (video: header included)
    bool broken;
  };
  const Case cases[] = {
      {"v_whole.MJP", true, 0, {4000, 3000}, false},
      {"v_half.MJP", true, 0, {4000, 3000, 200}, true},  // a header promising more than is there
      {"a_qca.PCM", false, 2, {11264, 11264}, false},
      {"a_qla.PCM", false, 2, {16384}, false},
      {"a_cut.PCM", false, 2, {11264, 5000}, true},
  };
  const fs::path dir = fs::temp_directory_path() / ("nuvix-broken-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    nuvix::RecordedFile file;
    ASSERT_TRUE(file.SetPath("%s", (dir / c.name).c_str()));
    ASSERT_TRUE(file.Open(nuvix::RecordedFile::kWrite));
    file.WriteHeader(c.video, c.parameter);
    for (uint32_t bytes : c.records) {
      std::vector<uint8_t> record(bytes, 0x55);
      if (c.video) {
        const uint32_t header = 40, payload = bytes == 200 ? 5000 : bytes - 40;
        std::memcpy(record.data(), &header, 4);
        std::memcpy(record.data() + 20, &payload, 4);
      }
      file.Transfer(static_cast<const void*>(record.data()), bytes);
    }
    file.Close();
    if (c.broken) expected.push_back((dir / c.name).string());
  }
  std::vector<std::string> found;
  for (const std::string& line : BrokenRecordings(QDir(QString::fromStdString(dir.string()))))
    found.push_back(line.substr(0, line.find(' ')));
  fs::remove_all(dir);
  std::sort(expected.begin(), expected.end());  // the folder is read in name order
  EXPECT_EQ(found, expected);
}

}  // namespace
