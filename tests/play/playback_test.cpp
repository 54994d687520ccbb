// The playback model without a window: catching up to a P picture in bounded
// stretches, the right picture for every record while the dialog and a worker
// step at once, and audio refills that wait for a busy model instead of being
// dropped.
#include "playback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <string_view>
#include <thread>
#include <unistd.h>

#include "nuvixi.h"
#include "nuvixi_sim.h"
#include "recorded_file.h"
#include "recordings.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace recordings;
using nuvix::Playback;

constexpr auto kWhole = 60s;  // a budget no catch-up here reaches

// "NUVIXI_APLAYLOAD(0,4,0": the call and its board, rate and offset.
std::string BoardRateOffset(const std::string& call) {
  size_t at = call.find('(');
  for (int i = 0; i < 3; ++i) at = call.find(',', at + 1);
  return call.substr(0, at);
}

size_t PictureHash(const Playback::Picture& picture) {
  return std::hash<std::string_view>{}(
      {reinterpret_cast<const char*>(picture.rgb), picture.header.biSizeImage});
}

class PlaybackModel : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("nuvix-playback-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    video_ = dir_ / "video.MJP";
    WriteBytes(video_, H263Recording(100));  // intra pictures at 0, 30, 60 and 90
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The picture of every record, decoded in order from the start.
  std::vector<size_t> ReferenceHashes() {
    std::vector<size_t> hashes;
    Playback playback(0, false, {.picture = [&](const Playback::Picture& p, uint32_t, uint32_t) {
                                   hashes.push_back(PictureHash(p));
                                 }});
    EXPECT_EQ(playback.Open(video_.string()), Playback::Load::kLoaded);
    for (uint32_t i = 0; i < playback.count(); ++i) EXPECT_EQ(playback.ShowVideo(i, kWhole), Playback::Show::kShown);
    return hashes;
  }

  fs::path dir_, video_;
};

TEST_F(PlaybackModel, AJumpDecodesThroughItsGroupInStretchesFromWhereTheDecoderStands) {
  const std::vector<size_t> reference = ReferenceHashes();
  ASSERT_EQ(reference.size(), 100u);
  size_t shown = 0;
  uint32_t shownRecord = Playback::kNoRecord;
  Playback playback(0, false, {.picture = [&](const Playback::Picture& p, uint32_t record, uint32_t) {
                                 shown = PictureHash(p);
                                 shownRecord = record;
                               }});
  ASSERT_EQ(playback.Open(video_.string()), Playback::Load::kLoaded);
  ASSERT_EQ(playback.ShowVideo(0, kWhole), Playback::Show::kShown);

  // With no time to spare every call decodes one picture, so the calls count
  // the pictures decoded on the way.
  struct Jump {
    uint32_t to, calls;
    const char* why;
  } const jumps[] = {
      {59, 29, "from the intra picture at 30"},
      {45, 15, "back: from the intra picture again"},
      {50, 4, "on from where the decoder stands"},
      {60, 1, "an intra picture on its own"},
      {61, 1, "the next picture in the stream"},
      {99, 9, "into the last group"},
      {98, 8, "one back: from the group's start"},
  };
  for (const Jump& jump : jumps) {
    uint32_t calls = 1;
    while (playback.ShowVideo(jump.to, 0ms) == Playback::Show::kMore) ++calls;
    EXPECT_EQ(calls, jump.calls) << jump.to << ": " << jump.why;
    EXPECT_EQ(shownRecord, jump.to);
    EXPECT_EQ(shown, reference[jump.to]) << "picture " << jump.to;
  }
  // With time enough a jump is one call.
  EXPECT_EQ(playback.ShowVideo(29, kWhole), Playback::Show::kShown);
  EXPECT_EQ(shown, reference[29]);
  EXPECT_EQ(playback.failedRecords(), 0u);
}

TEST_F(PlaybackModel, EveryPictureMatchesItsRecordWhileTheDialogJumpsAndAWorkerPlays) {
  const std::vector<size_t> reference = ReferenceHashes();
  std::atomic<int> pictures{0}, wrong{0};
  Playback playback(0, false, {.picture = [&](const Playback::Picture& p, uint32_t record, uint32_t) {
                                 pictures.fetch_add(1);
                                 if (PictureHash(p) != reference.at(record)) wrong.fetch_add(1);
                               }});
  ASSERT_EQ(playback.Open(video_.string()), Playback::Load::kLoaded);
  playback.SetState(Playback::kPlayingForward);
  std::thread worker([&] {
    while (playback.state() == Playback::kPlayingForward)
      playback.ShowVideoWhole(playback.MoveCursor(1), [&] { return playback.state() == Playback::kPlayingForward; });
  });
  std::mt19937 random(11);
  const auto end = std::chrono::steady_clock::now() + 1500ms;
  while (std::chrono::steady_clock::now() < end) {
    const uint32_t target = random() % playback.count();
    playback.SetCursor(target);
    while (playback.ShowVideo(target, 5ms) == Playback::Show::kMore) {
    }
  }
  playback.SetState(Playback::kStopped);
  worker.join();
  EXPECT_GT(pictures.load(), 20);
  EXPECT_EQ(wrong.load(), 0) << "of " << pictures.load() << " pictures";
  EXPECT_EQ(playback.failedRecords(), 0u);
}

// The board's play buffer is fed by the refill worker while the dialog steps
// through the same file: a refill that finds the model busy waits its turn.
TEST_F(PlaybackModel, ARefillThatMeetsABusyModelIsLoadedNotDropped) {
  NUVIXI_SIM_Reset();
  NUVIXI_SEARCH_RESULT found{};
  ASSERT_EQ(NUVIXI_BDSearch(&found), NUVIXI_SUCCESS);
  ASSERT_EQ(NUVIXI_BDOpen(0, NUVIXI_OPEN_APLAY, NUVIXI_STANDARD_NTSC), NUVIXI_SUCCESS);
  const fs::path audio = dir_ / "voice_00.PCM";
  {
    nuvix::RecordedFile file;
    file.SetPath("%s", audio.c_str());
    ASSERT_TRUE(file.Open(nuvix::RecordedFile::kWrite));
    file.WriteHeader(false, 4);
    const std::vector<int16_t> samples = AudioSamples(6 * 44 * 512 / 2);
    file.Transfer(static_cast<const void*>(samples.data()), static_cast<uint32_t>(samples.size() * 2));
  }

  std::thread refill;
  std::atomic<bool> holdNext{false};
  std::vector<std::string> loads;  // under the model's lock
  Playback* model = nullptr;
  Playback playback(0, true, {.log = [&](uint32_t code, const std::string& text) {
                                EXPECT_EQ(code, NUVIXI_SUCCESS) << text;
                                loads.push_back(BoardRateOffset(text));
                                // The refill falls due while the dialog's block is being loaded.
                                if (holdNext.exchange(false)) {
                                  refill = std::thread([model] { model->Refill(); });
                                  std::this_thread::sleep_for(100ms);
                                }
                              }});
  model = &playback;
  ASSERT_EQ(playback.Open(audio.string()), Playback::Load::kLoaded);
  playback.BeginAudioPlay();  // blocks 0 and 1 into both halves
  holdNext = true;
  playback.LoadAudio(playback.MoveCursor(1));  // the dialog steps to block 2
  refill.join();
  playback.SetState(Playback::kStopped);
  NUVIXI_BDClose(0);
  NUVIXI_SIM_Reset();

  // Block 2 into its half by parity, then the refill's block 3 into the half played first.
  const std::vector<std::string> expected = {"NUVIXI_APLAYLOAD(0,4,0", "NUVIXI_APLAYLOAD(0,4,5800",
                                             "NUVIXI_APLAYLOAD(0,4,0", "NUVIXI_APLAYLOAD(0,4,0"};
  EXPECT_EQ(loads, expected);
  EXPECT_EQ(playback.cursor(), 3u);
}

}  // namespace
